// DecodeDtPacket against libmseed's own decoders on the same data, in samples per second. For
// Steim, each decoding path is also timed alone (without the packet header), to show its gain.
#include "bench/decode/decodepackets.h"
#include "bench/decode/mseeddecoders.h"
#include "packets/dtpacket.h"
#include "packets/steimpath.h"

#include <libmseed.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr double kIntGoal = 1.0;
constexpr double kSteimGoal = 2.6;
constexpr int kTrials = 5;
constexpr double kTrialSeconds = 0.1;
// Ingest decodes into successive ring slots, not into one that stays in cache.
constexpr std::size_t kSlots = 64;

using Pass = std::function<std::int64_t()>;

struct PathName
{
    SteimPath Path;
    const char* Name;
};
constexpr PathName kPaths[] = {
    {SteimPath::Scalar, "scalar"}, {SteimPath::Sse41, "sse4.1"}, {SteimPath::Avx2, "avx2"}};

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

// Best of kTrials for each pass, the passes taking turns so that a busy machine slows all alike.
std::vector<double> BestRates(const std::vector<Pass>& passes, long long samplesPerPass)
{
    std::vector<double> best(passes.size(), 0.0);
    std::int64_t sink = 0;
    for (int t = 0; t < kTrials; ++t)
        for (std::size_t p = 0; p < passes.size(); ++p)
            best[p] = std::max(best[p], Trial(passes[p], samplesPerPass, sink));
    // Keeps the decoded values observable.
    if (sink == 0x7fffffffffffffff)
        std::printf("%lld\n", static_cast<long long>(sink));
    return best;
}

bool IsSteim(const PacketSet& set)
{
    return set.FormatByte == 0xC0 || set.FormatByte == 0xC2;
}

// One path's decoder alone on packet i into out; the count is the packet's.
int PathDecode(const PacketSet& set, std::size_t i, SteimPath path, std::int32_t* out)
{
    const auto frames = std::span(set.Packets[i]).subspan(kSteimDataOffset, kSteimDataBytes);
    return DecodeSteimOn(path, set.FormatByte == 0xC0 ? SteimFormat::One : SteimFormat::Two,
                         std::span(out, kMaxSamples), frames, set.Counts[i]);
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

// Every decoder and path must agree on every packet before any is timed.
bool Agree(const PacketSet& set)
{
    auto slot = std::make_unique<DtPacket>();
    std::vector<std::int32_t> reference(kMaxSamples);
    std::vector<std::int32_t> path(kMaxSamples);
    for (std::size_t i = 0; i < set.Packets.size(); ++i) {
        const int n = ReferenceDecode(set, i, reference.data());
        bool same = DecodeDtPacket(*slot, set.Packets[i]) && n == set.Counts[i] &&
                    slot->SampleCount == n &&
                    std::equal(slot->Samples, slot->Samples + n, reference.begin());
        for (const PathName& p : kPaths)
            same = same && (!SteimPathAvailable(p.Path) || !IsSteim(set) ||
                            (PathDecode(set, i, p.Path, path.data()) == n &&
                             std::equal(path.begin(), path.begin() + n, reference.begin())));
        if (!same) {
            std::printf("decode %s: packet %zu differs from libmseed (%d samples)\n",
                        set.Name.c_str(), i, n);
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
    std::vector<Pass> passes = {ours, reference};
    std::vector<PathName> timed;
    for (const PathName& p : kPaths) {
        if (!IsSteim(set) || !SteimPathAvailable(p.Path))
            continue;
        timed.push_back(p);
        passes.push_back([&, path = p.Path] {
            std::int64_t sum = 0;
            for (std::size_t i = 0; i < set.Packets.size(); ++i) {
                std::int32_t* out = ring[i % kSlots].Samples;
                sum += out[PathDecode(set, i, path, out) - 1];
            }
            return sum;
        });
    }
    const std::vector<double> r = BestRates(passes, set.TotalSamples);
    const double ratio = r[0] / r[1];
    const double goal = IsSteim(set) ? kSteimGoal : kIntGoal;
    std::printf("decode %s: %.1f Msamples/s, reference %.1f Msamples/s (libmseed), ratio %.2f, "
                "goal >= %.1f, %s\n",
                set.Name.c_str(), r[0] / 1e6, r[1] / 1e6, ratio, goal,
                ratio >= goal ? "met" : "NOT met");
    if (!timed.empty()) {
        std::printf("  decoder alone, Msamples/s:");
        for (std::size_t p = 0; p < timed.size(); ++p)
            std::printf(" %s %.1f%s", timed[p].Name, r[p + 2] / 1e6,
                        timed[p].Path == BestSteimPath() ? " (dispatched)" : "");
        std::printf("\n");
    }
    return ratio >= goal;
}

} // namespace

int main()
{
#ifndef NDEBUG
    std::printf("note: assertions are on; configure Release for meaningful figures\n");
#endif
    // A few thousand packets of each format from each of two long recordings.
    const struct
    {
        const char* Name;
        std::vector<std::int32_t> Samples;
    } signals[] = {{"seismic", SeismicSignal(3'000'000, 42)}, {"quiet", QuietSignal(3'000'000, 7)}};
    const struct
    {
        SampleFormat Format;
        const char* Name;
    } formats[] = {{FormatInt16, "int16"},
                   {FormatInt32, "int32"},
                   {FormatSteim1, "Steim-1"},
                   {FormatSteim2, "Steim-2"}};
    std::vector<PacketSet> sets;
    for (const auto& signal : signals) {
        for (const auto& format : formats)
            sets.push_back(FormatPackets(signal.Samples, format.Format,
                                         std::string(signal.Name) + ' ' + format.Name));
        const PacketSet* s = &sets[sets.size() - 4];
        std::printf("packets %s: %zu int16, %zu int32, %zu Steim-1 (%.0f samples each), %zu "
                    "Steim-2 (%.0f samples each)\n",
                    signal.Name, s[0].Packets.size(), s[1].Packets.size(), s[2].Packets.size(),
                    static_cast<double>(s[2].TotalSamples) / s[2].Packets.size(),
                    s[3].Packets.size(),
                    static_cast<double>(s[3].TotalSamples) / s[3].Packets.size());
    }
    bool met = true;
    for (const PacketSet& set : sets)
        met = Measure(set) && met;
    return met ? 0 : 1;
}
