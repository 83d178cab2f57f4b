#include "simulatedsource.h"

#include "epochtime.h"
#include "simunits.h"

#include <algorithm>
#include <cmath>

namespace {

// Enough samples ahead for the fullest Steim-2 packet.
constexpr std::size_t kLookahead = 1600;

QByteArray ToByteArray(const PacketBytes& packet)
{
    return QByteArray(reinterpret_cast<const char*>(packet.data()),
                      static_cast<qsizetype>(packet.size()));
}

} // namespace

SimulatedSource::SimulatedSource(const SimOptions& options, std::int64_t startMs)
    : options_(options), startMs_(startMs)
{
    const DayTime start = DayTimeFromEpochMs(startMs);
    PacketBytes packet{};
    for (int u = 0; u < static_cast<int>(options.Units.size()); ++u) {
        const std::uint16_t unit = options.Units[static_cast<std::size_t>(u)];
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
                            0});
            }
        }
    }
    for (Channel& channel : channels_)
        Prepare(channel);
}

std::int64_t SimulatedSource::SampleTimeMs(std::int64_t index) const
{
    return startMs_ + std::llround(static_cast<double>(index) * 1000.0 / options_.Rate);
}

void SimulatedSource::Prepare(Channel& channel)
{
    while (channel.Pending.size() < kLookahead)
        channel.Pending.push_back(channel.Generator.Next());
    std::size_t offered = channel.Pending.size();
    if (options_.MaxSamples > 0)
        offered = std::min(offered, static_cast<std::size_t>(options_.MaxSamples));

    channel.Fields.Header.Time = DayTimeFromEpochMs(SampleTimeMs(channel.FirstPendingIndex));
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
        packet.DueMs = startMs_;
        headers_.pop_front();
        return true;
    }
    if (channels_.empty())
        return false;
    auto earliest =
        std::min_element(channels_.begin(), channels_.end(),
                         [](const Channel& a, const Channel& b) { return a.EndMs < b.EndMs; });
    packet.Payload = ToByteArray(earliest->Packet);
    packet.DueMs = earliest->EndMs;
    earliest->Fields.Header.Sequence =
        static_cast<std::uint16_t>((earliest->Fields.Header.Sequence + 1) % 10000);
    Prepare(*earliest);
    return true;
}
