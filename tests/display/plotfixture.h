#pragma once

#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <vector>

// 1 January 2006, 10:00:00.
inline DayTime TenOClock(double extraSeconds = 0.0)
{
    return TimeAdd(DayTime{732692, 36000000.0}, extraSeconds * 1000.0);
}

inline DasStreamChanInfo ActiveChannel(std::uint16_t dasId, std::uint16_t stream,
                                       std::uint16_t channel, int displayIndex, double rate,
                                       const DayTime& lastEnd, Rgb color = {255, 0, 0})
{
    DasStreamChanInfo e;
    e.DasId = dasId;
    e.Stream = stream;
    e.Channel = channel;
    e.Active = 1;
    e.DisplayIndex = displayIndex;
    e.SampleRate = rate;
    e.LastEndTime = lastEnd;
    e.Name = QStringLiteral("CH");
    e.TraceColor = color;
    return e;
}

inline PacketStore MakeRing(int slotCount)
{
    PacketStore store;
    store.PacketRing = std::make_unique<DtPacket[]>(static_cast<std::size_t>(slotCount));
    store.AllocatedSlots = slotCount;
    store.NringBuffer = slotCount;
    store.RingIndex = 0;
    return store;
}

// Writes a packet into the slot at RingIndex and moves RingIndex on, as the ingest does.
inline void PutPacket(PacketStore& store, const DasStreamChanInfo& e, const DayTime& start,
                      const std::vector<std::int32_t>& samples)
{
    DtPacket& slot = store.PacketRing[static_cast<std::size_t>(store.RingIndex)];
    slot.Time = start;
    slot.DasId = e.DasId;
    slot.Stream = e.Stream;
    slot.Channel = e.Channel;
    slot.SampleCount = static_cast<std::uint16_t>(samples.size());
    for (std::size_t i = 0; i < samples.size() && i < kMaxSamples; ++i)
        slot.Samples[i] = samples[i];
    store.RingIndex = (store.RingIndex + 1) % store.AllocatedSlots;
}

// Rows (or columns) where the colour appears, each once, ascending.
inline std::vector<int> RowsWith(const QImage& image, QColor color)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width() && image.pixelColor(x, y) != color)
            ++x;
        if (x < image.width())
            rows.push_back(y);
    }
    return rows;
}

inline std::vector<int> ColumnsWith(const QImage& image, QColor color)
{
    return RowsWith(image.transformed(QTransform(0, 1, 1, 0, 0, 0)), color);
}
