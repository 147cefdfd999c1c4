#pragma once

// The desktop library's variant-to-boolean conversion: a boolean, a number (non-zero is
// true) or a text "True"/"False"; anything else — null included — raises EConvertError
// instead of passing silently as false.

#include <QVariant>

bool VarToBool(const QVariant& value);
