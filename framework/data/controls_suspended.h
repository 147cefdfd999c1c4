#pragma once

// Suspends the display updates of a data set's controls for the length of a scope and
// resumes them however the scope ends, so that an error never leaves a grid frozen.

#include "framework/data/dataset.h"

class ControlsSuspended {
public:
    explicit ControlsSuspended(TClientDataSet& dataSet) : m_dataSet(dataSet) { m_dataSet.DisableControls(); }
    ~ControlsSuspended() { m_dataSet.EnableControls(); }
    ControlsSuspended(const ControlsSuspended&) = delete;
    ControlsSuspended& operator=(const ControlsSuspended&) = delete;

private:
    TClientDataSet& m_dataSet;
};
