#include "packets/byteorder.h"

#include <cstring>

using byteorder_detail::swapFlag;

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
