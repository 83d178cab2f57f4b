#include "simulatedsource.h"

#include "epochtime.h"
#include "simunits.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Enough samples ahead for the fullest Steim-2 packet.
constexpr std::size_t kLookahead = 1600;

QByteArray ToByteArray(const PacketBytes& packet)
{
    return QByteArray(reinterpret_cast<const char*>(packet.data()),
                      static_cast<qsizetype>(packet.size()));
}

std::int32_t FullScale(SampleFormat format)
{
    return format == FormatInt16 ? kFullScale16 : kFullScale24;
}

QString SecondsText(double seconds)
{
    return QString::number(seconds, 'g', 12) + QStringLiteral(" s");
}

} // namespace

SimulatedSource::SimulatedSource(const SimOptions& options, std::int64_t startMs,
                                 std::int64_t clockOffsetMs, FaultLog log)
    : options_(options), startMs_(startMs), clockOffsetMs_(clockOffsetMs), log_(std::move(log))
{
    PacketBytes packet{};
    for (int u = 0; u < static_cast<int>(options.Units.size()); ++u) {
        const std::uint16_t unit = options.Units[static_cast<std::size_t>(u)];
        const std::int64_t shiftMs = UnitShiftMs(options.Data, unit);
        if (shiftMs != 0 && log_)
            log_(QStringLiteral("fault shift %1 %2")
                     .arg(ChannelName(unit), SecondsText(static_cast<double>(shiftMs) / 1000.0)));
        const DayTime start = DayTimeFromEpochMs(startMs + shiftMs);
        for (int s = 0; s < options.Streams; ++s) {
            for (int bank = 0; bank < BankCount(options.Channels); ++bank) {
                WriteEventHeader(packet, MakeEventHeader(options, u, s, bank, start));
                headers_.push_back(ToByteArray(packet));
            }
            for (int c = 0; c < options.Channels; ++c) {
                DtFields fields;
                fields.Header.Experiment = static_cast<std::uint16_t>(options.Experiment);
                fields.Header.DasId = unit;
                fields.Stream = static_cast<std::uint16_t>(s);
                fields.Channel = static_cast<std::uint16_t>(c);
                fields.Format = ChannelFormat(options.Format, u, c);
                channels_.push_back(
                    Channel{u,
                            fields,
                            SignalGenerator(options.Seed, unit, static_cast<std::uint16_t>(s),
                                            static_cast<std::uint16_t>(c), options.Rate),
                            {},
                            0,
                            {},
                            0,
                            PlanChannelFaults(options.Data, options.Rate, unit, s, c),
                            0,
                            false});
                const Channel& made = channels_.back();
                if (made.Faults.Constant)
                    LogFault("constant", made, QString::number(made.Faults.ConstantValue));
                else if (made.Faults.Clip)
                    LogFault("clip", made);
            }
        }
    }
    for (Channel& channel : channels_)
        Prepare(channel);
}

void SimulatedSource::LogFault(const char* kind, const Channel& channel,
                               const QString& detail) const
{
    if (!log_)
        return;
    QString line =
        QStringLiteral("fault ") + QLatin1String(kind) + QLatin1Char(' ') +
        ChannelName(channel.Fields.Header.DasId, channel.Fields.Stream, channel.Fields.Channel);
    if (!detail.isEmpty())
        line += QLatin1Char(' ') + detail;
    log_(line);
}

bool SimulatedSource::SkipPauses(Channel& channel)
{
    // By their starts, so a pause reached by the end of another is seen after it.
    for (const ChannelFaultPlan::Pause& pause : channel.Faults.Pauses) {
        if (channel.FirstPendingIndex < pause.From || channel.FirstPendingIndex >= pause.To)
            continue;
        if (pause.To == kNoResume) {
            LogFault("stop", channel);
            return false;
        }
        const std::int64_t spanMs =
            SampleTimeMs(pause.To) - SampleTimeMs(channel.FirstPendingIndex);
        LogFault("stop", channel, QStringLiteral("for ") + SecondsText(spanMs / 1000.0));
        channel.FirstPendingIndex = pause.To;
        channel.Pending.clear();
    }
    return true;
}

std::int64_t SimulatedSource::SampleTimeMs(std::int64_t index) const
{
    return startMs_ + std::llround(static_cast<double>(index) * 1000.0 / options_.Rate);
}

void SimulatedSource::Prepare(Channel& channel)
{
    if (!SkipPauses(channel)) {
        channel.Stopped = true;
        channel.EndMs = std::numeric_limits<std::int64_t>::max();
        return;
    }
    const std::int32_t fullScale = FullScale(channel.Fields.Format);
    while (channel.Pending.size() < kLookahead) {
        const auto index =
            channel.FirstPendingIndex + static_cast<std::int64_t>(channel.Pending.size());
        channel.Pending.push_back(
            channel.Faults.Shape(channel.Generator.Next(), index, options_.Rate, fullScale));
    }
    std::size_t offered = channel.Pending.size();
    if (options_.MaxSamples > 0)
        offered = std::min(offered, static_cast<std::size_t>(options_.MaxSamples));
    // The data stops exactly where a pause begins.
    for (const ChannelFaultPlan::Pause& pause : channel.Faults.Pauses) {
        if (pause.From > channel.FirstPendingIndex) {
            offered =
                std::min(offered, static_cast<std::size_t>(pause.From - channel.FirstPendingIndex));
            break;
        }
    }

    channel.Fields.Header.Time =
        DayTimeFromEpochMs(SampleTimeMs(channel.FirstPendingIndex) + channel.Faults.ShiftMs);
    const int taken = WriteDtPacket(channel.Packet, channel.Fields,
                                    std::span<const std::int32_t>(channel.Pending.data(), offered));
    // Simulated samples stay far inside every format's range, so the writer always takes some.
    const std::size_t used = static_cast<std::size_t>(std::max(taken, 1));
    channel.Pending.erase(channel.Pending.begin(),
                          channel.Pending.begin() + static_cast<std::ptrdiff_t>(used));
    channel.FirstPendingIndex += static_cast<std::int64_t>(used);
    channel.EndMs = SampleTimeMs(channel.FirstPendingIndex);
}

bool SimulatedSource::Next(OutgoingPacket& packet)
{
    packet.FrameType = kDataFrameType;
    if (!headers_.empty()) {
        packet.Payload = headers_.front();
        packet.DueMs = startMs_ + clockOffsetMs_;
        headers_.pop_front();
        return true;
    }
    for (;;) {
        if (channels_.empty())
            return false;
        auto earliest =
            std::min_element(channels_.begin(), channels_.end(),
                             [](const Channel& a, const Channel& b) { return a.EndMs < b.EndMs; });
        if (earliest->Stopped)
            return false; // every channel has stopped for good
        const int every = earliest->Faults.DropEvery;
        const bool dropped = every > 0 && ++earliest->Made % every == 0;
        if (dropped) {
            LogFault("drop", *earliest,
                     QStringLiteral("sequence %1").arg(earliest->Fields.Header.Sequence));
        } else {
            packet.Payload = ToByteArray(earliest->Packet);
            packet.DueMs = earliest->EndMs + clockOffsetMs_;
        }
        earliest->Fields.Header.Sequence =
            static_cast<std::uint16_t>((earliest->Fields.Header.Sequence + 1) % 10000);
        Prepare(*earliest);
        if (!dropped)
            return true;
    }
}
