#include "simrandom.h"

#include <cmath>
#include <numbers>

std::uint64_t SimRandom::NextBits()
{
    // SplitMix64.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double SimRandom::Uniform()
{
    return static_cast<double>(NextBits() >> 11) * 0x1.0p-53;
}

double SimRandom::Gaussian()
{
    if (hasSpare_) {
        hasSpare_ = false;
        return spare_;
    }
    const double u = 1.0 - Uniform(); // (0, 1], keeps the logarithm finite
    const double v = Uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    spare_ = r * std::sin(2.0 * std::numbers::pi * v);
    hasSpare_ = true;
    return r * std::cos(2.0 * std::numbers::pi * v);
}

int SimRandom::Below(int n)
{
    return n <= 0 ? 0 : static_cast<int>(NextBits() % static_cast<std::uint64_t>(n));
}

std::uint64_t MixSeed(std::uint64_t a, std::uint64_t b)
{
    SimRandom r(a ^ (b * 0xD1B54A32D192ED03ULL));
    return r.NextBits();
}
