#include "display/tracescale.h"

#include "display/displaystate.h"
#include "display/saturate.h"
#include "store/channelcatalogue.h"

#include <cmath>

void ScaleEntry(DasStreamChanInfo& e, int ampScale, double scaleFactor, const GlobalFigures& g)
{
    std::int64_t low = e.ScaleLow;
    std::int64_t high = e.ScaleHigh;
    const std::int64_t min = e.MinCount;
    const std::int64_t max = e.MaxCount;
    bool factored = true;
    switch (ampScale) {
    case ScaleAbsolute:
        low = g.Min;
        high = g.Max;
        factored = false;
        break;
    case ScaleCommon:
        low = (max - min) / 2 - g.Span / 2 + min;
        high = low + g.Span;
        break;
    case ScaleLock:
        factored = false;
        break;
    default:
        low = min;
        high = max;
        break;
    }
    const std::int64_t range = high - low;
    e.RangeCount = SaturateInt32(range);
    if (factored) {
        const double c = static_cast<double>((low + high) / 2);
        const double r = static_cast<double>(range) * scaleFactor;
        e.ScaleLow = TruncToInt32(c + std::trunc(r * -0.5));
        e.ScaleHigh = TruncToInt32(c + std::trunc(r * 0.5));
    } else {
        e.ScaleLow = SaturateInt32(low);
        e.ScaleHigh = SaturateInt32(high);
    }
}

void ComputeScales(ChannelCatalogue& cat, const DisplayState& ds, const GlobalFigures& g)
{
    for (DasStreamChanInfo& e : cat.Entries) {
        if (e.Active)
            ScaleEntry(e, ds.AmpScale, ds.ScaleFactor, g);
    }
}
