// pksd-sim as the monitor meets it: the frames it sends, decoded with the monitor's readers, the
// faults it injects on purpose, its replay, pacing, silence and refusals; and its packet writer,
// whose headers, DT packets of every format and event headers read back as they were written.
#include "tests/common/childprocess.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "link/handshake.h"
#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "packets/packetwriter.h"
#include "tests/common/pksdsimprocess.h"
#include "tools/pksd-sim/channelfaults.h"
#include "tools/pksd-sim/epochtime.h"
#include "tools/pksd-sim/handshakecheck.h"
#include "tools/pksd-sim/signalgenerator.h"

#include <QDateTime>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <tuple>

namespace {

constexpr qsizetype kFrame = 1030;

QByteArray Greeting(std::uint32_t pid)
{
    const HandshakeMessages m = BuildHandshake(pid);
    QByteArray bytes;
    for (const auto part :
         {std::span<const std::uint8_t>(m.Opening), std::span<const std::uint8_t>(m.Identification),
          std::span<const std::uint8_t>(m.Request)})
        bytes.append(reinterpret_cast<const char*>(part.data()), qsizetype(part.size()));
    return bytes;
}

// pksd-sim, and the monitor's side of a connection to it: its greeting, then what the
// simulator sends.
struct Session
{
    PksdSimProcess Process{QStringLiteral(PKSD_SIM_PATH)};
    QTcpSocket Socket;

    // Starts the simulator with args, connects and greets.
    bool Open(const QStringList& args)
    {
        if (!Process.Start(args))
            return false;
        Socket.connectToHost(QHostAddress::LocalHost, Process.Port());
        if (!Socket.waitForConnected(5000))
            return false;
        Socket.write(Greeting(1234));
        return Socket.flush();
    }
    // Until count bytes (negative: until the peer closes) or nothing for quietMs.
    QByteArray Read(qsizetype count = -1, int quietMs = 5000)
    {
        QByteArray bytes;
        while (count < 0 || bytes.size() < count) {
            if (Socket.bytesAvailable() == 0 && !Socket.waitForReadyRead(quietMs))
                break;
            bytes += Socket.read(count < 0 ? Socket.bytesAvailable() : count - bytes.size());
        }
        return bytes;
    }
    // Stops the simulator; the lines it logged.
    QString Log()
    {
        Process.Stop();
        return Process.LogLines().join(QLatin1Char('\n'));
    }
};

struct WireFrame
{
    std::uint16_t Type = 0;
    std::int32_t Declared = 0;
    QByteArray Payload;
};

// One word per frame: the packet type, "0:" before it for frame type 0, "/N" for a payload of N
// bytes, "@N" for a stated length of N, "=next" for a copy of the next frame's packet, "=EH" for
// a copy of the first event header; "?" where the bytes are no frame. A stated length of 1025 or
// -1024 is followed by a whole packet, as the simulator sends it.
QString Describe(const QByteArray& bytes)
{
    std::vector<WireFrame> frames;
    auto rest = ByteSpan(bytes);
    while (!rest.empty()) {
        const Frame f = ReadFrame(rest);
        const bool injected = f.Outcome == FrameOutcome::BadLength &&
                              (f.Length == 1025 || f.Length == -1024) && rest.size() >= 1030;
        if (f.Outcome != FrameOutcome::Whole && !injected)
            break;
        const std::size_t size = injected ? 1024 : f.Payload.size();
        frames.push_back(
            {f.Type, f.Length,
             QByteArray(reinterpret_cast<const char*>(rest.data()) + 6, qsizetype(size))});
        rest = rest.subspan(6 + size);
    }
    QStringList words;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const QByteArray& p = frames[i].Payload;
        QString word = QString::fromLatin1(p.left(2));
        if (frames[i].Type != 2)
            word.prepend(QString::number(frames[i].Type) + QLatin1Char(':'));
        if (p.size() != 1024)
            word += QLatin1Char('/') + QString::number(p.size());
        if (frames[i].Declared != p.size())
            word += QLatin1Char('@') + QString::number(frames[i].Declared);
        if (i + 1 < frames.size() && p.mid(2) == frames[i + 1].Payload.mid(2, p.size() - 2))
            word += QStringLiteral("=next");
        if (i > 0 && p.startsWith("ET") && p.mid(2) == frames[0].Payload.mid(2))
            word += QStringLiteral("=EH");
        words << word;
    }
    if (!rest.empty())
        words << QStringLiteral("?");
    return words.join(QLatin1Char(' '));
}

using Samples = std::vector<std::int32_t>;

// A random walk that turns back at the ends of the 32-bit range.
Samples Walk(int count, int step, std::int32_t start = 0)
{
    Samples samples;
    std::uint32_t state = 12345;
    std::int64_t value = start;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245U + 12345U;
        const std::int64_t delta = std::int64_t((state >> 16) % std::uint32_t(2 * step + 1)) - step;
        const std::int64_t next = value + delta;
        value = next > INT32_MAX || next < INT32_MIN ? value - delta : next;
        samples.push_back(std::int32_t(value));
    }
    return samples;
}

DtFields Fields(SampleFormat format)
{
    return {.Header = {.Experiment = 7,
                       .DasId = 0x9A3C,
                       .Sequence = 4321,
                       .Time = DayTime{DayNumberFromYmd(2024, 2, 29), 45296789.0}},
            .Event = 12,
            .Stream = 3,
            .Channel = 17,
            .Format = format};
}

bool IsSteim(SampleFormat format)
{
    return format == FormatSteim1 || format == FormatSteim2;
}

// One data packet as the monitor decodes it.
struct SeenDt
{
    QString Name; // "9A3C/1/2"
    int Sequence = 0;
    std::int64_t StartMs = 0;
    int Format = 0;
    Samples Values;
};

std::vector<SeenDt> DataPackets(const QByteArray& bytes)
{
    std::vector<SeenDt> seen;
    auto slot = std::make_unique<DtPacket>();
    for (qsizetype at = 0; at + kFrame <= bytes.size(); at += kFrame) {
        const auto payload = ByteSpan(bytes).subspan(std::size_t(at) + 6, 1024);
        if (payload[0] != 'D' || !DecodeDtPacket(*slot, payload))
            continue;
        seen.push_back({ChannelName(slot->DasId, slot->Stream, slot->Channel), slot->Sequence,
                        EpochMsFromDayTime(slot->Time), slot->Format,
                        Samples(slot->Samples, slot->Samples + slot->SampleCount)});
    }
    return seen;
}

// Every break in a channel's data at 100 samples per second, "9A3C/1/2 gap 2000-5000", and each
// channel whose data ends more than a second before the others', "9A3C/1/2 ends 2000"; in ms
// after startMs, sorted.
QString Breaks(const std::vector<SeenDt>& packets, std::int64_t startMs)
{
    std::map<QString, std::int64_t> next;
    QStringList words;
    for (const SeenDt& p : packets) {
        std::int64_t& expected = next.try_emplace(p.Name, startMs).first->second;
        if (p.StartMs != expected)
            words << QStringLiteral("%1 gap %2-%3")
                         .arg(p.Name)
                         .arg(expected - startMs)
                         .arg(p.StartMs - startMs);
        expected = p.StartMs + 10 * std::int64_t(p.Values.size());
    }
    std::int64_t latest = startMs;
    for (const auto& [name, end] : next)
        latest = std::max(latest, end);
    for (const auto& [name, end] : next) {
        if (end < latest - 1000)
            words << QStringLiteral("%1 ends %2").arg(name).arg(end - startMs);
    }
    words.sort();
    return words.join(QStringLiteral(", "));
}

std::int64_t EpochMs(int year, int month, int day, double msec = 0.0)
{
    return EpochMsFromDayTime(DayTime{DayNumberFromYmd(year, month, day), msec});
}

// The longest run of samples at value.
int LongestRun(const Samples& samples, std::int32_t value)
{
    int longest = 0;
    int run = 0;
    for (const std::int32_t s : samples) {
        run = s == value ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

Q_DECLARE_METATYPE(SampleFormat)
Q_DECLARE_METATYPE(Samples)

class TstPksdSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DetectByteOrder(); }

    void streamDecodesToTheGeneratorsSignalInOrder_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("expected"); // 0: varies
        QTest::newRow("steim1") << QStringLiteral("steim1") << int(FormatSteim1);
        QTest::newRow("steim2") << QStringLiteral("steim2") << int(FormatSteim2);
        QTest::newRow("int16") << QStringLiteral("int16") << int(FormatInt16);
        QTest::newRow("int32") << QStringLiteral("int32") << int(FormatInt32);
        QTest::newRow("mixed") << QStringLiteral("mixed") << 0;
    }
    void streamDecodesToTheGeneratorsSignalInOrder()
    {
        QFETCH(QString, format);
        QFETCH(int, expected);
        const int packets = 20;
        Session sim;
        QVERIFY(sim.Open(
            Args("--units 9A3C,9A3D --channels 3 --seed 7 --count 20 --fast --format", {format})));
        const QByteArray bytes = sim.Read((2 + packets) * kFrame);
        QVERIFY(sim.Read(1, 100).isEmpty()); // --count holds back the rest
        QCOMPARE(Describe(bytes),
                 QStringLiteral("EH EH") + QStringLiteral(" DT").repeated(packets));

        struct Track
        {
            std::unique_ptr<SignalGenerator> Generator;
            int Sequence = 0;
            DayTime Next;
        };
        std::map<std::tuple<int, int, int>, Track> tracks;
        std::set<int> units;
        std::set<int> formats;
        auto slot = std::make_unique<DtPacket>();
        for (qsizetype at = 0; at < bytes.size(); at += kFrame) {
            const auto payload = ByteSpan(bytes).subspan(std::size_t(at) + 6, 1024);
            if (payload[1] == 'H') {
                EventHeaderInfo info;
                QVERIFY(ParseEventHeader(payload, info));
                QCOMPARE(info.SampleRate, 100.0);
                units.insert(info.DasId);
                continue;
            }
            QVERIFY(DecodeDtPacket(*slot, payload));
            QVERIFY(units.count(slot->DasId) == 1);
            QCOMPARE(slot->Stream, std::uint16_t(0));
            QVERIFY(slot->Channel < 3 && slot->SampleCount > 0);
            formats.insert(slot->Format);
            if (expected != 0)
                QCOMPARE(int(slot->Format), expected);
            Track& track = tracks[{slot->DasId, slot->Stream, slot->Channel}];
            if (!track.Generator) {
                track.Generator = std::make_unique<SignalGenerator>(7, slot->DasId, slot->Stream,
                                                                    slot->Channel, 100.0);
            } else {
                QCOMPARE(slot->Time.Day, track.Next.Day);
                QCOMPARE(slot->Time.Msec, track.Next.Msec);
            }
            QCOMPARE(int(slot->Sequence), track.Sequence++);
            track.Next = TimeAdd(slot->Time, slot->SampleCount * 10.0);
            for (int s = 0; s < slot->SampleCount; ++s)
                QCOMPARE(slot->Samples[s], track.Generator->Next());
        }
        QVERIFY(tracks.size() >= 4);
        QVERIFY(expected != 0 || formats.size() >= 3);
    }

    // Paced by the clock: a packet leaves once its last sample lies in the past, and the
    // backfill starts the data that far back.
    void noPacketLeavesEarlyAndBackfillStartsInThePast()
    {
        Session sim;
        QVERIFY(sim.Open(Args("--backfill 30 --max-samples 50 --count 12")));
        const std::int64_t connectedMs = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(sim.Read(kFrame).mid(6, 2) == "EH");
        auto slot = std::make_unique<DtPacket>();
        for (int i = 0; i < 12; ++i) {
            const QByteArray frame = sim.Read(kFrame);
            const std::int64_t receivedMs = QDateTime::currentMSecsSinceEpoch();
            QVERIFY(DecodeDtPacket(*slot, ByteSpan(frame).subspan(6)));
            QCOMPARE(int(slot->SampleCount), 50);
            const std::int64_t startMs = EpochMsFromDayTime(slot->Time);
            QVERIFY(startMs + 500 <= receivedMs);
            if (i == 0)
                QVERIFY(startMs <= connectedMs - 29000 && startMs >= connectedMs - 90000);
        }
    }

    void replayServesTheRecordedBytesAndLoopsUpToTheCount()
    {
        QTemporaryDir dir;
        const QString capture = dir.filePath(QStringLiteral("capture.bin"));
        QByteArray once;
        {
            Session sim;
            QVERIFY(sim.Open(
                Args("--fast --count 10 --close-at-end --format mixed --record", {capture})));
            once = sim.Read();
        }
        QCOMPARE(once.size(), 11 * kFrame);
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), once);

        Session replay;
        QVERIFY(replay.Open(Args("--loop --fast --count 25 --close-at-end --replay", {capture})));
        // Two whole passes, then the event header and five data packets of the third.
        QCOMPARE(replay.Read(), QByteArray(once + once + once).left(28 * kFrame));
    }

    // Each row is named by the line the simulator logs; it holds the option, then the frames.
    void faultsReachTheWireAsNamed_data()
    {
        QTest::addColumn<QString>("run");
        QTest::newRow("fault type0") << "--fault-type0: EH DT 0:DT DT DT 0:DT DT";
        QTest::newRow("fault bad-length 1025")
            << "--fault-bad-length: EH DT DT@1025 DT DT DT@-1024 DT";
        QTest::newRow("fault short-dt 1000")
            << "--fault-short-dt: EH DT DT DT/1000=next DT DT DT DT/1000=next DT";
        QTest::newRow("fault unknown-type XX")
            << "--fault-unknown-type: EH DT XX=next DT DT DT XX=next DT DT";
        QTest::newRow("fault et") << "--fault-et: EH DT DT DT ET=EH DT DT DT ET=EH";
        QTest::newRow("fault garbage") << "--fault-garbage: EH DT ?";
        QTest::newRow("fault close after 3 frames") << "--close-after: EH DT DT";
    }
    void faultsReachTheWireAsNamed()
    {
        QFETCH(QString, run);
        const QString option = run.section(QStringLiteral(": "), 0, 0);
        Session sim;
        QVERIFY(sim.Open(QStringList{option, QStringLiteral("3")} +
                         Args("--fast --count 6 --close-at-end")));
        QCOMPARE(Describe(sim.Read()), run.section(QStringLiteral(": "), 1));
        const QString log = sim.Log();
        QVERIFY2(log.contains(QLatin1String(QTest::currentDataTag())), qPrintable(log));
    }

    // Rows: the stop options, then the breaks they leave (see Breaks).
    void stoppedChannelSendsNothingForItsPauseThenResumes_data()
    {
        QTest::addColumn<QString>("stops");
        QTest::addColumn<QString>("breaks");
        QTest::newRow("one channel") << "9A3C/1/2,2,3"
                                     << "9A3C/1/2 gap 2000-5000";
        QTest::newRow("inside a packet") << "9A3C/1/2,2.25,3"
                                         << "9A3C/1/2 gap 2250-5250";
        QTest::newRow("from the first sample") << "9A3C/1/3,0,1.5"
                                               << "9A3C/1/3 gap 0-1500";
        QTest::newRow("whole unit") << "9A3C,2,3"
                                    << "9A3C/1/1 gap 2000-5000, 9A3C/1/2 gap 2000-5000, "
                                       "9A3C/1/3 gap 2000-5000";
        QTest::newRow("never resumes") << "9A3C/1/2,2"
                                       << "9A3C/1/2 ends 2000";
        QTest::newRow("twice") << "9A3C/1/1,3,0.25 9A3C/1/1,1,1"
                               << "9A3C/1/1 gap 1000-2000, 9A3C/1/1 gap 3000-3250";
        QTest::newRow("second unit only") << "9A3D,1,2"
                                          << "9A3D/1/1 gap 1000-3000, "
                                             "9A3D/1/2 gap 1000-3000, "
                                             "9A3D/1/3 gap 1000-3000";
    }
    void stoppedChannelSendsNothingForItsPauseThenResumes()
    {
        QFETCH(QString, stops);
        QFETCH(QString, breaks);
        QStringList args = Args("--units 9A3C,9A3D --start 2026-03-01T12:00:00 --fast "
                                "--max-samples 50 --count 120 --close-at-end");
        for (const QString& stop : stops.split(QLatin1Char(' ')))
            args << QStringLiteral("--fault-stop") << stop;
        Session sim;
        QVERIFY(sim.Open(args));
        const std::vector<SeenDt> packets = DataPackets(sim.Read());
        QCOMPARE(int(packets.size()), 120);
        QCOMPARE(Breaks(packets, EpochMs(2026, 3, 1, 12 * 3600000.0)), breaks);
        // A pause loses data, not sequence numbers.
        std::map<QString, int> sequence;
        for (const SeenDt& p : packets)
            QCOMPARE(p.Sequence, sequence[p.Name]++);
        const QString log = sim.Log();
        QVERIFY2(
            log.contains(QStringLiteral("fault stop ") + stops.section(QLatin1Char(','), 0, 0)),
            qPrintable(log));
    }

    void constantChannelSendsOnlyItsValue_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("value");
        QTest::newRow("steim2 negative") << "steim2" << -5;
        QTest::newRow("steim1 top of 24 bits") << "steim1" << 8388607;
        QTest::newRow("int32 bottom of 24 bits") << "int32" << -8388607;
        QTest::newRow("int16") << "int16" << 12345;
    }
    void constantChannelSendsOnlyItsValue()
    {
        QFETCH(QString, format);
        QFETCH(int, value);
        Session sim;
        QVERIFY(sim.Open(
            Args("--fast --count 30 --close-at-end --fault-constant",
                 {QStringLiteral("9A3C/1/2,%1").arg(value), QStringLiteral("--format"), format})));
        std::map<QString, std::pair<std::int32_t, std::int32_t>> ranges;
        for (const SeenDt& p : DataPackets(sim.Read())) {
            auto [low, high] = std::minmax_element(p.Values.begin(), p.Values.end());
            auto& range = ranges.try_emplace(p.Name, *low, *high).first->second;
            range = {std::min(range.first, *low), std::max(range.second, *high)};
        }
        QCOMPARE(ranges.size(), std::size_t(3));
        QCOMPARE(ranges[QStringLiteral("9A3C/1/2")], std::make_pair(value, value));
        QVERIFY(ranges[QStringLiteral("9A3C/1/1")].second -
                    ranges[QStringLiteral("9A3C/1/1")].first >
                2);
        QVERIFY(sim.Log().contains(QStringLiteral("fault constant 9A3C/1/2 %1").arg(value)));
    }

    void clippedChannelRunsAtFullScaleOfItsFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("fullScale");
        QTest::newRow("steim1") << "steim1"
                                << "100" << 8388607;
        QTest::newRow("steim2") << "steim2"
                                << "100" << 8388607;
        QTest::newRow("int32") << "int32"
                               << "100" << 8388607;
        QTest::newRow("int16") << "int16"
                               << "100" << 32767;
        QTest::newRow("one sample per second") << "steim2"
                                               << "1" << 8388607;
    }
    void clippedChannelRunsAtFullScaleOfItsFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, rate);
        QFETCH(int, fullScale);
        Session sim;
        QVERIFY(sim.Open(Args("--fast --count 30 --max-samples 100 --close-at-end --fault-clip "
                              "9A3C/1/1 --format",
                              {format, QStringLiteral("--rate"), rate})));
        std::map<QString, Samples> traces;
        for (const SeenDt& p : DataPackets(sim.Read()))
            traces[p.Name].insert(traces[p.Name].end(), p.Values.begin(), p.Values.end());
        const Samples& clipped = traces[QStringLiteral("9A3C/1/1")];
        QVERIFY(LongestRun(clipped, fullScale) >= 3);
        QVERIFY(LongestRun(clipped, -fullScale) >= 3);
        for (const std::int32_t s : clipped)
            QVERIFY(s >= -fullScale && s <= fullScale);
        for (const std::int32_t s : traces[QStringLiteral("9A3C/1/2")])
            QVERIFY(s > -fullScale && s < fullScale);
    }

    void shiftedUnitStampsItsPacketsOffTheClock_data()
    {
        QTest::addColumn<QString>("shift");
        QTest::addColumn<qint64>("shiftMs");
        QTest::newRow("behind") << "-90.5" << qint64(-90500);
        QTest::newRow("ahead, across midnight") << "43200" << qint64(43200000);
    }
    void shiftedUnitStampsItsPacketsOffTheClock()
    {
        QFETCH(QString, shift);
        QFETCH(qint64, shiftMs);
        Session sim;
        QVERIFY(sim.Open(Args("--units 9A3C,9A3D --start 2026-03-01T12:00:00 --fast --count 12 "
                              "--max-samples 50 --close-at-end --fault-shift",
                              {QStringLiteral("9A3D,") + shift})));
        const QByteArray bytes = sim.Read();
        const std::int64_t startMs = EpochMs(2026, 3, 1, 12 * 3600000.0);
        std::map<int, std::int64_t> headers;
        for (qsizetype at = 0; at + kFrame <= bytes.size(); at += kFrame) {
            const auto payload = ByteSpan(bytes).subspan(std::size_t(at) + 6, 1024);
            if (payload[1] == 'H')
                headers[ParsePacketHeader(payload)->DasId] =
                    EpochMsFromDayTime(ParsePacketHeader(payload)->Time);
        }
        QCOMPARE(headers[0x9A3C], startMs);
        QCOMPARE(headers[0x9A3D], startMs + shiftMs);
        std::vector<SeenDt> shifted;
        std::vector<SeenDt> kept;
        for (const SeenDt& p : DataPackets(bytes))
            (p.Name.startsWith(QStringLiteral("9A3D")) ? shifted : kept).push_back(p);
        QCOMPARE(Breaks(shifted, startMs + shiftMs), QString());
        QCOMPARE(Breaks(kept, startMs), QString());
        QVERIFY(!shifted.empty() && !kept.empty());
    }

    void droppedPacketsLeaveGapsInTimeAndSequence_data()
    {
        QTest::addColumn<QString>("drop");
        QTest::addColumn<QString>("missing"); // channel and sequence numbers
        QTest::newRow("every third of one channel") << "9A3C/1/2,3"
                                                    << "9A3C/1/2 2 5";
        QTest::newRow("every fourth of each channel of a unit")
            << "9A3C,4"
            << "9A3C/1/1 3 7, 9A3C/1/2 3 7, 9A3C/1/3 3 7";
    }
    void droppedPacketsLeaveGapsInTimeAndSequence()
    {
        QFETCH(QString, drop);
        QFETCH(QString, missing);
        Session sim;
        QVERIFY(sim.Open(
            Args("--fast --count 24 --max-samples 50 --close-at-end --fault-drop", {drop})));
        std::map<QString, std::pair<int, std::int64_t>> next; // sequence, start
        std::map<QString, QStringList> lost;
        for (const SeenDt& p : DataPackets(sim.Read())) {
            auto& [sequence, startMs] = next.try_emplace(p.Name, 0, p.StartMs).first->second;
            for (; sequence < p.Sequence; ++sequence, startMs += 500)
                lost[p.Name] << QString::number(sequence);
            QCOMPARE(p.StartMs, startMs); // the time jumps by the lost packets
            sequence = p.Sequence + 1;
            startMs = p.StartMs + 500;
        }
        QStringList words;
        for (const auto& [name, sequences] : lost)
            words << name + QLatin1Char(' ') + sequences.join(QLatin1Char(' '));
        QCOMPARE(words.join(QStringLiteral(", ")), missing);
        QVERIFY(sim.Log().contains(QStringLiteral("fault drop %1 sequence %2")
                                       .arg(missing.section(QLatin1Char(' '), 0, 0),
                                            missing.section(QLatin1Char(' '), 1, 1))));
    }

    // Packets are stamped from the given start and cross midnight and the year's end as a
    // recorder's would.
    void startTimeIsHonouredAcrossTheYearsEnd_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<qint64>("startMs");
        QTest::newRow("midday") << "2026-03-01T12:00:00" << qint64(EpochMs(2026, 3, 1, 43200000.0));
        QTest::newRow("last second of the year")
            << "2026-12-31T23:59:59.250" << qint64(EpochMs(2026, 12, 31, 86399250.0));
        QTest::newRow("leap day") << "2028-02-29T23:59:59.999"
                                  << qint64(EpochMs(2028, 2, 29, 86399999.0));
    }
    void startTimeIsHonouredAcrossTheYearsEnd()
    {
        QFETCH(QString, start);
        QFETCH(qint64, startMs);
        Session sim;
        QVERIFY(
            sim.Open(Args("--fast --count 18 --max-samples 50 --close-at-end --start", {start})));
        const QByteArray bytes = sim.Read();
        QCOMPARE(EpochMsFromDayTime(ParsePacketHeader(ByteSpan(bytes).subspan(6))->Time), startMs);
        const std::vector<SeenDt> packets = DataPackets(bytes);
        QCOMPARE(int(packets.size()), 18);
        QCOMPARE(Breaks(packets, startMs), QString());
        QVERIFY(packets.back().StartMs >= startMs + 2500);
    }

    // A start in the past is not backfill: the data comes at the pace of the clock.
    void startInThePastIsPacedFromTheConnection()
    {
        Session sim;
        QVERIFY(sim.Process.Start(Args("--start 2001-01-01T00:00:00 --max-samples 25 --count 6")));
        sim.Socket.connectToHost(QHostAddress::LocalHost, sim.Process.Port());
        QVERIFY(sim.Socket.waitForConnected(5000));
        // The simulator's clock starts after this, once the greeting has come.
        const std::int64_t greetedMs = QDateTime::currentMSecsSinceEpoch();
        sim.Socket.write(Greeting(1234));
        const std::int64_t startMs = EpochMs(2001, 1, 1);
        QVERIFY(sim.Read(kFrame).mid(6, 2) == "EH");
        for (int i = 0; i < 6; ++i) {
            const std::vector<SeenDt> packet = DataPackets(sim.Read(kFrame));
            const std::int64_t receivedMs = QDateTime::currentMSecsSinceEpoch();
            QCOMPARE(int(packet.size()), 1);
            const std::int64_t endMs = packet[0].StartMs + 250;
            QVERIFY2(endMs - startMs <= receivedMs - greetedMs + 5, qPrintable(packet[0].Name));
        }
    }

    // Each step waits for what the simulator says it did, never for a time.
    void refusesConnectionsForAWhileAfterAClosure()
    {
        Session sim;
        QVERIFY(sim.Open(Args("--fast --close-after 2 --refuse 3")));
        QCOMPARE(sim.Read().size(), 2 * kFrame);
        sim.Socket.abort();
        QTRY_VERIFY(sim.Process.LogLines().contains(QStringLiteral("fault refuse 3 s")));
        QTcpSocket refused;
        refused.connectToHost(QHostAddress::LocalHost, sim.Process.Port());
        QVERIFY(!refused.waitForConnected(5000));
        QCOMPARE(refused.error(), QAbstractSocket::ConnectionRefusedError);
        QTRY_VERIFY_WITH_TIMEOUT(sim.Process.LogLines().contains(QStringLiteral("listening again")),
                                 15000);
        QTcpSocket accepted;
        accepted.connectToHost(QHostAddress::LocalHost, sim.Process.Port());
        QVERIFY(accepted.waitForConnected(5000));
    }

    void silentServerSendsNothingAfterTheHandshakeAndKeepsTheConnection()
    {
        Session sim;
        QVERIFY(sim.Open(Args("--silent --fast")));
        // The simulator answers one client at a time: once a second client's greeting is
        // logged, whatever it would have sent the first is on its way.
        QTRY_VERIFY(sim.Process.LogLines().contains(
            QStringLiteral("connection 1 silent, sending nothing")));
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, sim.Process.Port());
        QVERIFY(second.waitForConnected(5000));
        second.write(Greeting(99));
        QVERIFY(second.flush());
        QTRY_VERIFY(sim.Process.LogLines().contains(
            QStringLiteral("connection 2 silent, sending nothing")));
        QVERIFY(!sim.Socket.waitForReadyRead(0));
        QCOMPARE(sim.Socket.bytesAvailable(), 0);
        QCOMPARE(sim.Socket.state(), QAbstractSocket::ConnectedState);
        const QString log = sim.Log();
        QVERIFY2(
            log.contains(QStringLiteral("connection 1 handshake 2 ok: type 11 length 36 pid 1234\n"
                                        "connection 1 handshake 3 ok: type 3 length 28\n"
                                        "connection 1 silent, sending nothing")),
            qPrintable(log));
    }

    void handshakeCheckTellsTheMonitorsGreetingFromAForeignOne()
    {
        auto verdicts = [](const QByteArray& bytes) {
            HandshakeCheck check;
            check.Feed(bytes.left(20));
            check.Feed(bytes.mid(20));
            QStringList words;
            for (const QString& line : check.Report())
                words << line.section(QLatin1Char(':'), 0, 0);
            return words.join(QLatin1String(", "));
        };
        QByteArray foreign = Greeting(1);
        foreign[6 + 6 + 4] = 'O';    // the client's name
        foreign[6 + 42 + 6 + 3] = 1; // the request's first word
        QCOMPARE(verdicts(Greeting(1)),
                 QStringLiteral("handshake 1 ok, handshake 2 ok, handshake 3 ok"));
        QCOMPARE(verdicts(foreign),
                 QStringLiteral("handshake 1 ok, handshake 2 mismatch, handshake 3 mismatch"));
    }

    void badOptionsAreRefused_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::newRow("rate 0") << "--rate 0";
        QTest::newRow("rate too wide for the header") << "--rate 12.345";
        QTest::newRow("unit not hexadecimal") << "--units XYZ";
        QTest::newRow("33 channels") << "--channels 33";
        QTest::newRow("unknown format") << "--format steim3";
        QTest::newRow("unknown option") << "--bogus";
        QTest::newRow("loop without replay") << "--loop";
        QTest::newRow("start without a T") << "--start 2026-01-01_00:00:00";
        QTest::newRow("start on 30 February") << "--start 2026-02-30T00:00:00";
        QTest::newRow("start at hour 24") << "--start 2026-01-01T24:00:00";
        QTest::newRow("start before the header's years") << "--start 1987-12-31T23:59:59";
        QTest::newRow("start with two digits of ms") << "--start 2026-01-01T00:00:00.25";
        QTest::newRow("start with a replay") << "--start 2026-01-01T00:00:00 --replay x";
        QTest::newRow("stop of a unit not simulated") << "--fault-stop 9A3D,1";
        QTest::newRow("stop of channel 4 of 3") << "--fault-stop 9A3C/1/4,1";
        QTest::newRow("stop of stream 0") << "--fault-stop 9A3C/0/1,1";
        QTest::newRow("stop of a stream") << "--fault-stop 9A3C/1,1";
        QTest::newRow("stop without its time") << "--fault-stop 9A3C";
        QTest::newRow("stop at a negative time") << "--fault-stop 9A3C,-1";
        QTest::newRow("stop for no time") << "--fault-stop 9A3C,1,0";
        QTest::newRow("stop with a word for FOR") << "--fault-stop 9A3C,1,ever";
        QTest::newRow("constant beyond 24 bits") << "--fault-constant 9A3C/1/1,8388608";
        QTest::newRow("constant not a number") << "--fault-constant 9A3C/1/1,x";
        QTest::newRow("clip with a value") << "--fault-clip 9A3C,5";
        QTest::newRow("shift of a channel") << "--fault-shift 9A3C/1/1,5";
        QTest::newRow("shift without seconds") << "--fault-shift 9A3C";
        QTest::newRow("drop of every packet") << "--fault-drop 9A3C,1";
        QTest::newRow("a good fault then a bad one") << "--fault-drop 9A3C,3 --fault-drop 9A3C,0";
        QTest::newRow("fault with a replay") << "--fault-clip 9A3C --replay x";
    }
    void badOptionsAreRefused()
    {
        QFETCH(QString, arguments);
        TestChild sim;
        const QStringList args = Args("--listen 127.0.0.1:0") + arguments.split(QLatin1Char(' '));
        QCOMPARE(sim.Run(QStringLiteral(PKSD_SIM_PATH), args), 2);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
        const QByteArray error = sim.readAllStandardError();
        QVERIFY2(error.contains("(see --help)"), error.constData());
    }

    void headerReadsBackAcrossTheCenturyWindow_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("dayOfYear");
        QTest::addColumn<double>("msec");
        QTest::addColumn<int>("sequence");
        QTest::newRow("first year of the 1900s window") << 1988 << 1 << 0.0 << 0;
        QTest::newRow("leap day 366, last millisecond") << 2004 << 366 << 86399999.0 << 9999;
        QTest::newRow("last year of the 2000s window") << 2087 << 200 << 1234.0 << 4321;
        QTest::newRow("sequence past 9999 keeps four digits") << 2006 << 1 << 45296789.0 << 12345;
    }
    void headerReadsBackAcrossTheCenturyWindow()
    {
        QFETCH(int, year);
        QFETCH(int, dayOfYear);
        QFETCH(double, msec);
        QFETCH(int, sequence);
        const PacketHeader header{.Experiment = 42,
                                  .DasId = 0xBEEF,
                                  .Sequence = std::uint16_t(sequence),
                                  .Time = DayTime{DayNumberFromDoy(year, dayOfYear), msec}};
        std::uint8_t packet[kPacketHeaderSize] = {};
        WritePacketHeader(packet, "DT", header);
        const PacketHeader parsed = *ParsePacketHeader(packet);
        QCOMPARE(packet[0], std::uint8_t('D'));
        QVERIFY(std::tie(parsed.Experiment, parsed.DasId, parsed.Time.Day, parsed.Time.Msec) ==
                std::tie(header.Experiment, header.DasId, header.Time.Day, header.Time.Msec));
        QCOMPARE(int(parsed.Sequence), sequence % 10000);
    }

    void dtPacketsDecodeToWhatWasWritten_data()
    {
        QTest::addColumn<SampleFormat>("format");
        QTest::addColumn<Samples>("samples");
        QTest::addColumn<int>("taken"); // -1: as many as fill the frames
        QTest::newRow("16-bit") << FormatInt16 << Walk(2000, 300) << 500;
        QTest::newRow("16-bit saturates") << FormatInt16 << Samples{40000, -40000, -1} << 3;
        QTest::newRow("32-bit near the top")
            << FormatInt32 << Walk(2000, 1000000, 2000000000) << 250;
        QTest::newRow("Steim-1 constant") << FormatSteim1 << Samples(2000, 77) << 892;
        QTest::newRow("Steim-2 constant") << FormatSteim2 << Samples(2000, 77) << 1561;
        QTest::newRow("Steim-1 wide") << FormatSteim1 << Walk(2000, 100000, -5000000) << -1;
        QTest::newRow("Steim-2 mixed widths") << FormatSteim2 << Walk(2000, 20000, 77) << -1;
        QTest::newRow("Steim-2 30-bit") << FormatSteim2 << Walk(2000, 400000000) << -1;
        QTest::newRow("short signal whole") << FormatSteim2 << Walk(10, 3, -5) << 10;
        QTest::newRow("Steim-2 refuses differences beyond 30 bits")
            << FormatSteim2 << Samples{0, 2000000000, -2000000000, 0} << 0;
        QTest::newRow("nothing to write") << FormatSteim1 << Samples{} << 0;
    }
    void dtPacketsDecodeToWhatWasWritten()
    {
        QFETCH(SampleFormat, format);
        QFETCH(Samples, samples);
        QFETCH(int, taken);
        PacketBytes packet{};
        const DtFields fields = Fields(format);
        const int took = WriteDtPacket(packet, fields, samples);
        if (taken >= 0)
            QCOMPARE(took, taken);
        if (took == 0)
            return;
        auto slot = std::make_unique<DtPacket>();
        QVERIFY(DecodeDtPacket(*slot, packet));
        QCOMPARE(int(slot->SampleCount), took);
        const PacketHeader& h = fields.Header;
        QVERIFY(std::tie(slot->DasId, slot->Sequence, slot->Experiment, slot->Time.Day,
                         slot->Time.Msec) ==
                std::tie(h.DasId, h.Sequence, h.Experiment, h.Time.Day, h.Time.Msec));
        QVERIFY(std::tie(slot->Event, slot->Stream, slot->Channel) ==
                std::tie(fields.Event, fields.Stream, fields.Channel));
        for (int i = 0; i < took; ++i) {
            const std::int32_t s = samples[std::size_t(i)];
            QCOMPARE(slot->Samples[i], format == FormatInt16 ? std::clamp(s, -32768, 32767) : s);
        }
        if (!IsSteim(format) || took == int(samples.size()))
            return;
        // The last word of the last frame is in use, and one sample more changes nothing.
        QVERIFY2((packet[64 + 14 * 64 + 3] & 3) != 0, "last word of the last frame is empty");
        const Samples fewer(samples.begin(), samples.begin() + took + 1);
        PacketBytes again{};
        QCOMPARE(WriteDtPacket(again, fields, fewer), took);
    }

    void eventHeaderReadsBackWithTextsCutToTheirFields_data()
    {
        QTest::addColumn<bool>("trailer");
        QTest::addColumn<bool>("bank");
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<bool>("tooLong"); // every text longer than its field
        QTest::newRow("EH of bank 0") << false << false << 0xC2 << false;
        QTest::newRow("ET of bank 1") << true << true << 0x16 << false;
        QTest::newRow("EH format C1, texts cut") << false << false << 0xC1 << true;
    }
    void eventHeaderReadsBackWithTextsCutToTheirFields()
    {
        QFETCH(bool, trailer);
        QFETCH(bool, bank);
        QFETCH(int, formatByte);
        QFETCH(bool, tooLong);
        EventHeaderFields fields;
        fields.Header.DasId = 0x9A3D;
        fields.Header.Time = DayTime{DayNumberFromYmd(2025, 6, 1), 1000.0};
        fields.Trailer = trailer;
        fields.Stream = 2;
        fields.ChannelBank = bank;
        fields.FormatByte = std::uint8_t(formatByte);
        fields.Name = tooLong ? "ABCDEFG" : "S3";
        fields.EventKind = tooLong ? "CONTINUOUS" : "CON";
        fields.SampleRate = tooLong ? " 250.0" : " 250";
        fields.Positions[0] = {"1.5uV", "20.0", 'V'};
        fields.Positions[1] = {"2mV", "1.25", 'A'};
        fields.Positions[15] = {"0.5V", "500", 'D'};
        if (tooLong)
            fields.Positions[2] = {"1.5uV-and-more", "20.00000", 'V'};
        PacketBytes packet{};
        WriteEventHeader(packet, fields);
        QCOMPARE(packet[1], std::uint8_t(trailer ? 'T' : 'H'));
        QCOMPARE(packet[288 + 8 * 3], std::uint8_t(' ')); // position 3's bit weight stays blank
        QCOMPARE(packet[544 + 6 * 3], std::uint8_t(' '));

        EventHeaderInfo info;
        QVERIFY(ParseEventHeader(packet, info));
        QCOMPARE(info.DasId, fields.Header.DasId);
        QCOMPARE(info.Stream, fields.Stream);
        QCOMPARE(info.ChannelBank, bank);
        QCOMPARE(QByteArray(info.Name), QByteArray(tooLong ? "ABCD" : "S3"));
        QCOMPARE(info.SampleRate, 250.0);
        QCOMPARE(info.Positions[0].BitWeight, 1.5e-6);
        QCOMPARE(info.Positions[0].VoltsPerUnit, 20.0);
        QCOMPARE(info.Positions[0].Kind, UnitKind::V);
        QCOMPARE(info.Positions[1].BitWeight, 0.002);
        QCOMPARE(info.Positions[1].Kind, UnitKind::A);
        QCOMPARE(info.Positions[15].BitWeight, 0.5);
        QCOMPARE(info.Positions[15].Kind, UnitKind::D);
        QCOMPARE(info.Positions[3].Kind, UnitKind::None);
    }
};

QTEST_GUILESS_MAIN(TstPksdSim)
#include "tst_pksdsim.moc"
