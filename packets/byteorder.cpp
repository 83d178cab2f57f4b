#include "packets/byteorder.h"

#include <cstring>

namespace {
bool swapFlag = true;

constexpr std::uint16_t Swap16(std::uint16_t v)
{
    return static_cast<std::uint16_t>((v >> 8) | (v << 8));
}

constexpr std::uint32_t Swap32(std::uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}
} // namespace

void DetectByteOrder()
{
    const unsigned char probe[4] = {0x12, 0x34, 0x56, 0x78};
    std::uint32_t word = 0;
    std::memcpy(&word, probe, sizeof word);
    if (word == 0x78563412u)
        swapFlag = true;
    else if (word == 0x12345678u)
        swapFlag = false;
}

bool ByteSwapEnabled()
{
    return swapFlag;
}

void SetByteSwap(bool on)
{
    swapFlag = on;
}

std::uint16_t NetToHost16(std::uint16_t value)
{
    return swapFlag ? Swap16(value) : value;
}

std::uint32_t NetToHost32(std::uint32_t value)
{
    return swapFlag ? Swap32(value) : value;
}

std::uint16_t LoadRaw16(const std::uint8_t* p)
{
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t LoadRaw32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
