// Every vector Steim path against the scalar one on arbitrary frames: the same count and the
// same output buffer, including the canary past the samples written.
//
// Input: byte 0 bit 0 Steim-2, bit 1 words read unswapped (as on a big-endian host); bytes 1-2
// the sample count; bytes 3-4 the room for samples; the rest the frames, of any length.
#include "fuzz/fuzzcheck.h"
#include "packets/byteorder.h"
#include "packets/steimpath.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kParameterBytes = 5;
constexpr std::int32_t kCanary = 0x5A5A5A5A;

std::vector<std::int32_t> Decode(SteimPath path, SteimFormat format, std::size_t room,
                                 const std::vector<std::uint8_t>& frames, int count, int& written)
{
    // Exactly the room on the heap, so a write past it is caught.
    std::vector<std::int32_t> samples(room, kCanary);
    written = DecodeSteimOn(path, format, samples, frames, count);
    return samples;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kParameterBytes)
        return 0;
    const SteimFormat format = (data[0] & 1) ? SteimFormat::Two : SteimFormat::One;
    SetByteSwap((data[0] & 2) == 0);
    // From a few negative counts to past the most samples 15 frames hold.
    const int count = ((data[1] << 8) | data[2]) % 2048 - 16;
    const auto room = static_cast<std::size_t>(((data[3] << 8) | data[4]) % 2048);
    // Exactly the frames on the heap, so a read past them is caught.
    const std::vector<std::uint8_t> frames(data + kParameterBytes, data + size);

    int n = 0;
    const std::vector<std::int32_t> scalar =
        Decode(SteimPath::Scalar, format, room, frames, count, n);
    FUZZ_CHECK(n >= 0 && n <= std::max(count, 0) && static_cast<std::size_t>(n) <= room);
    FUZZ_CHECK(
        std::all_of(scalar.begin() + n, scalar.end(), [](std::int32_t s) { return s == kCanary; }));
    for (SteimPath path : {SteimPath::Sse41, SteimPath::Avx2}) {
        if (!SteimPathAvailable(path))
            continue;
        int m = 0;
        const std::vector<std::int32_t> other = Decode(path, format, room, frames, count, m);
        FUZZ_CHECK(m == n);
        FUZZ_CHECK(other == scalar);
    }
    return 0;
}
