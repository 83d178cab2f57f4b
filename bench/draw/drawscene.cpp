#include "drawscene.h"

#include "packets/daytime.h"
#include "packets/dtpacket.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

DasStreamChanInfo SceneChannel(int c, double rate, const DayTime& end)
{
    DasStreamChanInfo e;
    e.DasId = 0x9A1;
    e.Stream = static_cast<std::uint16_t>(c / 16);
    e.Channel = static_cast<std::uint16_t>(c % 16);
    e.Active = 1;
    e.DisplayIndex = c;
    e.SampleRate = rate;
    e.Name = QStringLiteral("STA%1").arg(c);
    e.BitWeight = 1e-6;
    e.VoltsPerUnit = 2.0;
    e.UnitCode = QStringLiteral("M/S");
    e.LastEndTime = end;
    e.TraceColor = {static_cast<std::uint8_t>(c % 3 == 0 ? 255 : 0),
                    static_cast<std::uint8_t>(c % 3 == 1 ? 255 : 0),
                    static_cast<std::uint8_t>(c % 3 == 2 ? 255 : 0)};
    return e;
}

} // namespace

DrawScene MakeDrawScene(int channels, double rate, int windowSeconds, int samplesPerPacket,
                        std::uint32_t seed)
{
    DrawScene scene;
    const DayTime end{732692, 36000000.0};
    const double packetSeconds = samplesPerPacket / rate;
    const int perChannel = static_cast<int>(std::ceil(windowSeconds / packetSeconds)) + 1;
    const DayTime first = TimeAdd(end, -perChannel * packetSeconds * 1000.0);
    for (int c = 0; c < channels; ++c)
        scene.Catalogue.Entries.push_back(SceneChannel(c, rate, end));

    const int slotCount = perChannel * channels;
    scene.Store.PacketRing = std::make_unique<DtPacket[]>(static_cast<std::size_t>(slotCount));
    scene.Store.NringBuffer = slotCount;
    scene.Store.AllocatedSlots = slotCount;

    // Ground noise with the odd event: a random walk whose steps fit one byte.
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> step(-127, 127);
    std::vector<std::int32_t> level(static_cast<std::size_t>(channels), 0);
    int slot = 0;
    for (int k = 0; k < perChannel; ++k) {
        const DayTime start = TimeAdd(first, k * packetSeconds * 1000.0);
        for (int c = 0; c < channels; ++c) {
            const DasStreamChanInfo& e = scene.Catalogue.Entries[static_cast<std::size_t>(c)];
            DtPacket& p = scene.Store.PacketRing[static_cast<std::size_t>(slot++)];
            p.Time = start;
            p.DasId = e.DasId;
            p.Stream = e.Stream;
            p.Channel = e.Channel;
            p.Format = FormatSteim1;
            p.SampleCount = static_cast<std::uint16_t>(samplesPerPacket);
            std::int32_t& v = level[static_cast<std::size_t>(c)];
            for (int i = 0; i < samplesPerPacket; ++i) {
                v = std::clamp(v + step(rng), -8000000, 8000000);
                p.Samples[i] = v;
            }
        }
    }
    // The ring has just wrapped: the next packet overwrites the oldest.
    scene.Store.RingIndex = 0;
    scene.SamplesInWindow = static_cast<std::int64_t>(rate * windowSeconds) * channels;
    return scene;
}
