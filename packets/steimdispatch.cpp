#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/steimkernels.h"
#include "packets/steimpath.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

bool CpuRuns(SteimPath path)
{
#ifdef TREMVUE_STEIM_X86
    __builtin_cpu_init();
    if (path == SteimPath::Sse41)
        return __builtin_cpu_supports("sse4.1");
    if (path == SteimPath::Avx2)
        return __builtin_cpu_supports("avx2");
#endif
    return path == SteimPath::Scalar;
}

} // namespace

bool SteimPathAvailable(SteimPath path)
{
    static const std::array<bool, 3> available = {
        CpuRuns(SteimPath::Scalar), CpuRuns(SteimPath::Sse41), CpuRuns(SteimPath::Avx2)};
    return available[static_cast<std::size_t>(path)];
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
#ifdef TREMVUE_STEIM_X86
    if (path == SteimPath::Avx2 && SteimPathAvailable(path))
        return DecodeSteimAvx2(format, swap, samples.data(), frames.data(), frameCount, count);
    if (path == SteimPath::Sse41 && SteimPathAvailable(path))
        return DecodeSteimSse41(format, swap, samples.data(), frames.data(), frameCount, count);
#endif
    return DecodeSteimScalar(format, swap, samples.data(), frames.data(), frameCount, count);
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
