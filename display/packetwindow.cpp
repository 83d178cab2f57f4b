#include "display/packetwindow.h"

#include "display/channelindex.h"
#include "display/tracemapping.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <algorithm>
#include <cmath>

int RingSlotCount(const PacketStore& store)
{
    return store.PacketRing ? std::max(store.AllocatedSlots, 0) : 0;
}

const DtPacket& RingSlotInOrder(const PacketStore& store, int k)
{
    const std::int64_t n = store.AllocatedSlots;
    // A RingIndex outside the ring still visits every slot once.
    std::int64_t slot = (std::int64_t{store.RingIndex} + 1 + k) % n;
    if (slot < 0)
        slot += n;
    return store.PacketRing[static_cast<std::size_t>(slot)];
}

namespace {

// t(i) = i / r + d never decreases with i, so the window is one run of samples and its ends can
// be found from an estimate corrected with the exact test.
int FirstAtOrAfter(double limit, int n, double rate, double delay, bool strict)
{
    const auto inside = [&](int i) {
        const double t = SampleTime(i, rate, delay);
        return strict ? t > limit : t >= limit;
    };
    double guess = std::ceil((limit - delay) * rate);
    if (!std::isfinite(guess))
        guess = 0.0;
    int i = static_cast<int>(std::clamp(guess, 0.0, static_cast<double>(n)));
    while (i > 0 && inside(i - 1))
        --i;
    while (i < n && !inside(i))
        ++i;
    return i;
}

} // namespace

bool VisiblePart(const DtPacket& slot, const ChannelCatalogue& cat, const ChannelIndex& index,
                 int timeRange, PacketSpan& span)
{
    const int n = std::min<int>(slot.SampleCount, kMaxSamples);
    if (n <= 0)
        return false;
    const int entry = index.FindActive(slot.DasId, slot.Stream, slot.Channel);
    if (entry < 0)
        return false;
    const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(entry)];
    const double d = TimeDiff(slot.Time, e.AxisTime, TimeUnitSec);
    if (std::isnan(d) || d > 0)
        return false;
    const double r = EffectiveRate(e);
    if (!(r > 0))
        return false;
    const double range = timeRange;
    if (n / r + d < -range)
        return false;
    span.Entry = entry;
    span.Delay = d;
    span.Rate = r;
    span.First = FirstAtOrAfter(-range, n, r, d, false);
    span.End = std::max(span.First, FirstAtOrAfter(0.0, n, r, d, true));
    return true;
}
