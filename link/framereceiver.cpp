#include "link/framereceiver.h"

#include "link/frameformat.h"
#include "store/packetring.h"

#include <QIODevice>

#include <cstddef>
#include <cstdint>

namespace {

std::int32_t ReadFrameLength(const std::uint8_t* header)
{
    const std::uint32_t raw = (std::uint32_t{header[2]} << 24) | (std::uint32_t{header[3]} << 16) |
                              (std::uint32_t{header[4]} << 8) | std::uint32_t{header[5]};
    return static_cast<std::int32_t>(raw);
}

} // namespace

ReceiveResult ReceiveFrames(QIODevice& source, PacketStore& store, ChannelCatalogue& cat,
                            StatusLine& lastStatus)
{
    ReceiveResult result;
    lastStatus.Shown = false;
    StatusLine status;
    // The header is read into the start and the payload over it; the frame type is not used.
    std::uint8_t buffer[kMaxPayloadBytes];
    char* const bytes = reinterpret_cast<char*>(buffer);

    while (source.bytesAvailable() >= kMaxFrameBytes) {
        if (source.read(bytes, kFrameHeaderBytes) != static_cast<qint64>(kFrameHeaderBytes)) {
            result.Stop = ReceiveStop::BadFrame;
            return result;
        }
        const std::int32_t length = ReadFrameLength(buffer);
        if (length < 0 || length > kMaxPayloadBytes || source.read(bytes, length) != length) {
            result.Stop = ReceiveStop::BadFrame;
            return result;
        }
        ++result.Frames;
        // A payload too short to carry a packet type is dropped rather than typed by the
        // header bytes still in the buffer.
        if (length < 2)
            continue;
        if (buffer[0] == 'E' && (buffer[1] == 'H' || buffer[1] == 'T')) {
            if (!IngestEventHeader(cat, buffer, static_cast<std::size_t>(length))) {
                result.Stop = ReceiveStop::CatalogueFull;
                return result;
            }
        } else if (buffer[0] == 'D' && buffer[1] == 'T' && length == kMaxPayloadBytes) {
            ++result.DtFrames;
            IngestDtPacket(store, cat, buffer, status);
            if (status.Shown)
                lastStatus = status;
        }
    }
    return result;
}
