#pragma once

// The rows of a data set as a lookup list shows them: the visible fields' labels as
// headers, each row's display texts (masks and OnGetText applied).

#include "contracts/host_framework.h"

class TClientDataSet;

LookupList lookupListOf(const QString& title, const TClientDataSet& dataSet);
