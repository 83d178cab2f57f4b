#include "link/framereceiver.h"

#include "link/frame.h"
#include "store/packetring.h"

#include <QIODevice>

#include <cstddef>
#include <cstdint>

ReceiveResult ReceiveFrames(QIODevice& source, PacketStore& store, ChannelCatalogue& cat,
                            const QSettings* stored, StatusLine& lastStatus)
{
    ReceiveResult result;
    lastStatus.Shown = false;
    StatusLine status;
    std::uint8_t buffer[kMaxFrameBytes];
    constexpr auto kWanted = static_cast<qint64>(kMaxFrameBytes);

    while (source.bytesAvailable() >= kWanted) {
        // A whole maximum-size frame is buffered, so the frame at its start is in these bytes
        // unless its length is bad.
        if (source.peek(reinterpret_cast<char*>(buffer), kWanted) != kWanted) {
            result.Stop = ReceiveStop::BadFrame;
            return result;
        }
        const Frame frame = ReadFrame(buffer);
        // A bad header is taken off like a good one; the caller discards the rest.
        const std::size_t taken =
            frame.Outcome == FrameOutcome::Whole ? frame.Size() : kFrameHeaderBytes;
        if (source.skip(static_cast<qint64>(taken)) != static_cast<qint64>(taken) ||
            frame.Outcome != FrameOutcome::Whole) {
            result.Stop = ReceiveStop::BadFrame;
            return result;
        }
        ++result.Frames;
        const std::span<const std::uint8_t> p = frame.Payload;
        // A payload too short to carry a packet type is dropped.
        if (p.size() < 2)
            continue;
        if (p[0] == 'E' && (p[1] == 'H' || p[1] == 'T')) {
            if (!IngestEventHeader(cat, stored, p)) {
                result.Stop = ReceiveStop::CatalogueFull;
                return result;
            }
        } else if (p[0] == 'D' && p[1] == 'T' && p.size() == kMaxPayloadBytes) {
            ++result.DtFrames;
            IngestDtPacket(store, cat, stored, p, status);
            if (status.Shown)
                lastStatus = status;
        }
    }
    return result;
}
