// DecodeDtPacket against libmseed's own decoders on the same data, in samples per second.
#include "bench/decode/decodepackets.h"
#include "bench/decode/mseeddecoders.h"
#include "packets/dtpacket.h"

#include <libmseed.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr double kGoal = 1.0;
constexpr int kTrials = 5;
constexpr double kTrialSeconds = 0.1;
// Ingest decodes into successive ring slots, not into one that stays in cache.
constexpr std::size_t kSlots = 64;

using Pass = std::function<std::int64_t()>;

struct Rates
{
    double Ours = 0.0;
    double Reference = 0.0;
};

// Repeats whole passes for about kTrialSeconds; samples per second.
double Trial(const Pass& pass, long long samplesPerPass, std::int64_t& sink)
{
    using Clock = std::chrono::steady_clock;
    long long passes = 0;
    const auto start = Clock::now();
    double seconds = 0.0;
    do {
        sink += pass();
        ++passes;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < kTrialSeconds);
    return static_cast<double>(passes * samplesPerPass) / seconds;
}

// Best of kTrials for each side, the two taking turns so that a busy machine slows both alike.
Rates BestRates(const Pass& ours, const Pass& reference, long long samplesPerPass)
{
    Rates best;
    std::int64_t sink = 0;
    for (int t = 0; t < kTrials; ++t) {
        best.Ours = std::max(best.Ours, Trial(ours, samplesPerPass, sink));
        best.Reference = std::max(best.Reference, Trial(reference, samplesPerPass, sink));
    }
    // Keeps the decoded values observable.
    if (sink == 0x7fffffffffffffff)
        std::printf("%lld\n", static_cast<long long>(sink));
    return best;
}

// libmseed's decoder for the set's format on packet i, into out.
int ReferenceDecode(const PacketSet& set, std::size_t i, std::int32_t* out)
{
    // The decoders take non-const pointers but only read their input.
    auto* packet = const_cast<std::uint8_t*>(set.Packets[i].data());
    const std::int64_t count = set.Counts[i];
    constexpr std::int64_t outBytes = kMaxSamples * sizeof(std::int32_t);
    static char source[] = "bench";
    switch (set.FormatByte) {
    case 0x16:
        return msr_decode_int16(reinterpret_cast<std::int16_t*>(packet + kIntDataOffset), count,
                                out, outBytes, 1);
    case 0x32:
        return msr_decode_int32(reinterpret_cast<std::int32_t*>(packet + kIntDataOffset), count,
                                out, outBytes, 1);
    case 0xC0:
        return msr_decode_steim1(reinterpret_cast<std::int32_t*>(packet + kSteimDataOffset), 960,
                                 count, out, outBytes, source, 1);
    default:
        return msr_decode_steim2(reinterpret_cast<std::int32_t*>(packet + kSteimDataOffset), 960,
                                 count, out, outBytes, source, 1);
    }
}

// Both decoders must agree on every packet before either is timed.
bool Agree(const PacketSet& set)
{
    auto slot = std::make_unique<DtPacket>();
    std::vector<std::int32_t> reference(kMaxSamples);
    for (std::size_t i = 0; i < set.Packets.size(); ++i) {
        const int n = ReferenceDecode(set, i, reference.data());
        if (!DecodeDtPacket(*slot, set.Packets[i]) || n != set.Counts[i] ||
            slot->SampleCount != n ||
            !std::equal(slot->Samples, slot->Samples + n, reference.begin())) {
            std::printf("decode %s: packet %zu differs from libmseed (%d samples)\n", set.Name, i,
                        n);
            return false;
        }
    }
    return true;
}

bool Measure(const PacketSet& set)
{
    if (set.Packets.empty() || !Agree(set))
        return false;
    auto ring = std::make_unique<DtPacket[]>(kSlots);
    auto outputs = std::make_unique<std::int32_t[]>(kSlots * kMaxSamples);

    const Pass ours = [&] {
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < set.Packets.size(); ++i) {
            DtPacket& slot = ring[i % kSlots];
            DecodeDtPacket(slot, set.Packets[i]);
            sum += slot.Samples[slot.SampleCount - 1];
        }
        return sum;
    };
    const Pass reference = [&] {
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < set.Packets.size(); ++i) {
            std::int32_t* out = outputs.get() + (i % kSlots) * kMaxSamples;
            const int n = ReferenceDecode(set, i, out);
            sum += out[n - 1];
        }
        return sum;
    };
    const Rates r = BestRates(ours, reference, set.TotalSamples);
    const double ratio = r.Ours / r.Reference;
    std::printf("decode %s: %.1f Msamples/s, reference %.1f Msamples/s (libmseed), ratio %.2f, "
                "goal >= %.1f, %s\n",
                set.Name, r.Ours / 1e6, r.Reference / 1e6, ratio, kGoal,
                ratio >= kGoal ? "met" : "NOT met");
    return ratio >= kGoal;
}

} // namespace

int main()
{
#ifndef NDEBUG
    std::printf("note: assertions are on; configure Release for meaningful figures\n");
#endif
    // A few thousand packets of each format from one long recording.
    const std::vector<std::int32_t> signal = SeismicSignal(3'000'000, 42);
    const PacketSet sets[] = {
        FormatPackets(signal, DtFormat::Int16, "int16"),
        FormatPackets(signal, DtFormat::Int32, "int32"),
        FormatPackets(signal, DtFormat::Steim1, "Steim-1"),
        FormatPackets(signal, DtFormat::Steim2, "Steim-2"),
    };
    std::printf("packets: %zu int16, %zu int32, %zu Steim-1 (%.0f samples each), %zu Steim-2 "
                "(%.0f samples each)\n",
                sets[0].Packets.size(), sets[1].Packets.size(), sets[2].Packets.size(),
                static_cast<double>(sets[2].TotalSamples) / sets[2].Packets.size(),
                sets[3].Packets.size(),
                static_cast<double>(sets[3].TotalSamples) / sets[3].Packets.size());
    bool met = true;
    for (const PacketSet& set : sets)
        met = Measure(set) && met;
    return met ? 0 : 1;
}
