#pragma once

#include <cmath>
#include <limits>

// Rounding to a number of decimals, halves away from zero. The client's sum check and the
// server's apportionment rules must agree to the last cent, so both use this one function.
inline double roundDecimals(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, decimals);
    // The relative nudge makes a value stored just below a half (2.675 as 2.67499…)
    // round the way its decimal text reads.
    const double scaled = value * scale * (1.0 + 4 * std::numeric_limits<double>::epsilon());
    return std::round(scaled) / scale;
}
