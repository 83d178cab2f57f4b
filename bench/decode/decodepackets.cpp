#include "bench/decode/decodepackets.h"

#include <libmseed.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

void PutBcd4(std::uint8_t* p, int value)
{
    p[0] = static_cast<std::uint8_t>((value / 1000 % 10) << 4 | (value / 100 % 10));
    p[1] = static_cast<std::uint8_t>((value / 10 % 10) << 4 | (value % 10));
}

// The fields the decoder reads besides the data: type, unit, a time, stream and channel 0.
PacketBuffer DtShell(std::uint8_t formatByte, int sampleCount)
{
    PacketBuffer p{};
    p[0] = 'D';
    p[1] = 'T';
    p[4] = 0x9A;
    p[5] = 0x3C;
    const std::uint8_t time[] = {0x00, 0x11, 0x23, 0x45, 0x67, 0x89};
    std::memcpy(p.data() + 6, time, sizeof time);
    PutBcd4(p.data() + 20, sampleCount);
    p[23] = formatByte;
    return p;
}

void KeepRecord(char* record, int length, void* handlerData)
{
    auto* records = static_cast<std::vector<PacketBuffer>*>(handlerData);
    PacketBuffer r{};
    std::memcpy(r.data(), record,
                std::min<std::size_t>(static_cast<std::size_t>(length), r.size()));
    records->push_back(r);
}

} // namespace

std::vector<std::int32_t> SeismicSignal(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> white(0.0, 1.0);
    std::vector<std::int32_t> s(n);
    double coloured = 0.0;
    double loudness = 20.0;
    double event = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        // Background noise changes level every few packets; now and then an event decays.
        if (i % 3000 == 0)
            loudness = std::exp(
                std::uniform_real_distribution<double>(std::log(3.0), std::log(3000.0))(rng));
        if (i % 20000 == 10000)
            event = 200000.0;
        event *= 0.9995;
        coloured = 0.9 * coloured + loudness * white(rng);
        const double t = static_cast<double>(i);
        const double v = coloured + 4000.0 * std::sin(t * 0.0125) +
                         event * std::sin(t * 0.31) * white(rng) * 0.2 + event * std::sin(t * 0.7);
        s[i] = static_cast<std::int32_t>(std::lround(v));
    }
    return s;
}

PacketSet IntegerPackets(const std::vector<std::int32_t>& signal, bool wide)
{
    PacketSet set;
    set.Name = wide ? "int32" : "int16";
    set.FormatByte = wide ? 0x32 : 0x16;
    const std::size_t per = wide ? 250 : 500;
    for (std::size_t at = 0; at + per <= signal.size(); at += per) {
        PacketBuffer p = DtShell(set.FormatByte, static_cast<int>(per));
        for (std::size_t i = 0; i < per; ++i) {
            std::int32_t v = signal[at + i];
            std::uint8_t* q = p.data() + 24;
            if (wide) {
                const auto u = static_cast<std::uint32_t>(v);
                q[4 * i] = static_cast<std::uint8_t>(u >> 24);
                q[4 * i + 1] = static_cast<std::uint8_t>(u >> 16);
                q[4 * i + 2] = static_cast<std::uint8_t>(u >> 8);
                q[4 * i + 3] = static_cast<std::uint8_t>(u);
            } else {
                v = std::clamp(v, -32768, 32767);
                const auto u = static_cast<std::uint16_t>(v);
                q[2 * i] = static_cast<std::uint8_t>(u >> 8);
                q[2 * i + 1] = static_cast<std::uint8_t>(u);
            }
        }
        set.Packets.push_back(p);
        set.Counts.push_back(static_cast<int>(per));
        set.TotalSamples += static_cast<long long>(per);
    }
    return set;
}

PacketSet SteimPackets(const std::vector<std::int32_t>& signal, int encoding)
{
    PacketSet set;
    set.Name = encoding == DE_STEIM1 ? "Steim-1" : "Steim-2";
    set.FormatByte = encoding == DE_STEIM1 ? 0xC0 : 0xC2;

    std::vector<std::int32_t> samples = signal;
    std::vector<PacketBuffer> records;
    MSRecord* msr = msr_init(nullptr);
    std::strcpy(msr->network, "XX");
    std::strcpy(msr->station, "BENCH");
    std::strcpy(msr->channel, "HHZ");
    msr->reclen = 1024;
    msr->encoding = static_cast<std::int8_t>(encoding);
    msr->byteorder = 1;
    msr->samprate = 100.0;
    msr->sampletype = 'i';
    msr->datasamples = samples.data();
    msr->numsamples = static_cast<std::int64_t>(samples.size());
    std::int64_t packed = 0;
    msr_pack(msr, KeepRecord, &records, &packed, 1, 0);
    msr->datasamples = nullptr;
    msr_free(&msr);

    for (const PacketBuffer& r : records) {
        const int count = (r[30] << 8) | r[31];
        // Only records whose data starts at byte 64 carry the 15 frames a DT packet holds.
        if (((r[44] << 8) | r[45]) != 64 || count <= 0)
            continue;
        PacketBuffer p = DtShell(set.FormatByte, count);
        std::memcpy(p.data() + 64, r.data() + 64, 960);
        set.Packets.push_back(p);
        set.Counts.push_back(count);
        set.TotalSamples += count;
    }
    return set;
}
