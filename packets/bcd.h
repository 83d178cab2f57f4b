#pragma once

#include <cstdint>

// Reads digitCount BCD digits from bytes, high nibble first, starting at the low nibble of the
// first byte when startLow is set. Nibbles above 9 count with their value (0xC0 reads as 120).
std::uint32_t ReadBcd(const std::uint8_t* bytes, std::uint16_t digitCount, bool startLow = false);
