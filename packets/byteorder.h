#pragma once

#include <cstdint>
#include <cstring>

// Sets the process-wide swap flag from a probe of the host's byte order.
void DetectByteOrder();
bool ByteSwapEnabled();
// For tests that emulate a big-endian host.
void SetByteSwap(bool on);

namespace byteorder_detail {
// Inline so that the decoders' loops read it once and run without a call per value.
inline bool swapFlag = true;
} // namespace byteorder_detail

inline std::uint16_t NetToHost16(std::uint16_t value)
{
    return byteorder_detail::swapFlag ? __builtin_bswap16(value) : value;
}

inline std::uint32_t NetToHost32(std::uint32_t value)
{
    return byteorder_detail::swapFlag ? __builtin_bswap32(value) : value;
}

// Unaligned loads of raw (wire-order) values; callers convert with NetToHost16/32.
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
