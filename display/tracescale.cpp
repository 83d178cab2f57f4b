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
    e.RangeSpan = range;
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
        if (!e.Active)
            continue;
        if (ds.AmpScale != ScaleLock) {
            ScaleEntry(e, ds.AmpScale, ds.ScaleFactor, g);
            e.ScaleSet = e.MeanCount > 0;
        } else if (!e.ScaleSet && e.MeanCount > 0) {
            // Nothing to lock yet (as after a start in lock mode): the first drawing with data
            // gives the scale that is kept from then on.
            ScaleEntry(e, ScaleIndividual, ds.ScaleFactor, g);
            e.ScaleSet = true;
        } else {
            ScaleEntry(e, ScaleLock, ds.ScaleFactor, g);
        }
    }
}
