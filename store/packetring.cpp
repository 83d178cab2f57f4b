#include "store/packetring.h"

#include "packets/daytime.h"
#include "packets/eventheader.h"
#include "packets/numbertext.h"
#include "store/channelcatalogue.h"

#include <unistd.h>

#include <cstdio>
#include <limits>
#include <new>

namespace {

std::int64_t PhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::numeric_limits<std::int64_t>::max();
    if (pages > std::numeric_limits<std::int64_t>::max() / pageSize)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(pages) * pageSize;
}

bool KeepsSlot(int keepSel, int selected, int index)
{
    if (keepSel == 1)
        return selected >= 0;
    if (keepSel == 0)
        return index >= 0;
    return false;
}

} // namespace

std::int64_t RingBytes(std::int64_t slotCount)
{
    constexpr auto slotBytes = static_cast<std::int64_t>(kRingSlotBytes);
    if (slotCount > std::numeric_limits<std::int64_t>::max() / slotBytes)
        return std::numeric_limits<std::int64_t>::max();
    if (slotCount < std::numeric_limits<std::int64_t>::min() / slotBytes)
        return std::numeric_limits<std::int64_t>::min();
    return slotCount * slotBytes;
}

bool AllocateRing(PacketStore& store, std::int64_t physicalMemoryBytes)
{
    store.PacketRing.reset();
    store.AllocatedSlots = 0;
    store.RingIndex = 0;
    const std::int32_t n = store.NringBuffer;
    if (n < 1)
        return false;
    const std::int64_t limit =
        physicalMemoryBytes > 0 ? physicalMemoryBytes : PhysicalMemoryBytes();
    // With overcommit a huge block "succeeds" and the zero-fill then exhausts the machine.
    if (RingBytes(n) > limit)
        return false;
    store.PacketRing.reset(new (std::nothrow) DtPacket[static_cast<std::size_t>(n)]());
    if (!store.PacketRing)
        return false;
    store.AllocatedSlots = n;
    return true;
}

void IngestDtPacket(PacketStore& store, ChannelCatalogue& cat, const QSettings* stored,
                    std::span<const std::uint8_t> payload, StatusLine& status)
{
    status.Shown = false;
    store.NewData = 1;
    if (!store.PacketRing || store.AllocatedSlots < 1)
        return;
    if (store.RingIndex < 0 || store.RingIndex >= store.AllocatedSlots)
        store.RingIndex = 0;

    DtPacket& slot = store.PacketRing[static_cast<std::size_t>(store.RingIndex)];
    // A refused packet leaves the slot empty (SampleCount 0) for the next one to overwrite.
    if (!DecodeDtPacket(slot, payload))
        return;

    int index = -1;
    const int selected = FindOrAddChannel(cat, slot, index, stored);
    const double rate =
        index >= 0 ? cat.Entries[static_cast<std::size_t>(index)].MeasuredRate : 0.0;
    status = {true, slot.DasId, slot.Stream,    slot.Channel, slot.SampleCount,
              rate, slot.Time,  store.RingIndex};

    if (KeepsSlot(store.KeepSel, selected, index))
        store.RingIndex = (store.RingIndex + 1) % store.AllocatedSlots;
}

int FormatStatusLine(const StatusLine& line, char* out, std::size_t size)
{
    char timeText[48];
    FormatTime(line.Time, timeText, sizeof timeText);
    // "%g" of the rate, without the locale that printf would consult.
    char rateText[32];
    FormatG(line.Rate, rateText, sizeof rateText);
    return std::snprintf(out, size, "DT %4X-%d-%d (%d-%s) %s %d", static_cast<unsigned>(line.DasId),
                         static_cast<int>(line.Stream), static_cast<int>(line.Channel),
                         static_cast<int>(line.SampleCount), rateText, timeText,
                         static_cast<int>(line.Slot));
}

bool IngestEventHeader(ChannelCatalogue& cat, const QSettings* stored,
                       std::span<const std::uint8_t> payload)
{
    EventHeaderInfo info;
    ParseEventHeader(payload, info);
    return UpdateFromEventHeader(cat, info, stored);
}
