#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Binary fields on the wire and in recorder packets are big-endian. These read and write them at
// any byte address: through memcpy, never a cast pointer, so alignment does not matter.

inline std::uint16_t ByteSwap16(std::uint16_t value)
{
    return __builtin_bswap16(value); // std::byteswap comes with C++23
}

inline std::uint32_t ByteSwap32(std::uint32_t value)
{
    return __builtin_bswap32(value);
}

// The bytes at p as they stand, in the host's order.
inline std::uint16_t LoadRaw16(const std::uint8_t* p)
{
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint32_t LoadRaw32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline constexpr bool kHostIsBigEndian = std::endian::native == std::endian::big;

inline std::uint16_t ReadBig16(const std::uint8_t* p)
{
    const std::uint16_t v = LoadRaw16(p);
    return kHostIsBigEndian ? v : ByteSwap16(v);
}

inline std::uint32_t ReadBig32(const std::uint8_t* p)
{
    const std::uint32_t v = LoadRaw32(p);
    return kHostIsBigEndian ? v : ByteSwap32(v);
}

inline void WriteBig16(std::uint8_t* p, std::uint16_t value)
{
    const std::uint16_t v = kHostIsBigEndian ? value : ByteSwap16(value);
    std::memcpy(p, &v, sizeof v);
}

inline void WriteBig32(std::uint8_t* p, std::uint32_t value)
{
    const std::uint32_t v = kHostIsBigEndian ? value : ByteSwap32(value);
    std::memcpy(p, &v, sizeof v);
}
