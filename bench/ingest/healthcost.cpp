#include "bench/ingest/healthcost.h"

#include "bench/ingest/besttime.h"
#include "bench/ingest/cputime.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/healthboard.h"
#include "store/packetring.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int kRingSlots = 1000;
constexpr int kRounds = 3; // on and off alternate, so a busy machine weighs on both alike
constexpr int kJudgements = 200;

double IngestNs(const std::vector<QByteArray>& payloads, bool health)
{
    PacketStore store;
    store.NringBuffer = kRingSlots;
    store.KeepSel = 0;
    if (!AllocateRing(store))
        return 0.0;
    ChannelCatalogue cat;
    cat.Health.Enabled = health;
    StatusLine status;
    return BestNsPerPacket(payloads, [&](std::span<const std::uint8_t> p) {
        IngestDtPacket(store, cat, nullptr, p, status);
    });
}

// n channels of 100 samples per second, each with a packet, half of them drawn.
double JudgeUs(int n)
{
    ChannelCatalogue cat;
    auto packet = std::make_unique<DtPacket>();
    packet->SampleCount = 100;
    packet->Time = DayTime{732692, 0.0};
    for (int i = 0; i < n; ++i) {
        packet->DasId = static_cast<std::uint16_t>(i / 32);
        packet->Channel = static_cast<std::uint16_t>(i % 32);
        int index = -1;
        FindOrAddChannel(cat, *packet, index, nullptr);
        cat.Entries[static_cast<std::size_t>(index)].SampleRate = 100.0;
        cat.Entries[static_cast<std::size_t>(index)].Active = i % 2;
    }
    HealthBoard board;
    std::int64_t now = AbsoluteMs(packet->Time);
    double best = 1e300;
    for (int j = 0; j < kJudgements; ++j) {
        now += 1000;
        const double start = WallSeconds();
        JudgeHealth(board, cat, now);
        best = std::min(best, WallSeconds() - start);
    }
    return best * 1e6;
}

} // namespace

HealthCost MeasureHealthCost(const std::vector<QByteArray>& payloads, int judgedChannels)
{
    HealthCost cost;
    if (payloads.empty())
        return cost;
    cost.IngestOnNs = 1e300;
    cost.IngestOffNs = 1e300;
    for (int r = 0; r < kRounds; ++r) {
        cost.IngestOffNs = std::min(cost.IngestOffNs, IngestNs(payloads, false));
        cost.IngestOnNs = std::min(cost.IngestOnNs, IngestNs(payloads, true));
    }
    cost.JudgedChannels = judgedChannels;
    cost.JudgeUs = JudgeUs(judgedChannels);
    return cost;
}
