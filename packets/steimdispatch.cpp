#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/steimkernels.h"
#include "packets/steimpath.h"

#include <algorithm>
#include <cstddef>

namespace {

#ifdef TREMVUE_STEIM_X86
bool CpuHasSse41()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.1");
}

bool CpuHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

} // namespace

bool SteimPathAvailable(SteimPath path)
{
    switch (path) {
    case SteimPath::Scalar:
        return true;
#ifdef TREMVUE_STEIM_X86
    case SteimPath::Sse41: {
        static const bool available = CpuHasSse41();
        return available;
    }
    case SteimPath::Avx2: {
        static const bool available = CpuHasAvx2();
        return available;
    }
#endif
    default:
        return false;
    }
}

SteimPath BestSteimPath()
{
    static const SteimPath best = SteimPathAvailable(SteimPath::Avx2)    ? SteimPath::Avx2
                                  : SteimPathAvailable(SteimPath::Sse41) ? SteimPath::Sse41
                                                                         : SteimPath::Scalar;
    return best;
}

int DecodeSteimOn(SteimPath path, SteimFormat format, std::span<std::int32_t> samples,
                  std::span<const std::uint8_t> frames, int sampleCount)
{
    const int frameCount =
        static_cast<int>(std::min<std::size_t>(frames.size() / kSteimFrameSize, kSteimFrames));
    // The decoders stop at the count, so it must not exceed the room.
    const int count = static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(std::max(sampleCount, 0)), samples.size()));
    if (count == 0 || frameCount == 0)
        return 0;
    const bool swap = ByteSwapEnabled();
    switch (SteimPathAvailable(path) ? path : SteimPath::Scalar) {
#ifdef TREMVUE_STEIM_X86
    case SteimPath::Avx2:
        return DecodeSteimAvx2(format, swap, samples.data(), frames.data(), frameCount, count);
    case SteimPath::Sse41:
        return DecodeSteimSse41(format, swap, samples.data(), frames.data(), frameCount, count);
#endif
    default:
        return DecodeSteimScalar(format, swap, samples.data(), frames.data(), frameCount, count);
    }
}

int DecodeSteim1(std::span<std::int32_t> samples, std::span<const std::uint8_t> frames,
                 int sampleCount)
{
    return DecodeSteimOn(BestSteimPath(), SteimFormat::One, samples, frames, sampleCount);
}

int DecodeSteim2(std::span<std::int32_t> samples, std::span<const std::uint8_t> frames,
                 int sampleCount)
{
    return DecodeSteimOn(BestSteimPath(), SteimFormat::Two, samples, frames, sampleCount);
}
