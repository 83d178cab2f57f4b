#include "packets/dtpacket.h"
#include "packets/steimkernels.h"

#ifdef TREMVUE_STEIM_X86

#include <smmintrin.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// Per kind of word, lane i's multiplier (a left shift; SSE4.1 has no per-lane shifts) brings
// difference i to the top of the lane, and one arithmetic right shift, the same for all the
// word's differences, brings them back down with their sign. Differences 4 to 6 are 4 fields
// further down than 0 to 2, so their lanes take the same products shifted left by 4 fields.
// Lanes past the kind's count hold whatever these give; the next word's lanes overwrite them.
struct alignas(16) Lanes
{
    std::int32_t Multipliers[4];
    std::int64_t Right[2];
    std::int64_t FourFields[2];
};

template <SteimFormat F> constexpr std::array<Lanes, kSteimKinds<F>> MakeLanes()
{
    std::array<Lanes, kSteimKinds<F>> table{};
    for (unsigned k = 0; k < kSteimKinds<F>; ++k) {
        const SteimKind kind = SteimKindAt<F>(k);
        for (int i = 0; i < std::min(kind.Count, 4); ++i)
            table[k].Multipliers[i] =
                static_cast<std::int32_t>(1u << (32 - kind.Bits - (kind.Shift - i * kind.Bits)));
        table[k].Right[0] = 32 - kind.Bits;
        table[k].FourFields[0] = 4 * kind.Bits;
    }
    return table;
}

template <SteimFormat F> constexpr std::array<std::uint8_t, kSteimKinds<F>> MakeCounts()
{
    std::array<std::uint8_t, kSteimKinds<F>> counts{};
    for (unsigned k = 0; k < kSteimKinds<F>; ++k)
        counts[k] = static_cast<std::uint8_t>(SteimKindAt<F>(k).Count);
    return counts;
}

template <SteimFormat F> constexpr auto kLanes = MakeLanes<F>();
template <SteimFormat F> constexpr auto kCounts = MakeCounts<F>();

// The differences of data words first to end - 1 of a frame, stored from d + n with four lanes
// a word in Steim-1 and eight in Steim-2 whatever its count: no branch on the kind. Returns the
// new n.
template <SteimFormat F, bool Swap>
[[gnu::target("sse4.1"), gnu::always_inline]] inline std::ptrdiff_t
Spread(std::int32_t* d, std::ptrdiff_t n, const std::uint8_t* frame, int first, int end)
{
    const std::uint32_t codes = SteimWord<Swap>(frame);
    const __m128i swapBytes = _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    // Unrolled, every shift of the codes is a constant.
#pragma GCC unroll 15
    for (int k = first; k < end; ++k) {
        const std::uint8_t* word = frame + 4 * k;
        const std::uint32_t top = std::uint32_t{word[Swap ? 0 : 3]} << 24;
        const unsigned kind = SteimKindIndex<F>((codes >> (30 - 2 * k)) & 3u, top);
        const Lanes& lanes = kLanes<F>[kind];
        const __m128i right = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.Right));
        const __m128i multipliers =
            _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.Multipliers));
        const __m128i raw = _mm_set1_epi32(static_cast<std::int32_t>(LoadRaw32(word)));
        const __m128i fields =
            _mm_mullo_epi32(Swap ? _mm_shuffle_epi8(raw, swapBytes) : raw, multipliers);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n), _mm_sra_epi32(fields, right));
        if constexpr (F == SteimFormat::Two) {
            const __m128i four = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.FourFields));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n + 4),
                             _mm_sra_epi32(_mm_sll_epi32(fields, four), right));
        }
        n += kCounts<F>[kind];
    }
    return n;
}

// Running sums of count differences from 0, four lanes at a time.
[[gnu::target("sse4.1")]] void Integrate(std::int32_t* out, const std::int32_t* d, int count)
{
    __m128i carry = _mm_setzero_si128();
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        x = _mm_add_epi32(x, _mm_slli_si128(x, 4));
        x = _mm_add_epi32(x, _mm_slli_si128(x, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi32(x, carry));
        carry = _mm_add_epi32(carry, _mm_shuffle_epi32(x, 0xFF));
    }
    auto v = static_cast<std::uint32_t>(_mm_cvtsi128_si32(carry));
    for (; i < count; ++i) {
        v += static_cast<std::uint32_t>(d[i]);
        out[i] = static_cast<std::int32_t>(v);
    }
}

// All differences first, then the running sums: the sums need no per-word bookkeeping.
template <SteimFormat F, bool Swap>
[[gnu::target("sse4.1")]] int Decode(std::int32_t* samples, const std::uint8_t* data,
                                     int frameCount, int count)
{
    // Room for the lanes the last word stores past its own differences.
    alignas(16) std::int32_t d[kSteimMaxDifferences + 8];
    std::ptrdiff_t n = Spread<F, Swap>(d, 0, data, 1, 3);
    // The first difference of word 3 is replaced by X0, where the integration starts afresh.
    const std::ptrdiff_t x0At = n;
    n = Spread<F, Swap>(d, n, data, 3, 4);
    const bool hasX0 = n > x0At;
    if (hasX0)
        d[x0At] = static_cast<std::int32_t>(SteimWord<Swap>(data + 4));
    n = Spread<F, Swap>(d, n, data, 4, 16);
    for (int f = 1; f < frameCount && n < count; ++f)
        n = Spread<F, Swap>(d, n, data + kSteimFrameSize * f, 1, 16);
    const auto total = static_cast<int>(std::min<std::ptrdiff_t>(n, count));
    const auto restart = hasX0 ? static_cast<int>(std::min<std::ptrdiff_t>(x0At, total)) : 0;
    Integrate(samples, d, restart);
    Integrate(samples + restart, d + restart, total - restart);
    return total;
}

} // namespace

int DecodeSteimSse41(SteimFormat format, bool swap, std::int32_t* samples, const std::uint8_t* data,
                     int frameCount, int count)
{
    if (format == SteimFormat::One)
        return swap ? Decode<SteimFormat::One, true>(samples, data, frameCount, count)
                    : Decode<SteimFormat::One, false>(samples, data, frameCount, count);
    return swap ? Decode<SteimFormat::Two, true>(samples, data, frameCount, count)
                : Decode<SteimFormat::Two, false>(samples, data, frameCount, count);
}

#endif
