#pragma once

#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/steimpath.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define TREMVUE_STEIM_X86 1
#endif

// One decoder per path. Each reads frameCount (1 to 15) whole frames at data, writes at most
// count (at least 1) samples and returns how many it wrote; swap says the words need swapping.
int DecodeSteimScalar(SteimFormat format, bool swap, std::int32_t* samples,
                      const std::uint8_t* data, int frameCount, int count);
#ifdef TREMVUE_STEIM_X86
int DecodeSteimSse41(SteimFormat format, bool swap, std::int32_t* samples, const std::uint8_t* data,
                     int frameCount, int count);
int DecodeSteimAvx2(SteimFormat format, bool swap, std::int32_t* samples, const std::uint8_t* data,
                    int frameCount, int count);
#endif

// Fifteen data words per frame, seven differences at most per word.
inline constexpr int kSteimMaxDifferences = kSteimFrames * 15 * 7;

// The swap decision is made once per packet rather than once per word.
template <bool Swap> inline std::uint32_t SteimWord(const std::uint8_t* p)
{
    const std::uint32_t raw = LoadRaw32(p);
    return Swap ? __builtin_bswap32(raw) : raw;
}

// The differences a data word holds: Count fields of Bits bits, the first with its lowest bit at
// Shift and each further one Bits lower. Count 0 for a word that holds none.
struct SteimKind
{
    int Count;
    int Bits;
    int Shift;
};

// A word's kind is told by its code alone in Steim-1, by its code and top two bits in Steim-2.
template <SteimFormat F> inline constexpr unsigned kSteimKinds = F == SteimFormat::One ? 4 : 16;

template <SteimFormat F> constexpr unsigned SteimKindIndex(unsigned code, std::uint32_t word)
{
    return F == SteimFormat::One ? code : (code << 2) | (word >> 30);
}

template <SteimFormat F> constexpr SteimKind SteimKindAt(unsigned index)
{
    if constexpr (F == SteimFormat::One) {
        constexpr SteimKind kinds[4] = {{}, {4, 8, 24}, {2, 16, 16}, {1, 32, 0}};
        return kinds[index];
    } else {
        constexpr SteimKind kinds[16] = {
            {},         {},         {},          {},          // code 0
            {4, 8, 24}, {4, 8, 24}, {4, 8, 24},  {4, 8, 24},  // code 1, top bits unused
            {},         {1, 30, 0}, {2, 15, 15}, {3, 10, 20}, // code 2
            {5, 6, 24}, {6, 5, 25}, {7, 4, 24},  {},          // code 3
        };
        return kinds[index];
    }
}
