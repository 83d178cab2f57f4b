#pragma once

#include "simrandom.h"

#include <cstdint>

// Ground motion of one simulated channel, in counts: coloured background noise, a microseism,
// a slow tidal drift and now and then a decaying burst. The bursts of one unit start at the same
// samples on all its channels. The sequence depends only on the constructor's arguments.
class SignalGenerator
{
public:
    SignalGenerator(std::uint64_t seed, std::uint16_t unit, std::uint16_t stream,
                    std::uint16_t channel, double rate);

    std::int32_t Next();

private:
    void ScheduleEvent();

    double rate_;
    SimRandom noise_;
    SimRandom events_;
    std::int64_t index_ = 0;
    double noiseState_ = 0.0;
    double channelGain_;
    double microPhase_;
    double tidePhase_;
    double offset_;
    std::int64_t eventStart_ = 0;
    double eventAmplitude_ = 0.0;
    double eventFrequency_ = 1.0;
    double eventDecay_ = 1.0;
};
