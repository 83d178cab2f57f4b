#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Every message between PKSD and its clients is a frame:
//
//   bytes   coding                      field
//   0-1     unsigned 16-bit big-endian  frame type (the client does not dispatch on it)
//   2-5     signed 32-bit big-endian    payload length, 0 to 1024
//   6-      payload                     a recorder packet, or one of the client's messages

inline constexpr std::size_t kFrameHeaderBytes = 6;
inline constexpr std::size_t kMaxPayloadBytes = 1024;
// The client reads a frame only once this many bytes are buffered, whatever its own length.
inline constexpr std::size_t kMaxFrameBytes = kFrameHeaderBytes + kMaxPayloadBytes;

enum class FrameOutcome
{
    Whole,     // Payload holds the frame's payload
    NeedMore,  // the bytes end inside the frame
    BadLength, // the length lies outside 0..1024: the stream cannot be followed any further
};

struct Frame
{
    FrameOutcome Outcome = FrameOutcome::NeedMore;
    std::uint16_t Type = 0;
    std::int32_t Length = 0; // as the header states it, once the header is in
    std::span<const std::uint8_t> Payload;

    // Bytes of the whole frame, header included.
    std::size_t Size() const { return kFrameHeaderBytes + Payload.size(); }
};

// The frame at the start of bytes.
Frame ReadFrame(std::span<const std::uint8_t> bytes);

void WriteFrameHeader(std::span<std::uint8_t, kFrameHeaderBytes> out, std::uint16_t type,
                      std::uint32_t length);

// A whole frame around payload, for the tools and tests.
std::vector<std::uint8_t> MakeFrame(std::uint16_t type, std::span<const std::uint8_t> payload);
