#pragma once

#include <cstddef>
#include <cstdint>

// Where a BCD field of a packet stands: its first byte, its digits, and whether it starts at
// that byte's low nibble.
struct BcdField
{
    std::size_t Offset;
    std::uint16_t Digits;
    bool StartLow = false;
};

// A fixed-width text field of a packet.
struct TextField
{
    std::size_t Offset;
    std::size_t Width;
};

// Reads digitCount BCD digits from bytes, high nibble first, starting at the low nibble of the
// first byte when startLow is set. Nibbles above 9 count with their value (0xC0 reads as 120).
std::uint32_t ReadBcd(const std::uint8_t* bytes, std::uint16_t digitCount, bool startLow = false);

inline std::uint32_t ReadBcd(const std::uint8_t* packet, BcdField field)
{
    return ReadBcd(packet + field.Offset, field.Digits, field.StartLow);
}
