#include "packets/dtpacket.h"
#include "packets/steimkernels.h"

namespace {

using Steim = SteimFormat;

// Two's-complement field of `bits` bits at `shift`, widened with its sign.
inline std::uint32_t Field(std::uint32_t word, int shift, int bits)
{
    const std::uint32_t x = (word >> shift) << (32 - bits);
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(x) >> (32 - bits));
}

// Differences of one word by its code and, for Steim-2, its top bits. Returns how many.
template <Steim S> inline int Differences(std::uint32_t word, unsigned code, std::uint32_t* d)
{
    switch (code) {
    case 1:
        d[0] = Field(word, 24, 8);
        d[1] = Field(word, 16, 8);
        d[2] = Field(word, 8, 8);
        d[3] = Field(word, 0, 8);
        return 4;
    case 2:
        if constexpr (S == Steim::One) {
            d[0] = Field(word, 16, 16);
            d[1] = Field(word, 0, 16);
            return 2;
        } else {
            switch (word >> 30) {
            case 1:
                d[0] = Field(word, 0, 30);
                return 1;
            case 2:
                d[0] = Field(word, 15, 15);
                d[1] = Field(word, 0, 15);
                return 2;
            case 3:
                d[0] = Field(word, 20, 10);
                d[1] = Field(word, 10, 10);
                d[2] = Field(word, 0, 10);
                return 3;
            default:
                return 0;
            }
        }
    case 3:
        if constexpr (S == Steim::One) {
            d[0] = word;
            return 1;
        } else {
            switch (word >> 30) {
            case 0:
                for (int i = 0; i < 5; ++i)
                    d[i] = Field(word, 24 - 6 * i, 6);
                return 5;
            case 1:
                for (int i = 0; i < 6; ++i)
                    d[i] = Field(word, 25 - 5 * i, 5);
                return 6;
            case 2:
                for (int i = 0; i < 7; ++i)
                    d[i] = Field(word, 24 - 4 * i, 4);
                return 7;
            default:
                return 0;
            }
        }
    default:
        return 0;
    }
}

// Adds each field of `Bits` bits at the given shifts to the running value and stores the sums.
template <int Bits, int... Shifts>
[[gnu::always_inline]] inline int Run(std::int32_t* out, std::uint32_t& v, std::uint32_t word)
{
    int i = 0;
    ((v += Field(word, Shifts, Bits), out[i++] = static_cast<std::int32_t>(v)), ...);
    return sizeof...(Shifts);
}

// The most samples one word can hold.
template <Steim S> inline constexpr int kMaxPerWord = S == Steim::One ? 4 : 7;

// A whole word, straight-line for its kind, when all its samples fit. Nested compares rather
// than a switch: a flat jump table measured slower, and inlining keeps v in a register.
template <Steim S>
[[gnu::always_inline]] inline int WholeWord(std::int32_t* out, std::uint32_t& v, std::uint32_t word,
                                            unsigned code)
{
    if (code == 1)
        return Run<8, 24, 16, 8, 0>(out, v, word);
    if constexpr (S == Steim::One) {
        if (code == 2)
            return Run<16, 16, 0>(out, v, word);
        v += word;
        out[0] = static_cast<std::int32_t>(v);
        return 1;
    } else {
        const std::uint32_t top = word >> 30;
        if (code == 2) {
            if (top == 2)
                return Run<15, 15, 0>(out, v, word);
            if (top == 3)
                return Run<10, 20, 10, 0>(out, v, word);
            if (top == 1)
                return Run<30, 0>(out, v, word);
            return 0;
        }
        if (top == 0)
            return Run<6, 24, 18, 12, 6, 0>(out, v, word);
        if (top == 1)
            return Run<5, 25, 20, 15, 10, 5, 0>(out, v, word);
        if (top == 2)
            return Run<4, 24, 20, 16, 12, 8, 4, 0>(out, v, word);
        return 0;
    }
}

// The running value is unsigned: the format's integration wraps modulo 2^32.
template <Steim S, bool Swap>
int DecodeSteimWords(std::int32_t* samples, const std::uint8_t* data, int frameCount,
                     int sampleCount)
{
    const std::uint32_t x0 = SteimWord<Swap>(data + 4);
    std::uint32_t v = 0;
    int n = 0;
    for (int f = 0; f < frameCount; ++f) {
        const std::uint8_t* frame = data + kSteimFrameSize * f;
        const std::uint32_t codes = SteimWord<Swap>(frame);
        for (int k = 1; k < 16; ++k) {
            const unsigned code = (codes >> (30 - 2 * k)) & 3u;
            if (code == 0)
                continue;
            const std::uint32_t word = SteimWord<Swap>(frame + 4 * k);
            // Strictly more room than a word needs: the loop below checks for the count only
            // after a sample, so the straight-line blocks must never reach it.
            if (sampleCount - n > kMaxPerWord<S> && (f != 0 || k != 3)) {
                n += WholeWord<S>(samples + n, v, word, code);
                continue;
            }
            // The word that carries X0 and the last few samples: one difference at a time.
            std::uint32_t d[7];
            const int count = Differences<S>(word, code, d);
            for (int i = 0; i < count; ++i) {
                if (f == 0 && k == 3 && i == 0)
                    v = x0;
                else
                    v += d[i];
                samples[n] = static_cast<std::int32_t>(v);
                if (++n == sampleCount)
                    return n;
            }
        }
    }
    return n;
}

} // namespace

int DecodeSteimScalar(SteimFormat format, bool swap, std::int32_t* samples,
                      const std::uint8_t* data, int frameCount, int count)
{
    if (format == SteimFormat::One)
        return swap ? DecodeSteimWords<Steim::One, true>(samples, data, frameCount, count)
                    : DecodeSteimWords<Steim::One, false>(samples, data, frameCount, count);
    return swap ? DecodeSteimWords<Steim::Two, true>(samples, data, frameCount, count)
                : DecodeSteimWords<Steim::Two, false>(samples, data, frameCount, count);
}
