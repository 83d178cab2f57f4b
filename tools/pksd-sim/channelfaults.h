#pragma once

#include <QString>

#include <cstdint>
#include <limits>
#include <vector>

// Faults in the data itself, of a whole unit or of one channel: what a dead, stuck, clipped or
// mistimed recorder, or a lossy link, sends.

// Stream and channel count from 0 here; in option values they count from 1.
struct ChannelTarget
{
    std::uint16_t Unit = 0;
    int Stream = -1; // -1: every stream and channel of the unit
    int Channel = -1;

    bool Covers(std::uint16_t unit, int stream, int channel) const
    {
        return unit == Unit && (Stream < 0 || (stream == Stream && channel == Channel));
    }
};

inline constexpr double kNeverResumes = std::numeric_limits<double>::infinity();

struct StopFault
{
    ChannelTarget Target;
    double AfterSeconds = 0.0; // of data, from the first sample
    double ForSeconds = kNeverResumes;
};

struct ConstantFault
{
    ChannelTarget Target;
    std::int32_t Value = 0;
};

struct ShiftFault
{
    std::uint16_t Unit = 0;
    double Seconds = 0.0; // added to the packet times; negative: behind the clock
};

struct DropFault
{
    ChannelTarget Target;
    int Every = 0;
};

struct DataFaults
{
    std::vector<StopFault> Stops;
    std::vector<ConstantFault> Constants;
    std::vector<ChannelTarget> Clips;
    std::vector<ShiftFault> Shifts;
    std::vector<DropFault> Drops;

    bool Any() const
    {
        return !Stops.empty() || !Constants.empty() || !Clips.empty() || !Shifts.empty() ||
               !Drops.empty();
    }
};

// What a target may name.
struct UnitLayout
{
    const std::vector<std::uint16_t>& Units;
    int Streams = 1;
    int Channels = 1;
};

// Each adds the fault of one option value ("9A3C/1/2,30,60" and the like); false when the value
// is malformed or names a unit, stream or channel that is not simulated.
bool AddStopFault(const QString& text, const UnitLayout& layout, DataFaults& faults);
bool AddConstantFault(const QString& text, const UnitLayout& layout, DataFaults& faults);
bool AddClipFault(const QString& text, const UnitLayout& layout, DataFaults& faults);
bool AddShiftFault(const QString& text, const UnitLayout& layout, DataFaults& faults);
bool AddDropFault(const QString& text, const UnitLayout& layout, DataFaults& faults);

// A 24-bit converter's full scale; the 16-bit format's own.
inline constexpr std::int32_t kFullScale24 = (1 << 23) - 1;
inline constexpr std::int32_t kFullScale16 = 32767;

// Where one channel's data goes wrong. A later option for the same channel wins, but stops add up.
struct ChannelFaultPlan
{
    struct Pause
    {
        std::int64_t From = 0; // sample indexes; To is the first sample sent again
        std::int64_t To = 0;
    };

    bool Constant = false;
    std::int32_t ConstantValue = 0;
    bool Clip = false;
    std::int64_t ShiftMs = 0;
    std::vector<Pause> Pauses; // by From
    int DropEvery = 0;

    // The generator's value turned into what the faulty sensor gives at sample index.
    std::int32_t Shape(std::int32_t value, std::int64_t index, double rate,
                       std::int32_t fullScale) const;
};

inline constexpr std::int64_t kNoResume = std::numeric_limits<std::int64_t>::max();

std::int64_t UnitShiftMs(const DataFaults& faults, std::uint16_t unit);

ChannelFaultPlan PlanChannelFaults(const DataFaults& faults, double rate, std::uint16_t unit,
                                   int stream, int channel);

// "9A3C" or "9A3C/1/2", as the options write it.
QString ChannelName(std::uint16_t unit, int stream = -1, int channel = -1);
