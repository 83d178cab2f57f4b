#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Conversions into the fixed-width fields of the catalogue and into pixel coordinates. Scale
// arithmetic runs in 64 bits or double; storing it back must not wrap.

inline std::int32_t SaturateInt32(std::int64_t v)
{
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v < lo ? lo : (v > hi ? hi : v));
}

// Truncates toward zero; NaN gives 0.
inline std::int64_t TruncToInt64(double v)
{
    if (std::isnan(v))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    if (v >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (v <= -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

inline std::int32_t TruncToInt32(double v)
{
    return SaturateInt32(TruncToInt64(v));
}
