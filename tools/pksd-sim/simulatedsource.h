#pragma once

#include "packetsource.h"
#include "signalgenerator.h"
#include "simoptions.h"

#include "packets/packetwriter.h"

#include <deque>
#include <vector>

// The simulated units: one event header per bank of each stream, then data packets of every
// channel in the order of the time after their last sample, which is when a recorder could
// have sent them.
class SimulatedSource : public PacketSource
{
public:
    SimulatedSource(const SimOptions& options, std::int64_t startMs);

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
    };

    void Prepare(Channel& channel);
    std::int64_t SampleTimeMs(std::int64_t index) const;

    SimOptions options_;
    std::int64_t startMs_;
    std::deque<QByteArray> headers_;
    std::vector<Channel> channels_;
};
