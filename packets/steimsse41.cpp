#include "packets/dtpacket.h"
#include "packets/steimkernels.h"

#ifdef TREMVUE_STEIM_X86

#include <smmintrin.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Per kind of word, lane i's multiplier (a left shift; SSE4.1 has no per-lane shifts) brings
// difference i to the top of the lane, and one arithmetic right shift, the same for all the
// word's differences, brings them back down with their sign. Lanes past the kind's count are
// multiplied by 0, so the running sum of a word's lanes ends at the word's total.
struct alignas(16) Lanes
{
    std::int32_t Low[4];
    std::int32_t High[4];
    std::int64_t Right[2];
};

template <SteimFormat F> constexpr std::array<Lanes, kSteimKinds<F>> MakeLanes()
{
    std::array<Lanes, kSteimKinds<F>> table{};
    for (unsigned k = 0; k < kSteimKinds<F>; ++k) {
        const SteimKind kind = SteimKindAt<F>(k);
        for (int i = 0; i < 8; ++i) {
            const int left = 32 - kind.Bits - (kind.Shift - i * kind.Bits);
            const auto multiplier = i < kind.Count ? static_cast<std::int32_t>(1u << left) : 0;
            (i < 4 ? table[k].Low[i] : table[k].High[i - 4]) = multiplier;
        }
        table[k].Right[0] = kind.Count > 0 ? 32 - kind.Bits : 0;
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
[[gnu::target("sse4.1"), gnu::always_inline]] inline int
Spread(std::int32_t* d, int n, const std::uint8_t* frame, int first, int end)
{
    const std::uint32_t codes = SteimWord<Swap>(frame);
    for (int k = first; k < end; ++k) {
        const std::uint32_t word = SteimWord<Swap>(frame + 4 * k);
        const unsigned kind = SteimKindIndex<F>((codes >> (30 - 2 * k)) & 3u, word);
        const Lanes& lanes = kLanes<F>[kind];
        const __m128i right = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.Right));
        const __m128i w = _mm_set1_epi32(static_cast<std::int32_t>(word));
        const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.Low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n),
                         _mm_sra_epi32(_mm_mullo_epi32(w, low), right));
        if constexpr (F == SteimFormat::Two) {
            const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.High));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n + 4),
                             _mm_sra_epi32(_mm_mullo_epi32(w, high), right));
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
    int n = Spread<F, Swap>(d, 0, data, 1, 3);
    // The first difference of word 3 is replaced by X0, where the integration starts afresh.
    const int x0At = n;
    n = Spread<F, Swap>(d, n, data, 3, 4);
    const bool hasX0 = n > x0At;
    if (hasX0)
        d[x0At] = static_cast<std::int32_t>(SteimWord<Swap>(data + 4));
    n = Spread<F, Swap>(d, n, data, 4, 16);
    for (int f = 1; f < frameCount && n < count; ++f)
        n = Spread<F, Swap>(d, n, data + kSteimFrameSize * f, 1, 16);
    n = std::min(n, count);
    const int restart = hasX0 ? std::min(x0At, n) : 0;
    Integrate(samples, d, restart);
    Integrate(samples + restart, d + restart, n - restart);
    return n;
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
