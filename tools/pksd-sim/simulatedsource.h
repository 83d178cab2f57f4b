#pragma once

#include "channelfaults.h"
#include "packetsource.h"
#include "signalgenerator.h"
#include "simoptions.h"

#include "packets/packetwriter.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

// The simulated units: one event header per bank of each stream, then data packets of every
// channel in the order of the time after their last sample, which is when a recorder could
// have sent them. The data faults of the options shape the samples, the times and what is sent.
class SimulatedSource : public PacketSource
{
public:
    using FaultLog = std::function<void(const QString&)>;

    // The data starts at startMs; each packet is due clockOffsetMs after the time after its last
    // sample. Each data fault is told to log as it happens.
    SimulatedSource(const SimOptions& options, std::int64_t startMs, std::int64_t clockOffsetMs = 0,
                    FaultLog log = {});

    bool Next(OutgoingPacket& packet) override;

private:
    struct Channel
    {
        int UnitIndex = 0;
        DtFields Fields;
        SignalGenerator Generator;
        std::vector<std::int32_t> Pending; // generated, not yet sent
        std::int64_t FirstPendingIndex = 0;
        PacketBytes Packet{};
        std::int64_t EndMs = 0;
        ChannelFaultPlan Faults;
        std::int64_t Made = 0; // data packets, with the dropped ones
        bool Stopped = false;  // for good
    };

    void Prepare(Channel& channel);
    // Steps over a pause that starts at the channel's next sample; false when it never ends.
    bool SkipPauses(Channel& channel);
    // "fault KIND 9A3C/1/2 DETAIL".
    void LogFault(const char* kind, const Channel& channel, const QString& detail = {}) const;
    std::int64_t SampleTimeMs(std::int64_t index) const;

    SimOptions options_;
    std::int64_t startMs_;
    std::int64_t clockOffsetMs_;
    FaultLog log_;
    std::deque<QByteArray> headers_;
    std::vector<Channel> channels_;
};
