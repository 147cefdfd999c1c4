#pragma once

// The suite's forms take Enter in an edit as Tab: the clerk types a value and goes on to
// the next field, with the same exits and checks as Tab.

class QLineEdit;

void enterMovesFocus(QLineEdit* edit);
