#include "display/tracestatistics.h"

#include "display/channelindex.h"
#include "display/packetwindow.h"
#include "display/saturate.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <algorithm>

void GatherStatistics(ChannelCatalogue& cat, const ChannelIndex& index, const PacketStore& store,
                      int timeRange)
{
    const int slotCount = RingSlotCount(store);
    for (int k = 0; k < slotCount; ++k) {
        const DtPacket& slot = RingSlotInOrder(store, k);
        PacketSpan span;
        if (!VisiblePart(slot, cat, index, timeRange, span) || span.First >= span.End)
            continue;
        DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(span.Entry)];
        if (e.MeanCount == 0) {
            e.MinCount = e.MaxCount = slot.Samples[span.First];
            e.Mean = 0.0;
        }
        std::int32_t lo = e.MinCount;
        std::int32_t hi = e.MaxCount;
        double sum = e.Mean;
        for (int i = span.First; i < span.End; ++i) {
            const std::int32_t s = slot.Samples[i];
            lo = std::min(lo, s);
            hi = std::max(hi, s);
            sum += s;
        }
        e.MinCount = lo;
        e.MaxCount = hi;
        e.Mean = sum;
        // Overlapping packets in a huge ring could count past 2^31 samples.
        e.MeanCount = SaturateInt32(std::int64_t{e.MeanCount} + (span.End - span.First));
    }
}

GlobalFigures FinishStatistics(ChannelCatalogue& cat)
{
    GlobalFigures g;
    for (DasStreamChanInfo& e : cat.Entries) {
        if (!e.Active)
            continue;
        if (e.MeanCount > 0)
            e.Mean /= e.MeanCount;
        const std::int64_t span = std::int64_t{e.MaxCount} - e.MinCount;
        if (g.Min == 0 && g.Max == 0) {
            g.Max = e.MaxCount;
            g.Min = e.MinCount;
            g.Span = span;
        }
        g.Min = std::min(g.Min, e.MinCount);
        g.Max = std::max(g.Max, e.MaxCount);
        g.Span = std::max(g.Span, span);
    }
    return g;
}
