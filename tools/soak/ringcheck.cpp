#include "tools/soak/ringcheck.h"

#include "link/bytespan.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <algorithm>
#include <memory>

namespace {

bool IsActive(const ChannelCatalogue& cat, const DtPacket& p)
{
    const int i = FindChannel(cat, p.DasId, p.Stream, p.Channel);
    return i >= 0 && cat.Entries[static_cast<std::size_t>(i)].Active != 0;
}

bool SamePacket(const DtPacket& a, const DtPacket& b)
{
    return a.DasId == b.DasId && a.Stream == b.Stream && a.Channel == b.Channel &&
           a.Sequence == b.Sequence && a.SampleCount == b.SampleCount &&
           std::equal(a.Samples, a.Samples + a.SampleCount, b.Samples);
}

} // namespace

RingCheck CheckRingHoldsNewest(const PacketStore& store, const ChannelCatalogue& cat,
                               const std::vector<QByteArray>& sent)
{
    RingCheck check;
    // One scratch packet, decoded twice per payload: the check itself must not grow the heap,
    // the soak measures it.
    auto want = std::make_unique<DtPacket>();
    auto kept = [&](const QByteArray& payload) {
        return DecodeDtPacket(*want, ByteSpan(payload)) && IsActive(cat, *want);
    };
    for (const QByteArray& payload : sent)
        check.Expected += kept(payload) ? 1 : 0;
    const std::int64_t slotCount = store.AllocatedSlots;
    if (!store.PacketRing || check.Expected > slotCount) {
        check.FirstMismatch = QStringLiteral("the ring cannot hold %1 packets").arg(check.Expected);
        return check;
    }
    std::int64_t i = 0;
    for (const QByteArray& payload : sent) {
        if (!kept(payload))
            continue;
        const std::int64_t slot =
            ((store.RingIndex - check.Expected + i) % slotCount + slotCount) % slotCount;
        ++i;
        const DtPacket& got = store.PacketRing[static_cast<std::size_t>(slot)];
        if (SamePacket(got, *want)) {
            ++check.Stored;
        } else if (check.FirstMismatch.isEmpty()) {
            check.FirstMismatch =
                QStringLiteral("slot %1: unit %2 channel %3 sequence %4 instead of unit %5 "
                               "channel %6 sequence %7")
                    .arg(slot)
                    .arg(got.DasId, 4, 16, QLatin1Char('0'))
                    .arg(got.Channel)
                    .arg(got.Sequence)
                    .arg(want->DasId, 4, 16, QLatin1Char('0'))
                    .arg(want->Channel)
                    .arg(want->Sequence);
        }
    }
    return check;
}
