#include "display/tracepass.h"

#include "display/channelindex.h"
#include "display/packetwindow.h"
#include "display/tracemapping.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

QPen TracePen(const DasStreamChanInfo& e)
{
    QPen pen(QColor(e.TraceColor.Red, e.TraceColor.Green, e.TraceColor.Blue), 1, Qt::SolidLine);
    pen.setCosmetic(true);
    return pen;
}

// Columns and rows of the samples of one packet.
struct PacketMapping
{
    const DtPacket& Slot;
    const PacketSpan& Span;
    const DasStreamChanInfo& Entry;
    TraceBand Band;
    const TracePlotArea& Area;
    int TimeRange = 0;

    int X(int i) const
    {
        return SampleX(SampleTime(i, Span.Rate, Span.Delay), TimeRange, Area.X0, Area.X1);
    }

    int Y(std::int32_t sample) const
    {
        return SampleY(sample, Entry.ScaleLow, Entry.ScaleHigh, Band.Top, Band.Bottom);
    }

    // First sample after i that lies right of column x (or Span.End). The columns of the
    // samples never decrease, so an estimate from the inverse mapping is corrected by the exact
    // one.
    int NextColumnStart(int i, int x) const
    {
        const double range = TimeRange;
        const double width = static_cast<double>(Area.X1) - Area.X0;
        const double t = (static_cast<double>(x) + 1 - Area.X0) * range / width - range;
        double guess = std::ceil((t - Span.Delay) * Span.Rate);
        if (!std::isfinite(guess))
            guess = Span.End;
        int j = static_cast<int>(std::clamp(guess, i + 1.0, static_cast<double>(Span.End)));
        while (j > i + 1 && X(j - 1) > x)
            --j;
        while (j < Span.End && X(j) <= x)
            ++j;
        return j;
    }
};

void MergedLines(const PacketMapping& m, std::vector<QLine>& lines)
{
    const PacketSpan& span = m.Span;
    const std::int32_t* samples = m.Slot.Samples;
    int i = span.First;
    int x = m.X(i);
    bool joined = false;
    QPoint previous;
    while (i < span.End) {
        const int j = m.NextColumnStart(i, x);
        std::int32_t low = samples[i];
        std::int32_t high = samples[i];
        for (int k = i + 1; k < j; ++k) {
            low = std::min(low, samples[k]);
            high = std::max(high, samples[k]);
        }
        const QPoint first(x, m.Y(samples[i]));
        if (joined)
            lines.emplace_back(previous, first);
        // Rows fall as samples rise: the highest sample is the top of the column.
        if (j - i >= 2)
            lines.emplace_back(x, m.Y(high), x, m.Y(low));
        previous = QPoint(x, m.Y(samples[j - 1]));
        joined = true;
        i = j;
        if (i < span.End)
            x = m.X(i);
    }
}

void DrawMerged(QPainter& p, const ChannelCatalogue& cat, const ChannelIndex& index,
                const PacketStore& store, const TracePlotArea& area, int timeRange,
                std::vector<QLine>& lines)
{
    const int slotCount = RingSlotCount(store);
    for (int k = 0; k < slotCount; ++k) {
        const DtPacket& slot = RingSlotInOrder(store, k);
        PacketSpan span;
        // A single sample only places the pen; it draws nothing.
        if (!VisiblePart(slot, cat, index, timeRange, span) || span.End - span.First < 2)
            continue;
        const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(span.Entry)];
        const PacketMapping m{slot, span,     e, BandOf(area.Y0, area.BandHeight, e.DisplayIndex),
                              area, timeRange};
        lines.clear();
        MergedLines(m, lines);
        p.setPen(TracePen(e));
        p.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
}

} // namespace

void DrawTracePass(QPainter& p, const ChannelCatalogue& cat, const ChannelIndex& index,
                   const PacketStore& store, const TracePlotArea& area, int timeRange,
                   TraceBuffers& buffers)
{
    // At most one line per sample of a packet.
    buffers.Lines.reserve(kMaxSamples);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QTransform world = p.worldTransform();
    p.setWorldTransform(QTransform::fromTranslate(std::trunc(world.dx()), std::trunc(world.dy())));
    DrawMerged(p, cat, index, store, area, timeRange, buffers.Lines);
    p.restore();
}
