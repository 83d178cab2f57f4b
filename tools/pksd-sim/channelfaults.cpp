#include "channelfaults.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kMaxSeconds = 1.0e7;
constexpr long long kMaxEvery = 1000000000;

// Full scale is reached for about a quarter of each cycle at either sign, so a run holds
// dozens of samples at 100 samples per second and still several at the lowest rates.
constexpr double kClipCycleSeconds = 4.0;
constexpr double kClipMinCycleSamples = 16.0;
constexpr double kClipOverdrive = 1.5;

bool ParseTarget(const QString& text, const UnitLayout& layout, bool unitOnly,
                 ChannelTarget& target)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 1 && (unitOnly || parts.size() != 3))
        return false;
    bool ok = false;
    const uint unit = parts[0].toUInt(&ok, 16);
    if (!ok || unit > 0xFFFF ||
        std::find(layout.Units.begin(), layout.Units.end(), unit) == layout.Units.end())
        return false;
    target = ChannelTarget{static_cast<std::uint16_t>(unit), -1, -1};
    if (parts.size() == 1)
        return true;
    bool streamOk = false;
    bool channelOk = false;
    const int stream = parts[1].toInt(&streamOk);
    const int channel = parts[2].toInt(&channelOk);
    if (!streamOk || !channelOk || stream < 1 || stream > layout.Streams || channel < 1 ||
        channel > layout.Channels)
        return false;
    target.Stream = stream - 1;
    target.Channel = channel - 1;
    return true;
}

bool ParseWhole(const QString& text, long long low, long long high, int& value)
{
    bool ok = false;
    const long long v = text.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseSeconds(const QString& text, double low, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value >= low && value <= kMaxSeconds;
}

// The target and the numbers after it: at least least of them, at most most.
bool Split(const QString& text, const UnitLayout& layout, bool unitOnly, qsizetype least,
           qsizetype most, ChannelTarget& target, QStringList& numbers)
{
    numbers = text.split(QLatin1Char(','));
    return numbers.size() >= least + 1 && numbers.size() <= most + 1 &&
           ParseTarget(numbers.takeFirst(), layout, unitOnly, target);
}

} // namespace

bool AddStopFault(const QString& text, const UnitLayout& layout, DataFaults& faults)
{
    StopFault fault;
    QStringList numbers;
    if (!Split(text, layout, false, 1, 2, fault.Target, numbers) ||
        !ParseSeconds(numbers[0], 0.0, fault.AfterSeconds))
        return false;
    if (numbers.size() == 2 &&
        (!ParseSeconds(numbers[1], 0.0, fault.ForSeconds) || fault.ForSeconds <= 0.0))
        return false;
    faults.Stops.push_back(fault);
    return true;
}

bool AddConstantFault(const QString& text, const UnitLayout& layout, DataFaults& faults)
{
    ConstantFault fault;
    QStringList numbers;
    if (!Split(text, layout, false, 1, 1, fault.Target, numbers) ||
        !ParseWhole(numbers[0], -kFullScale24, kFullScale24, fault.Value))
        return false;
    faults.Constants.push_back(fault);
    return true;
}

bool AddClipFault(const QString& text, const UnitLayout& layout, DataFaults& faults)
{
    ChannelTarget target;
    if (!ParseTarget(text, layout, false, target))
        return false;
    faults.Clips.push_back(target);
    return true;
}

bool AddShiftFault(const QString& text, const UnitLayout& layout, DataFaults& faults)
{
    ChannelTarget target;
    QStringList numbers;
    ShiftFault fault;
    if (!Split(text, layout, true, 1, 1, target, numbers) ||
        !ParseSeconds(numbers[0], -kMaxSeconds, fault.Seconds))
        return false;
    fault.Unit = target.Unit;
    faults.Shifts.push_back(fault);
    return true;
}

bool AddDropFault(const QString& text, const UnitLayout& layout, DataFaults& faults)
{
    DropFault fault;
    QStringList numbers;
    // Dropping every packet is a stop, and would leave nothing to send.
    if (!Split(text, layout, false, 1, 1, fault.Target, numbers) ||
        !ParseWhole(numbers[0], 2, kMaxEvery, fault.Every))
        return false;
    faults.Drops.push_back(fault);
    return true;
}

std::int32_t ChannelFaultPlan::Shape(std::int32_t value, std::int64_t index, double rate,
                                     std::int32_t fullScale) const
{
    if (Constant)
        return ConstantValue;
    if (!Clip)
        return value;
    const double cycle = std::max(kClipCycleSeconds * rate, kClipMinCycleSamples);
    const double phase =
        2.0 * std::numbers::pi * std::fmod(static_cast<double>(index), cycle) / cycle;
    const double driven = value + kClipOverdrive * fullScale * std::sin(phase);
    return static_cast<std::int32_t>(
        std::lround(std::clamp(driven, -double(fullScale), double(fullScale))));
}

std::int64_t UnitShiftMs(const DataFaults& faults, std::uint16_t unit)
{
    std::int64_t ms = 0;
    for (const ShiftFault& shift : faults.Shifts) {
        if (shift.Unit == unit)
            ms = std::llround(shift.Seconds * 1000.0);
    }
    return ms;
}

ChannelFaultPlan PlanChannelFaults(const DataFaults& faults, double rate, std::uint16_t unit,
                                   int stream, int channel)
{
    ChannelFaultPlan plan;
    auto firstIndex = [rate](double seconds) {
        return std::isinf(seconds) ? kNoResume
                                   : static_cast<std::int64_t>(std::ceil(seconds * rate - 1e-9));
    };
    for (const StopFault& stop : faults.Stops) {
        if (stop.Target.Covers(unit, stream, channel))
            plan.Pauses.push_back(
                {firstIndex(stop.AfterSeconds), firstIndex(stop.AfterSeconds + stop.ForSeconds)});
    }
    std::sort(plan.Pauses.begin(), plan.Pauses.end(),
              [](const auto& a, const auto& b) { return a.From < b.From; });
    for (const ConstantFault& constant : faults.Constants) {
        if (constant.Target.Covers(unit, stream, channel)) {
            plan.Constant = true;
            plan.ConstantValue = constant.Value;
        }
    }
    for (const ChannelTarget& clip : faults.Clips)
        plan.Clip = plan.Clip || clip.Covers(unit, stream, channel);
    plan.ShiftMs = UnitShiftMs(faults, unit);
    for (const DropFault& drop : faults.Drops) {
        if (drop.Target.Covers(unit, stream, channel))
            plan.DropEvery = drop.Every;
    }
    return plan;
}

QString ChannelName(std::uint16_t unit, int stream, int channel)
{
    QString name = QStringLiteral("%1").arg(unit, 4, 16, QLatin1Char('0')).toUpper();
    if (stream >= 0)
        name += QStringLiteral("/%1/%2").arg(stream + 1).arg(channel + 1);
    return name;
}
