#pragma once

// Suspends the display updates of data sets' controls for the length of a scope and resumes
// them however the scope ends, so that an error never leaves a grid frozen. Several data
// sets are suspended in the order given and resumed in that same order.

#include "framework/data/dataset.h"

#include <initializer_list>
#include <vector>

class ControlsSuspended {
public:
    ControlsSuspended(std::initializer_list<TClientDataSet*> dataSets) : m_dataSets(dataSets) {
        for (TClientDataSet* ds : m_dataSets)
            ds->DisableControls();
    }
    explicit ControlsSuspended(TClientDataSet& dataSet) : ControlsSuspended({&dataSet}) {}
    ~ControlsSuspended() {
        for (TClientDataSet* ds : m_dataSets)
            ds->EnableControls();
    }
    ControlsSuspended(const ControlsSuspended&) = delete;
    ControlsSuspended& operator=(const ControlsSuspended&) = delete;

private:
    std::vector<TClientDataSet*> m_dataSets;
};
