#include "tools/soak/clientframes.h"

#include "link/bytespan.h"
#include "link/frame.h"

std::vector<QByteArray> ClientDtPayloads(const QByteArray& bytes)
{
    std::vector<QByteArray> out;
    std::span<const std::uint8_t> rest = ByteSpan(bytes);
    // The client reads a frame only while a maximum-size frame is buffered.
    while (rest.size() >= kMaxFrameBytes) {
        const Frame frame = ReadFrame(rest);
        if (frame.Outcome != FrameOutcome::Whole)
            break;
        const std::span<const std::uint8_t> p = frame.Payload;
        if (p.size() == kMaxPayloadBytes && p[0] == 'D' && p[1] == 'T')
            out.emplace_back(reinterpret_cast<const char*>(p.data()),
                             static_cast<qsizetype>(p.size()));
        rest = rest.subspan(frame.Size());
    }
    return out;
}
