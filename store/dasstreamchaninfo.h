#pragma once

#include "packets/daytime.h"
#include "store/channelhealth.h"
#include "store/rgb.h"

#include <QString>

#include <cstdint>

inline constexpr int kMaxNameLength = 15;
inline constexpr int kMaxUnitCodeLength = 7;

// One catalogue entry per (unit, stream, channel): persistent settings, measured rate, latest
// packet times and the trace plot's working values.
struct DasStreamChanInfo
{
    std::uint16_t DasId = 0;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    std::int32_t Active = 0;
    std::int32_t DisplayIndex = 0;
    double SampleRate = 0.0;
    double MeasuredRate = 0.0;
    QString Name;
    DayTime AxisTime;
    DayTime LastEndTime;
    DayTime LastStartTime;
    std::int32_t PrevSampleCount = 0;
    std::int32_t SampleCount = 0;
    std::int32_t MinCount = 0;
    std::int32_t MaxCount = 0;
    std::int32_t RangeCount = 0;
    std::int64_t RangeSpan = 0; // RangeCount before it is held to 32 bits, for the label
    std::int32_t MeanCount = 0;
    double Mean = 0.0;
    double BitWeight = 0.0;
    double VoltsPerUnit = 0.0;
    QString UnitCode;
    std::int32_t ScaleLow = 0;
    std::int32_t ScaleHigh = 0;
    bool ScaleSet = false; // ScaleLow and ScaleHigh were computed from data
    Rgb TraceColor;
    ChannelHealth Health;
};

// The rate the channel is sorted, listed, drawn and exported by: the event header's (or the
// store's) when positive, else the measured one when positive, else 0 for no known rate.
inline double EffectiveRate(const DasStreamChanInfo& e)
{
    if (e.SampleRate > 0.0)
        return e.SampleRate;
    return e.MeasuredRate > 0.0 ? e.MeasuredRate : 0.0;
}
