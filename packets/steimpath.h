#pragma once

#include <cstdint>
#include <span>

enum class SteimFormat
{
    One,
    Two
};

// The ways to decode Steim frames. Every path gives the same samples; the vector ones need the
// CPU's instructions for them, the scalar one runs everywhere.
enum class SteimPath
{
    Scalar,
    Sse41,
    Avx2
};

bool SteimPathAvailable(SteimPath path);

// The fastest path this CPU runs, chosen once; DecodeSteim1 and DecodeSteim2 decode on it.
SteimPath BestSteimPath();

// DecodeSteim1 or DecodeSteim2 on the given path, for comparing the paths. A path this CPU does
// not run falls back to the scalar one.
int DecodeSteimOn(SteimPath path, SteimFormat format, std::span<std::int32_t> samples,
                  std::span<const std::uint8_t> frames, int sampleCount);
