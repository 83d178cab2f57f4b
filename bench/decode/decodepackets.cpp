#include "bench/decode/decodepackets.h"

#include <cmath>
#include <random>
#include <utility>

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

std::vector<std::int32_t> QuietSignal(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> white(0.0, 1.0);
    std::vector<std::int32_t> s(n);
    double coloured = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        coloured = 0.9 * coloured + 1.5 * white(rng);
        s[i] = static_cast<std::int32_t>(
            std::lround(coloured + 40.0 * std::sin(static_cast<double>(i) * 0.002)));
    }
    return s;
}

PacketSet FormatPackets(const std::vector<std::int32_t>& signal, SampleFormat format,
                        std::string name)
{
    PacketSet set;
    set.Name = std::move(name);
    set.FormatByte = DtFormatByte(format);
    DtFields fields;
    fields.Header.DasId = 0x9A3C;
    fields.Format = format;
    std::span<const std::int32_t> rest(signal);
    PacketBytes p{};
    while (!rest.empty()) {
        const int count = WriteDtPacket(p, fields, rest);
        if (count <= 0)
            break;
        set.Packets.push_back(p);
        set.Counts.push_back(count);
        set.TotalSamples += count;
        rest = rest.subspan(static_cast<std::size_t>(count));
    }
    return set;
}
