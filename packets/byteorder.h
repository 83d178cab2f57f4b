#pragma once

#include "packets/bigendian.h"

#include <cstdint>

// The decoders convert with NetToHost16/32 after a LoadRaw16/32, so a probe at start-up
// decides the order once for the whole run.

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
    return byteorder_detail::swapFlag ? ByteSwap16(value) : value;
}

inline std::uint32_t NetToHost32(std::uint32_t value)
{
    return byteorder_detail::swapFlag ? ByteSwap32(value) : value;
}
