#pragma once
// The one rounding rule of the picture code: halves go to the even
// neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), as the framework's Round does.

#include <cmath>
#include <cstdint>

inline int64_t RoundHalfEven(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double lower = std::floor(v);
    const double diff = v - lower;
    double r;
    if (diff > 0.5)
        r = lower + 1.0;
    else if (diff < 0.5)
        r = lower;
    else
        r = std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
    if (r > 9.0e18)
        return INT64_C(9000000000000000000);
    if (r < -9.0e18)
        return -INT64_C(9000000000000000000);
    return static_cast<int64_t>(r);
}

// The same, clamped into the int range (pixel sizes, positions).
inline int RoundToInt(double v)
{
    const int64_t r = RoundHalfEven(v);
    if (r > INT32_MAX)
        return INT32_MAX;
    if (r < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(r);
}
