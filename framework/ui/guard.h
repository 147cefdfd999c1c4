#pragma once

// The one entry of every handler reached from a Qt signal, event or timer: whatever the
// handler throws stops there. A silent abort and an already-shown failure show nothing;
// anything else is shown once through the dialog seam.

#include <QString>

#include <functional>
#include <utility>

// Runs `fn`; returns true when it finished without throwing.
bool Guarded(const std::function<void()>& fn);

// Wraps a handler for QObject::connect: `connect(b, &QAbstractButton::clicked, guard([this]{…}))`.
template <typename F> auto guard(F fn) {
    return [fn = std::move(fn)](auto&&... args) {
        Guarded([&] { fn(std::forward<decltype(args)>(args)...); });
    };
}

// The text the guard shows for the exception being handled (inside a catch block only);
// empty for a silent abort and an already-shown failure.
QString describeCurrentException();
