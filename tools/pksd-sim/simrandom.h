#pragma once

#include <cstdint>

// A small generator whose sequence is the same on every platform, so a seed reproduces a run.
class SimRandom
{
public:
    explicit SimRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t NextBits();
    double Uniform();  // [0, 1)
    double Gaussian(); // mean 0, deviation 1
    int Below(int n);  // [0, n)

private:
    std::uint64_t state_;
    double spare_ = 0.0;
    bool hasSpare_ = false;
};

// Mixes values into one seed.
std::uint64_t MixSeed(std::uint64_t a, std::uint64_t b);
