#pragma once

#include <cstdint>

// Sets the process-wide swap flag from a probe of the host's byte order.
void DetectByteOrder();
bool ByteSwapEnabled();
// For tests that emulate a big-endian host.
void SetByteSwap(bool on);

std::uint16_t NetToHost16(std::uint16_t value);
std::uint32_t NetToHost32(std::uint32_t value);

// Unaligned loads of raw (wire-order) values; callers convert with NetToHost16/32.
std::uint16_t LoadRaw16(const std::uint8_t* p);
std::uint32_t LoadRaw32(const std::uint8_t* p);
