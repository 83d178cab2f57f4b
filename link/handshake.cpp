#include "link/handshake.h"

#include "packets/bigendian.h"

#include <cstddef>
#include <cstring>

namespace {

void PutFrameHeader(std::uint8_t* out, std::uint16_t type, std::uint32_t length)
{
    WriteFrameHeader(std::span<std::uint8_t, kFrameHeaderBytes>(out, kFrameHeaderBytes), type,
                     length);
}

} // namespace

HandshakeMessages BuildHandshake(std::uint32_t processId)
{
    HandshakeMessages m;
    PutFrameHeader(m.Opening.data(), 1, 0);

    PutFrameHeader(m.Identification.data(), 11, 36);
    WriteBig32(m.Identification.data() + kFrameHeaderBytes, processId);
    static_assert(sizeof kClientName <= 32);
    std::memcpy(m.Identification.data() + kFrameHeaderBytes + 4, kClientName,
                sizeof kClientName - 1); // the rest of the 32 bytes stays NUL

    PutFrameHeader(m.Request.data(), 3, 28);
    constexpr std::uint32_t words[7] = {0, 65535, 0, 30, 1, 0, 0};
    for (std::size_t i = 0; i < 7; ++i)
        WriteBig32(m.Request.data() + kFrameHeaderBytes + 4 * i, words[i]);
    return m;
}
