#pragma once

// The message of the error `fn` raises; empty when it raises none.

#include "contracts/host_framework.h"

template <typename Fn> QString errorOf(Fn fn) {
    try {
        fn();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}
