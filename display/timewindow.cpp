#include "display/timewindow.h"

#include "display/displaystate.h"
#include "display/tracescale.h"
#include "packets/daytime.h"
#include "store/channelcatalogue.h"

#include <cstdint>
#include <map>

namespace {

double ShiftMsec(const DisplayState& ds)
{
    return ds.TimeShift * 1000.0;
}

bool IsLater(const DayTime& a, const DayTime& b)
{
    return TimeDiff(a, b, TimeUnitSec) > 0;
}

void SetAllActive(ChannelCatalogue& cat, const DayTime& axisTime)
{
    for (DasStreamChanInfo& e : cat.Entries) {
        if (e.Active)
            e.AxisTime = axisTime;
    }
}

// Gives every active entry the latest AxisTime among the active entries of its group.
template <typename GroupOf> void LatestPerGroup(ChannelCatalogue& cat, GroupOf groupOf)
{
    std::map<std::uint32_t, DayTime> latest;
    for (const DasStreamChanInfo& e : cat.Entries) {
        if (!e.Active)
            continue;
        const auto [it, added] = latest.try_emplace(groupOf(e), e.AxisTime);
        if (!added && IsLater(e.AxisTime, it->second))
            it->second = e.AxisTime;
    }
    for (DasStreamChanInfo& e : cat.Entries) {
        if (e.Active)
            e.AxisTime = latest[groupOf(e)];
    }
}

} // namespace

int ResetChannels(ChannelCatalogue& cat, const DisplayState& ds)
{
    int nActive = 0;
    for (DasStreamChanInfo& e : cat.Entries) {
        if (!e.Active)
            continue;
        e.AxisTime = TimeAdd(e.LastEndTime, ShiftMsec(ds));
        if (ds.AmpScale != ScaleLock) {
            e.MinCount = 0;
            e.MaxCount = 0;
            e.RangeCount = 0;
            e.RangeSpan = 0;
            e.Mean = 0.0;
        }
        e.MeanCount = 0;
        ++nActive;
    }
    return nActive;
}

void ApplyTimeMode(ChannelCatalogue& cat, const DisplayState& ds, const DayTime& cpuNow)
{
    switch (ds.TimeScale) {
    case TimeCommon: {
        const DasStreamChanInfo* latest = nullptr;
        for (const DasStreamChanInfo& e : cat.Entries) {
            if (e.Active && (!latest || IsLater(e.LastEndTime, latest->LastEndTime)))
                latest = &e;
        }
        if (latest)
            SetAllActive(cat, TimeAdd(latest->LastEndTime, ShiftMsec(ds)));
        break;
    }
    case TimePerStream:
        LatestPerGroup(cat, [](const DasStreamChanInfo& e) {
            return (std::uint32_t{e.DasId} << 16) | e.Stream;
        });
        break;
    case TimePerUnit:
        LatestPerGroup(cat, [](const DasStreamChanInfo& e) { return std::uint32_t{e.DasId}; });
        break;
    case TimeCpuClock:
        SetAllActive(cat, TimeAdd(cpuNow, ShiftMsec(ds)));
        break;
    default:
        break;
    }
}
