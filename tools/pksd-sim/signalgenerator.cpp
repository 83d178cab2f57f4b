#include "signalgenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTidePeriodSeconds = 44714.0; // the principal lunar semi-diurnal tide
constexpr double kMicroseismHz = 0.17;
constexpr double kLimit = 30000.0; // fits the 16-bit format
constexpr double kMeanEventGapSeconds = 45.0;

} // namespace

SignalGenerator::SignalGenerator(std::uint64_t seed, std::uint16_t unit, std::uint16_t stream,
                                 std::uint16_t channel, double rate)
    : rate_(rate), noise_(MixSeed(MixSeed(MixSeed(seed, unit), stream), channel + 1000U)),
      events_(MixSeed(MixSeed(seed, unit), 77))
{
    SimRandom setup(MixSeed(noise_.NextBits(), 5));
    channelGain_ = 0.5 + setup.Uniform();
    microPhase_ = 2.0 * std::numbers::pi * setup.Uniform();
    tidePhase_ = 2.0 * std::numbers::pi * setup.Uniform();
    offset_ = 400.0 * (setup.Uniform() - 0.5);
    ScheduleEvent();
}

void SignalGenerator::ScheduleEvent()
{
    const double gap = 5.0 - kMeanEventGapSeconds * std::log(1.0 - events_.Uniform());
    eventStart_ = index_ + static_cast<std::int64_t>(gap * rate_) + 1;
    eventAmplitude_ = 2000.0 + 14000.0 * events_.Uniform();
    eventFrequency_ = std::min(1.5 + 5.0 * events_.Uniform(), 0.4 * rate_);
    eventDecay_ = 2.0 + 6.0 * events_.Uniform();
}

std::int32_t SignalGenerator::Next()
{
    const double t = static_cast<double>(index_) / rate_;
    // First-order low-pass of white noise: a softer background than white noise.
    noiseState_ = 0.7 * noiseState_ + 0.3 * 60.0 * noise_.Gaussian();
    double value = offset_ + noiseState_;
    value +=
        150.0 * channelGain_ * std::sin(2.0 * std::numbers::pi * kMicroseismHz * t + microPhase_);
    value += 2500.0 * std::sin(2.0 * std::numbers::pi * t / kTidePeriodSeconds + tidePhase_);

    if (index_ >= eventStart_) {
        const double age = static_cast<double>(index_ - eventStart_) / rate_;
        const double envelope = (1.0 - std::exp(-age * 4.0)) * std::exp(-age / eventDecay_);
        value += channelGain_ * eventAmplitude_ * envelope *
                 std::sin(2.0 * std::numbers::pi * eventFrequency_ * age);
        if (age > 6.0 * eventDecay_)
            ScheduleEvent();
    }
    ++index_;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, -kLimit, kLimit)));
}
