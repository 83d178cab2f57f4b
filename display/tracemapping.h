#pragma once

#include "display/saturate.h"

#include <algorithm>
#include <cstdint>

// Where a sample lands in the picture. Pure arithmetic, shared by the statistics and the trace
// pass so that both agree on which samples lie in the window.

// Vertical extent of one trace: top ya and bottom yb, both on the band's frame lines.
struct TraceBand
{
    int Top = 0;
    int Bottom = 0;
};

// Band k of bands h pixels high stacked from y0 down.
TraceBand BandOf(int y0, double h, std::int32_t displayIndex);

// Time of sample i of a packet starting d seconds from the window end, at r samples per second.
inline double SampleTime(int i, double rate, double delay)
{
    return i / rate + delay;
}

// Column of a sample t seconds from the window end (-R <= t <= 0): t = -R on x0, t = 0 on x1.
inline int SampleX(double t, int timeRange, int x0, int x1)
{
    const double r = timeRange;
    return TruncToInt32(x0 + (static_cast<double>(x1) - x0) * (r + t) / r);
}

// Row of a sample in a band scaled from low (bottom) to high (top), clamped to the band. A scale
// without span, as a trace amplified below one count gets, still puts samples above it on the
// top edge and those below on the bottom, so a live trace never looks flat; samples on it, and
// every sample of an inverted scale, go to the middle.
inline int SampleY(std::int32_t sample, std::int32_t scaleLow, std::int32_t scaleHigh, int ya,
                   int yb)
{
    const std::int64_t span = std::int64_t{scaleHigh} - scaleLow;
    if (span == 0 && sample != scaleLow)
        return sample > scaleLow ? ya : yb;
    if (span <= 0)
        return static_cast<int>((std::int64_t{ya} + yb) / 2);
    const double offset = static_cast<double>(std::int64_t{sample} - scaleLow);
    const double y = yb - offset * (static_cast<double>(yb) - ya) / static_cast<double>(span);
    // Clamping before truncation equals truncating first: the limits are whole numbers.
    const double lo = std::min(ya, yb);
    const double hi = std::max(ya, yb);
    return static_cast<int>(std::clamp(y, lo, hi));
}
