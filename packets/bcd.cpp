#include "packets/bcd.h"

std::uint32_t ReadBcd(const std::uint8_t* bytes, std::uint16_t digitCount, bool startLow)
{
    std::uint32_t value = 0;
    bool low = startLow;
    for (std::uint16_t i = 0; i < digitCount; ++i) {
        const std::uint32_t nibble = low ? (*bytes & 0x0Fu) : (*bytes >> 4);
        value = value * 10u + nibble;
        if (low)
            ++bytes;
        low = !low;
    }
    return value;
}
