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
#include "tools/pksd-sim/epochtime.h"
#include "tools/pksd-sim/handshakecheck.h"
#include "tools/pksd-sim/signalgenerator.h"

#include <QDateTime>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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

    void refusesConnectionsForAWhileAfterAClosure()
    {
        Session sim;
        QVERIFY(sim.Open(Args("--fast --close-after 2 --refuse 1")));
        QCOMPARE(sim.Read().size(), 2 * kFrame);
        sim.Socket.abort();
        bool refused = false;
        bool accepted = false;
        for (int attempt = 0; attempt < 200 && !accepted; ++attempt) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, sim.Process.Port());
            if (socket.waitForConnected(5000))
                accepted = refused; // one that slipped in before the refusal does not count
            else
                refused = true;
            if (!accepted)
                QThread::msleep(20);
        }
        QVERIFY(refused && accepted);
        QVERIFY(sim.Log().contains(QStringLiteral("fault refuse 1 s")));
    }

    void silentServerSendsNothingAfterTheHandshakeAndKeepsTheConnection()
    {
        Session sim;
        QVERIFY(sim.Open(Args("--silent --fast")));
        QVERIFY(!sim.Socket.waitForReadyRead(500));
        QCOMPARE(sim.Socket.bytesAvailable(), 0);
        QCOMPARE(sim.Socket.state(), QAbstractSocket::ConnectedState);
        const QString log = sim.Log();
        QVERIFY2(
            log.endsWith(QStringLiteral("connection 1 handshake 2 ok: type 11 length 36 pid 1234\n"
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
    }
    void badOptionsAreRefused()
    {
        QFETCH(QString, arguments);
        TestChild sim;
        const QStringList args = Args("--listen 127.0.0.1:0") + arguments.split(QLatin1Char(' '));
        QCOMPARE(sim.Run(QStringLiteral(PKSD_SIM_PATH), args), 2);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
        QVERIFY(sim.readAllStandardError().contains("(see --help)"));
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
