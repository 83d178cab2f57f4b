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
#include "link/frame.h"
#include "packets/daytime.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace {

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

    StatusLine status;
    std::span<const std::uint8_t> rest(p, left);
    for (;;) {
        const Frame frame = ReadFrame(rest);
        if (frame.Outcome != FrameOutcome::Whole)
            break;
        rest = rest.subspan(frame.Size());
        // Exactly the payload's size on the heap, so a read past its end is caught.
        const std::size_t length = frame.Payload.size();
        const auto buffer = std::make_unique<std::uint8_t[]>(length);
        std::memcpy(buffer.get(), frame.Payload.data(), length);
        const std::span<const std::uint8_t> payload(buffer.get(), length);
        if (length < 2)
            continue;

        if (payload[0] == 'E' && (payload[1] == 'H' || payload[1] == 'T')) {
            if (!IngestEventHeader(cat, nullptr, payload))
                FUZZ_CHECK(cat.Entries.size() >= cat.MaxEntries);
        } else if (payload[0] == 'D' && payload[1] == 'T' && length == kMaxPayloadBytes) {
            IngestDtPacket(store, cat, nullptr, payload, status);
            FUZZ_CHECK(store.NewData == 1);
            if (status.Shown) {
                char text[128];
                const int n = FormatStatusLine(status, text, sizeof text);
                FUZZ_CHECK(n > 0 && static_cast<std::size_t>(n) < sizeof text);
            }
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
