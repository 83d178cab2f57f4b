#include "link/frame.h"

#include "packets/bigendian.h"

#include <algorithm>

Frame ReadFrame(std::span<const std::uint8_t> bytes)
{
    Frame frame;
    if (bytes.size() < kFrameHeaderBytes)
        return frame;
    frame.Type = ReadBig16(bytes.data());
    frame.Length = static_cast<std::int32_t>(ReadBig32(bytes.data() + 2));
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
    WriteBig16(out.data(), type);
    WriteBig32(out.data() + 2, length);
}

std::vector<std::uint8_t> MakeFrame(std::uint16_t type, std::span<const std::uint8_t> payload)
{
    std::vector<std::uint8_t> frame(kFrameHeaderBytes + payload.size());
    WriteFrameHeader(std::span(frame).first<kFrameHeaderBytes>(), type,
                     static_cast<std::uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), frame.begin() + kFrameHeaderBytes);
    return frame;
}
