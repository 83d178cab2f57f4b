#include "link/frame.h"

namespace {

std::uint32_t Big32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

Frame ReadFrame(std::span<const std::uint8_t> bytes)
{
    Frame frame;
    if (bytes.size() < kFrameHeaderBytes)
        return frame;
    frame.Type = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    frame.Length = static_cast<std::int32_t>(Big32(bytes.data() + 2));
    if (frame.Length < 0 || static_cast<std::size_t>(frame.Length) > kMaxPayloadBytes) {
        frame.Outcome = FrameOutcome::BadLength;
        return frame;
    }
    const auto length = static_cast<std::size_t>(frame.Length);
    if (bytes.size() - kFrameHeaderBytes < length)
        return frame;
    frame.Outcome = FrameOutcome::Whole;
    frame.Payload = bytes.subspan(kFrameHeaderBytes, length);
    return frame;
}

void WriteFrameHeader(std::span<std::uint8_t, kFrameHeaderBytes> out, std::uint16_t type,
                      std::uint32_t length)
{
    out[0] = static_cast<std::uint8_t>(type >> 8);
    out[1] = static_cast<std::uint8_t>(type);
    out[2] = static_cast<std::uint8_t>(length >> 24);
    out[3] = static_cast<std::uint8_t>(length >> 16);
    out[4] = static_cast<std::uint8_t>(length >> 8);
    out[5] = static_cast<std::uint8_t>(length);
}
