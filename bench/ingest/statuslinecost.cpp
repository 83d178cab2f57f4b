#include "bench/ingest/statuslinecost.h"

#include "bench/ingest/besttime.h"
#include "bench/ingest/cputime.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QCoreApplication>
#include <QStatusBar>
#include <QString>

#include <algorithm>

namespace {

constexpr int kRingSlots = 1000;
constexpr int kMessages = 2000;

} // namespace

StatusLineCost MeasureStatusLineCost(const std::vector<QByteArray>& payloads, QStatusBar& bar)
{
    StatusLineCost cost;
    if (payloads.empty())
        return cost;
    PacketStore store;
    store.NringBuffer = kRingSlots;
    store.KeepSel = 0;
    if (!AllocateRing(store))
        return cost;
    ChannelCatalogue cat;
    StatusLine status;
    long long shown = 0;
    cost.IngestNs = BestNsPerPacket(payloads, [&](std::span<const std::uint8_t> p) {
        IngestDtPacket(store, cat, nullptr, p, status);
        shown += status.Shown ? 1 : 0;
    });
    if (shown == 0)
        return cost;
    char text[128];
    std::size_t length = 0;
    cost.FormatNs = BestNsPerPacket(payloads, [&](std::span<const std::uint8_t>) {
        length += static_cast<std::size_t>(FormatStatusLine(status, text, sizeof text));
    });

    QString lines[2] = {QString::fromLatin1(text), QString::fromLatin1(text) + QLatin1Char(' ')};
    const double start = WallSeconds();
    for (int i = 0; i < kMessages; ++i) {
        bar.showMessage(lines[i % 2]);
        QCoreApplication::processEvents();
    }
    const double withMessages = WallSeconds() - start;
    const double idleStart = WallSeconds();
    for (int i = 0; i < kMessages; ++i)
        QCoreApplication::processEvents();
    const double idle = WallSeconds() - idleStart;
    cost.MessageNs = std::max(0.0, withMessages - idle) * 1e9 / kMessages;
    return cost;
}
