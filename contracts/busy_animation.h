#pragma once

// The host's busy animation over a form for the length of a scope: hidden again however
// the work inside ends.

#include "contracts/host_framework.h"

class BusyAnimation {
public:
    BusyAnimation(QWidget* form, int kind) { ActiveShowAvi(form, kind); }
    ~BusyAnimation() { DeactiveShowAvi(); }
    BusyAnimation(const BusyAnimation&) = delete;
    BusyAnimation& operator=(const BusyAnimation&) = delete;
};
