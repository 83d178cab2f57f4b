// A received byte stream cut into frames as the client cuts them, ingested into a small ring and
// catalogue, then the display's statistics over what the ring holds. The first byte chooses the
// flags: bit 0 KeepSel, bit 1 a catalogue that refuses to grow beyond 4 channels, bit 2 every
// channel selected after each frame.
#include "display/channelindex.h"
#include "display/displaystate.h"
#include "display/timewindow.h"
#include "display/tracescale.h"
#include "display/tracestatistics.h"
#include "fuzz/fuzzcheck.h"
#include "packets/daytime.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::int32_t kMaxPayload = 1024;
constexpr std::int32_t kRingSlots = 7;

void CheckStore(const PacketStore& store, const ChannelCatalogue& cat)
{
    FUZZ_CHECK(store.AllocatedSlots == kRingSlots);
    FUZZ_CHECK(store.RingIndex >= 0 && store.RingIndex < store.AllocatedSlots);
    FUZZ_CHECK(cat.Entries.size() <= cat.MaxEntries);
    for (std::int32_t i = 0; i < store.AllocatedSlots; ++i)
        FUZZ_CHECK(store.PacketRing[static_cast<std::size_t>(i)].SampleCount <= kMaxSamples);
}

void Statistics(ChannelCatalogue& cat, const PacketStore& store, const DisplayState& ds)
{
    ResetChannels(cat, ds);
    ApplyTimeMode(cat, ds, DayTime{});
    const ChannelIndex index(cat);
    GatherStatistics(cat, index, store, ds.TimeRange);
    ComputeScales(cat, ds, FinishStatistics(cat));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // DisplayState holds a font, which needs the application object.
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(*argc, *argv);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    const std::uint8_t* p = data + 1;
    std::size_t left = size - 1;

    PacketStore store;
    store.NringBuffer = kRingSlots;
    store.KeepSel = flags & 1;
    FUZZ_CHECK(AllocateRing(store));
    ChannelCatalogue cat;
    cat.MaxEntries = (flags & 2) ? 4 : 100000;
    static const DisplayState ds;

    // The client reads the payload over the header in one fixed buffer.
    std::uint8_t buffer[kMaxPayload];
    StatusLine status;
    while (left >= kHeaderBytes) {
        std::memcpy(buffer, p, kHeaderBytes);
        const auto raw = (std::uint32_t{buffer[2]} << 24) | (std::uint32_t{buffer[3]} << 16) |
                         (std::uint32_t{buffer[4]} << 8) | std::uint32_t{buffer[5]};
        const auto length = static_cast<std::int32_t>(raw);
        p += kHeaderBytes;
        left -= kHeaderBytes;
        if (length < 0 || length > kMaxPayload || static_cast<std::size_t>(length) > left)
            break;
        std::memcpy(buffer, p, static_cast<std::size_t>(length));
        p += length;
        left -= static_cast<std::size_t>(length);
        if (length < 2)
            continue;

        if (buffer[0] == 'E' && (buffer[1] == 'H' || buffer[1] == 'T')) {
            if (!IngestEventHeader(cat, buffer, static_cast<std::size_t>(length)))
                FUZZ_CHECK(cat.Entries.size() >= cat.MaxEntries);
        } else if (buffer[0] == 'D' && buffer[1] == 'T' && length == kMaxPayload) {
            IngestDtPacket(store, cat, buffer, status);
            FUZZ_CHECK(store.NewData == 1);
            if (status.Shown)
                FUZZ_CHECK(std::memchr(status.Text, '\0', sizeof status.Text) != nullptr);
        }
        if (flags & 4) {
            for (DasStreamChanInfo& e : cat.Entries)
                e.Active = 1;
            RenumberActive(cat);
        }
        CheckStore(store, cat);
    }
    Statistics(cat, store, ds);
    return 0;
}
