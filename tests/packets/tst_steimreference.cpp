// Steim records made by libmseed's encoder must decode, on every path, to exactly the samples
// libmseed decodes.
#include "packets/byteorder.h"
#include "packets/steimpath.h"

#include <QTest>

#include <libmseed.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <span>
#include <utility>
#include <vector>

namespace {

using Signal = std::vector<std::int32_t>;

using Records = std::vector<std::vector<char>>;

void KeepRecord(char* record, int length, void* handlerData)
{
    static_cast<Records*>(handlerData)->emplace_back(record, record + length);
}

// Encodes the whole signal into 1024-byte big-endian Steim records.
Records Encode(Signal signal, int encoding)
{
    Records out;
    MSRecord* msr = msr_init(nullptr);
    std::strcpy(msr->network, "XX");
    std::strcpy(msr->station, "TEST");
    std::strcpy(msr->channel, "HHZ");
    msr->reclen = 1024;
    msr->encoding = static_cast<std::int8_t>(encoding);
    msr->byteorder = 1;
    msr->samprate = 100.0;
    msr->sampletype = 'i';
    msr->datasamples = signal.data();
    msr->numsamples = static_cast<std::int64_t>(signal.size());
    std::int64_t packed = 0;
    msr_pack(msr, KeepRecord, &out, &packed, 1, 0);
    msr->datasamples = nullptr;
    msr_free(&msr);
    return out;
}

Signal Decode(std::vector<char>& record)
{
    MSRecord* msr = nullptr;
    Signal out;
    if (msr_unpack(record.data(), 1024, &msr, 1, 0) == MS_NOERROR && msr->sampletype == 'i') {
        const auto* s = static_cast<const std::int32_t*>(msr->datasamples);
        out.assign(s, s + msr->numsamples);
    }
    msr_free(&msr);
    return out;
}

// The frames of a record with every 32-bit word in the host's order, as a big-endian host reads
// its records: the decoders then take the words as they are, without swapping.
std::vector<std::uint8_t> WordsInHostOrder(std::span<const std::uint8_t> frames)
{
    std::vector<std::uint8_t> out(frames.size());
    for (std::size_t i = 0; i + 4 <= frames.size(); i += 4) {
        const std::uint32_t word = std::uint32_t{frames[i]} << 24 |
                                   std::uint32_t{frames[i + 1]} << 16 |
                                   std::uint32_t{frames[i + 2]} << 8 | frames[i + 3];
        std::memcpy(out.data() + i, &word, sizeof word);
    }
    return out;
}

int RecordSampleCount(const std::vector<char>& record)
{
    return (static_cast<std::uint8_t>(record[30]) << 8) | static_cast<std::uint8_t>(record[31]);
}

// n samples, the i-th f(i), called in order.
template <typename F> Signal Make(int n, F f)
{
    Signal s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(f(i));
    return s;
}

Signal Sine(int n, double amplitude)
{
    return Make(n, [=](int i) { return std::lround(amplitude * std::sin(i * 0.05)); });
}

Signal RandomWalk(int n, int step, unsigned seed)
{
    return Make(n, [rng = std::mt19937(seed), d = std::uniform_int_distribution<int>(-step, step),
                    v = std::int64_t{0}](int) mutable { return v += d(rng); });
}

Signal Noise(int n, int amplitude, unsigned seed)
{
    return Make(n, [rng = std::mt19937(seed),
                    d = std::uniform_int_distribution<int>(-amplitude, amplitude)](int) mutable {
        return d(rng);
    });
}

Signal Spikes(int n)
{
    return Make(n, [](int i) { return i % 97 ? 12 : (i / 97) % 2 ? 400000000 : -400000000; });
}

// Differences cycling through every width the Steim-2 word layouts carry.
Signal EveryWidth(int n)
{
    const int limits[] = {7, 15, 31, 511, 16383, 536870911 / 4};
    return Make(n, [&, rng = std::mt19937(5), v = std::int64_t{0}](int i) mutable {
        const int limit = limits[(i / 40) % 6];
        v = v + std::uniform_int_distribution<int>(-limit, limit)(rng);
        if (v > 400000000 || v < -400000000)
            v = 0;
        return v;
    });
}

// Steim-1 only: 32-bit differences that overflow and must wrap back.
Signal FullScaleAlternating(int n)
{
    return Make(n, [](int i) {
        return i == 3 ? INT_MAX : i == 4 ? INT_MIN : i % 2 ? 2000000000 : -2000000000;
    });
}

} // namespace

Q_DECLARE_METATYPE(Signal)
Q_DECLARE_METATYPE(SteimPath)

class TstSteimReference : public QObject
{
    Q_OBJECT

private slots:
    void steimMatchesLibmseedOnEveryPath_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<SteimPath>("path");
        QTest::addColumn<bool>("hostOrder"); // the words as a big-endian host holds them
        const struct
        {
            const char* name;
            Signal signal;
            bool steim2;
        } cases[] = {
            {"sine", Sine(6000, 30000.0), true},
            {"small sine", Sine(6000, 6.0), true},
            {"random walk", RandomWalk(6000, 200, 1), true},
            {"noise 2^23", Noise(6000, 1 << 23, 2), true},
            {"noise 2^7", Noise(6000, 1 << 7, 3), true},
            {"spikes", Spikes(6000), true},
            {"constant", Signal(6000, -77), true},
            {"zero", Signal(6000, 0), true},
            {"every Steim-2 width", EveryWidth(8000), true},
            {"full-scale 32-bit differences", FullScaleAlternating(3000), false},
        };
        const std::pair<SteimPath, const char*> paths[] = {
            {SteimPath::Scalar, "scalar"}, {SteimPath::Sse41, "sse4.1"}, {SteimPath::Avx2, "avx2"}};
        for (const auto& [path, pathName] : paths) {
            if (!SteimPathAvailable(path))
                continue;
            for (const auto& c : cases) {
                for (const bool host : {false, true}) {
                    const char* order = host ? " in host order" : "";
                    QTest::addRow("steim1 %s %s%s", c.name, pathName, order)
                        << int(DE_STEIM1) << c.signal << path << host;
                    if (c.steim2)
                        QTest::addRow("steim2 %s %s%s", c.name, pathName, order)
                            << int(DE_STEIM2) << c.signal << path << host;
                }
            }
        }
    }
    void steimMatchesLibmseedOnEveryPath()
    {
        QFETCH(int, encoding);
        QFETCH(Signal, signal);
        QFETCH(SteimPath, path);
        QFETCH(bool, hostOrder);
        if (hostOrder)
            SetByteSwap(false);
        else
            DetectByteOrder();
        Records records = Encode(signal, encoding);
        QVERIFY(!records.empty());
        std::size_t offset = 0;
        for (auto& record : records) {
            QCOMPARE(record.size(), std::size_t{1024});
            QCOMPARE((static_cast<std::uint8_t>(record[44]) << 8) |
                         static_cast<std::uint8_t>(record[45]),
                     64);
            const Signal reference = Decode(record);
            const int count = RecordSampleCount(record);
            QCOMPARE(static_cast<int>(reference.size()), count);

            const auto wire =
                std::span(reinterpret_cast<const std::uint8_t*>(record.data()), 1024).subspan(64);
            const std::vector<std::uint8_t> host = WordsInHostOrder(wire);
            const auto frames = hostOrder ? std::span<const std::uint8_t>(host) : wire;
            const auto format = encoding == DE_STEIM1 ? SteimFormat::One : SteimFormat::Two;
            Signal decoded(static_cast<std::size_t>(count));
            QCOMPARE(DecodeSteimOn(path, format, decoded, frames, count), count);
            QCOMPARE(decoded, reference);
            // And the reference itself is the signal we encoded.
            QCOMPARE(reference,
                     Signal(signal.begin() + static_cast<std::ptrdiff_t>(offset),
                            signal.begin() + static_cast<std::ptrdiff_t>(offset) + count));
            offset += static_cast<std::size_t>(count);
        }
        QCOMPARE(offset, signal.size());
    }
};

QTEST_APPLESS_MAIN(TstSteimReference)
#include "tst_steimreference.moc"
