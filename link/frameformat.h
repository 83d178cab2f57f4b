#pragma once

#include <cstddef>
#include <cstdint>

// Every message on the link is a frame: a 2-byte type and a signed 4-byte payload length, both
// big-endian, then the payload.
inline constexpr std::size_t kFrameHeaderBytes = 6;
inline constexpr std::int32_t kMaxPayloadBytes = 1024;
// A frame is read only once this many bytes are buffered, whatever its own length.
inline constexpr std::int64_t kMaxFrameBytes = kFrameHeaderBytes + kMaxPayloadBytes;
