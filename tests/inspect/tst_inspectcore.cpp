#include "tests/inspect/inspectpackets.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "packets/byteorder.h"
#include "tools/inspect/inspectrun.h"
#include "tools/inspect/recordformat.h"
#include "tools/inspect/streamreader.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <limits>

namespace {

struct Collected final : PacketVisitor
{
    QList<std::uint64_t> Offsets;
    QList<qsizetype> Lengths;
    QList<ReadIssue> Issues;
    void OnPayload(std::uint64_t offset, std::uint16_t,
                   std::span<const std::uint8_t> payload) override
    {
        Offsets.append(offset);
        Lengths.append(static_cast<qsizetype>(payload.size()));
    }
    void OnIssue(const ReadIssue& issue) override { Issues.append(issue); }
};

// Hands out at most 7 bytes per read, as a pipe may.
class TrickleDevice final : public QIODevice
{
public:
    explicit TrickleDevice(const QByteArray& bytes) : data(bytes) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>({max, 7, data.size() - at});
        std::memcpy(out, data.constData() + at, static_cast<std::size_t>(n));
        at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data;
    qint64 at = 0;
};

struct Run
{
    int Status = -1;
    QByteArray Out;
    QByteArray Err;
};

Run RunCore(const QStringList& args, const QByteArray& input = {})
{
    QByteArray in = input;
    QBuffer inBuffer(&in);
    QBuffer outBuffer;
    QBuffer errBuffer;
    inBuffer.open(QIODevice::ReadOnly);
    outBuffer.open(QIODevice::WriteOnly);
    errBuffer.open(QIODevice::WriteOnly);
    Run run;
    run.Status = RunInspect(args, inBuffer, outBuffer, errBuffer);
    run.Out = outBuffer.data();
    run.Err = errBuffer.data();
    return run;
}

QJsonObject FirstJson(const QByteArray& out)
{
    return QJsonDocument::fromJson(out.left(out.indexOf('\n'))).object();
}

QByteArray WithFormatByte(QByteArray packet, char byte)
{
    packet[23] = byte;
    return packet;
}

QByteArray Dt16()
{
    int taken = 0;
    return Bytes(MakeDtPacket(DtFormat::Int16, {1, -1, 3}, taken));
}

} // namespace

Q_DECLARE_METATYPE(InputMode)
Q_DECLARE_METATYPE(DtFormat)

class tst_InspectCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DetectByteOrder(); }
    void printableBytes_data();
    void printableBytes();
    void cutFrameHeader_data();
    void cutFrameHeader();
    void reader_data();
    void reader();
    void samplesRoundTrip_data();
    void samplesRoundTrip();
    void dtFieldsInJson();
    void eventHeaderJson_data();
    void eventHeaderJson();
    void reports_data();
    void reports();
    void commandLine_data();
    void commandLine();
    void missingFileStillReadsOthers();
};

void tst_InspectCore::printableBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain") << QByteArray("DT") << QByteArray("DT");
    QTest::newRow("quote and backslash") << QByteArray("a\"\\b") << QByteArray("a\\\"\\\\b");
    QTest::newRow("control and high")
        << QByteArray::fromHex("00ff7f") << QByteArray("\\x00\\xFF\\x7F");
}

void tst_InspectCore::printableBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QCOMPARE(PrintableBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size())),
             text);
}

void tst_InspectCore::cutFrameHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("length");
    QTest::newRow("empty payload")
        << QByteArray::fromHex("000100000000") << int(FrameOutcome::Whole) << 0;
    QTest::newRow("1024") << QByteArray::fromHex("000100000400") << int(FrameOutcome::NeedMore)
                          << 1024;
    QTest::newRow("1025") << QByteArray::fromHex("000100000401") << int(FrameOutcome::BadLength)
                          << 1025;
    QTest::newRow("-1") << QByteArray::fromHex("0001ffffffff") << int(FrameOutcome::BadLength)
                        << -1;
    QTest::newRow("most negative")
        << QByteArray::fromHex("000180000000") << int(FrameOutcome::BadLength)
        << std::numeric_limits<std::int32_t>::min();
    QTest::newRow("five bytes") << QByteArray::fromHex("0001000004") << int(FrameOutcome::NeedMore)
                                << 0;
}

void tst_InspectCore::cutFrameHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, cut);
    QFETCH(int, length);
    const auto header = ReadFrame(ByteSpan(bytes));
    QCOMPARE(int(header.Outcome), cut);
    if (bytes.size() >= 6) {
        QCOMPARE(header.Type, 1);
        QCOMPARE(header.Length, length);
    }
}

void tst_InspectCore::reader_data()
{
    QTest::addColumn<InputMode>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<qsizetype>>("lengths");
    QTest::addColumn<int>("problem"); // -1: none
    QTest::addColumn<qulonglong>("problemOffset");

    const QByteArray packet(1024, 'x');
    const auto none = -1;
    QTest::newRow("packets: empty")
        << InputMode::Packets << QByteArray() << QList<qsizetype>{} << none << 0ULL;
    QTest::newRow("packets: two") << InputMode::Packets << packet + packet
                                  << QList<qsizetype>{1024, 1024} << none << 0ULL;
    QTest::newRow("packets: short last")
        << InputMode::Packets << packet + QByteArray(476, 'y') << QList<qsizetype>{1024}
        << int(ReadProblem::TruncatedPacket) << 1024ULL;
    QTest::newRow("packets: one byte short")
        << InputMode::Packets << packet.left(1023) << QList<qsizetype>{}
        << int(ReadProblem::TruncatedPacket) << 0ULL;

    const QByteArray frames = Frame(packet) + Frame(QByteArray(944, 'e')) + Frame({});
    QTest::newRow("frames: three")
        << InputMode::Frames << frames << QList<qsizetype>{1024, 944, 0} << none << 0ULL;
    QTest::newRow("frames: header cut")
        << InputMode::Frames << frames + QByteArray(3, '\0') << QList<qsizetype>{1024, 944, 0}
        << int(ReadProblem::TruncatedFrameHeader) << 1030ULL + 950 + 6;
    QTest::newRow("frames: payload cut")
        << InputMode::Frames << Frame(packet).left(1029) << QList<qsizetype>{}
        << int(ReadProblem::TruncatedFrame) << 0ULL;
    QTest::newRow("frames: bad length stops")
        << InputMode::Frames << Frame(packet) + QByteArray::fromHex("000100000401") + frames
        << QList<qsizetype>{1024} << int(ReadProblem::BadFrameLength) << 1030ULL;
    QTest::newRow("frames: negative length")
        << InputMode::Frames << QByteArray::fromHex("0001fffffff0") + frames << QList<qsizetype>{}
        << int(ReadProblem::BadFrameLength) << 0ULL;
}

void tst_InspectCore::reader()
{
    QFETCH(InputMode, mode);
    QFETCH(QByteArray, input);
    QFETCH(QList<qsizetype>, lengths);
    QFETCH(int, problem);
    QFETCH(qulonglong, problemOffset);

    // An exactly sized heap copy, so that reading past the end shows under the sanitizers.
    std::vector<std::uint8_t> exact(input.begin(), input.end());
    Collected whole;
    ReadBuffer(exact, mode, whole);
    QCOMPARE(whole.Lengths, lengths);
    QCOMPARE(whole.Issues.size(), problem < 0 ? 0 : 1);
    if (problem >= 0) {
        QCOMPARE(int(whole.Issues[0].Problem), problem);
        QCOMPARE(whole.Issues[0].Offset, problemOffset);
    }

    TrickleDevice trickle(input);
    Collected pieces;
    ReadStream(trickle, mode, pieces);
    QCOMPARE(pieces.Offsets, whole.Offsets);
    QCOMPARE(pieces.Lengths, whole.Lengths);
    QCOMPARE(pieces.Issues.size(), whole.Issues.size());
}

void tst_InspectCore::samplesRoundTrip_data()
{
    QTest::addColumn<DtFormat>("format");
    QTest::addColumn<std::vector<std::int32_t>>("samples");
    QTest::addColumn<int>("formatCode");

    std::vector<std::int32_t> ramp;
    for (int i = 0; i < 3000; ++i) {
        ramp.push_back((i * 37) % 501 - 250);
    }
    std::vector<std::int32_t> wide;
    for (int i = 0; i < 300; ++i) {
        wide.push_back(i % 2 ? 250000000 - i : -250000000 + i * 7);
    }
    QTest::newRow("int16") << DtFormat::Int16 << std::vector<std::int32_t>{-32768, -1, 0, 32767}
                           << 1;
    QTest::newRow("int16 full") << DtFormat::Int16 << ramp << 1;
    QTest::newRow("int32") << DtFormat::Int32
                           << std::vector<std::int32_t>{std::numeric_limits<std::int32_t>::min(),
                                                        -1, 0,
                                                        std::numeric_limits<std::int32_t>::max()}
                           << 2;
    QTest::newRow("steim1 ramp") << DtFormat::Steim1 << ramp << 3;
    QTest::newRow("steim1 wide") << DtFormat::Steim1 << wide << 3;
    QTest::newRow("steim2 ramp") << DtFormat::Steim2 << ramp << 5;
    QTest::newRow("steim2 wide") << DtFormat::Steim2 << wide << 5;
    QTest::newRow("steim2 few") << DtFormat::Steim2 << std::vector<std::int32_t>{5, 6, 4} << 5;
}

void tst_InspectCore::samplesRoundTrip()
{
    QFETCH(DtFormat, format);
    QFETCH(std::vector<std::int32_t>, samples);
    QFETCH(int, formatCode);
    int taken = 0;
    const QByteArray packet = Bytes(MakeDtPacket(format, samples, taken));
    QVERIFY(taken > 0);

    const Run run = RunCore({QStringLiteral("--packets"), QStringLiteral("--json"),
                             QStringLiteral("--samples"), QStringLiteral("-")},
                            packet);
    QCOMPARE(run.Status, 0);
    QCOMPARE(run.Out.count('\n'), 1);
    const QJsonObject json = FirstJson(run.Out);
    QCOMPARE(json.value(QStringLiteral("Format")).toInt(), formatCode);
    QCOMPARE(json.value(QStringLiteral("SampleCount")).toInt(), taken);
    const QJsonArray got = json.value(QStringLiteral("Samples")).toArray();
    QCOMPARE(got.size(), taken);
    for (int i = 0; i < taken; ++i) {
        QCOMPARE(got[i].toInteger(), qint64(samples[static_cast<std::size_t>(i)]));
    }
}

void tst_InspectCore::dtFieldsInJson()
{
    const Run run = RunCore(
        {QStringLiteral("--json"), QStringLiteral("--packets"), QStringLiteral("-")}, Dt16());
    const QJsonObject json = FirstJson(run.Out);
    QCOMPARE(json.value(QStringLiteral("Type")).toString(), QStringLiteral("DT"));
    QCOMPARE(json.value(QStringLiteral("Time")).toString(),
             QStringLiteral("2006.01.01 12:34:56.789"));
    QCOMPARE(json.value(QStringLiteral("DasId")).toString(), QStringLiteral("0A3F"));
    QCOMPARE(json.value(QStringLiteral("Experiment")).toInt(), 7);
    QCOMPARE(json.value(QStringLiteral("Sequence")).toInt(), 4321);
    QCOMPARE(json.value(QStringLiteral("Event")).toInt(), 12);
    QCOMPARE(json.value(QStringLiteral("Stream")).toInt(), 2);
    QCOMPARE(json.value(QStringLiteral("Channel")).toInt(), 5);
    QVERIFY(!json.contains(QStringLiteral("Samples")));

    const Run text = RunCore({QStringLiteral("--packets"), QStringLiteral("-")}, Dt16());
    QCOMPARE(text.Out, QByteArray("DT 0A3F stream 2 channel 5 samples 3 format 1 time "
                                  "2006.01.01 12:34:56.789 seq 4321\n"));
}

void tst_InspectCore::eventHeaderJson_data()
{
    QTest::addColumn<bool>("trailer");
    QTest::addColumn<bool>("bank");
    QTest::addColumn<int>("length"); // payload length in a frame
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("channels");
    QTest::addColumn<double>("volts0");
    QTest::addColumn<QString>("unit0");

    const QString velocity = QStringLiteral("M/S");
    QTest::newRow("EH") << false << false << 1024 << QStringLiteral("NORT") << QList<int>{0, 4}
                        << 20.0 << velocity;
    QTest::newRow("ET bank") << true << true << 1024 << QStringLiteral("NORT") << QList<int>{16, 20}
                             << 20.0 << velocity;
    QTest::newRow("quote in name") << false << false << 1024 << QStringLiteral("a\"\\b")
                                   << QList<int>{0, 4} << 20.0 << velocity;
    // Bit weights of positions 0-3 end at byte 320: position 4 and every sensor field read as
    // blanks.
    QTest::newRow("short payload") << false << false << 320 << QStringLiteral("NORT")
                                   << QList<int>{0} << 0.0 << QStringLiteral("Unk");
}

void tst_InspectCore::eventHeaderJson()
{
    QFETCH(bool, trailer);
    QFETCH(bool, bank);
    QFETCH(int, length);
    QFETCH(QString, name);
    QFETCH(QList<int>, channels);
    QFETCH(double, volts0);
    QFETCH(QString, unit0);
    EventHeaderFields fields = TestEventFields();
    fields.Trailer = trailer;
    fields.ChannelBank = bank;
    fields.Name = name.toStdString();
    const QByteArray payload = Bytes(MakeEventPacket(fields)).left(length);

    const Run run =
        RunCore({QStringLiteral("--frames"), QStringLiteral("--json"), QStringLiteral("-")},
                Frame(payload));
    QCOMPARE(run.Status, 0);
    const QList<QByteArray> lines = run.Out.trimmed().split('\n');
    const QJsonObject json = QJsonDocument::fromJson(lines.last()).object();
    QCOMPARE(json.value(QStringLiteral("Type")).toString(),
             trailer ? QStringLiteral("ET") : QStringLiteral("EH"));
    QCOMPARE(json.value(QStringLiteral("DasId")).toString(), QStringLiteral("0A3F"));
    QCOMPARE(json.value(QStringLiteral("Stream")).toInt(), 3);
    QCOMPARE(json.value(QStringLiteral("ChannelBank")).toBool(), bank);
    QCOMPARE(json.value(QStringLiteral("Name")).toString(), name);
    QCOMPARE(json.value(QStringLiteral("SampleRate")).toDouble(), 100.0);
    const QJsonArray positions = json.value(QStringLiteral("Positions")).toArray();
    QCOMPARE(positions.size(), channels.size());
    for (int i = 0; i < channels.size(); ++i) {
        QCOMPARE(positions[i][QStringLiteral("Channel")].toInt(), channels[i]);
        QCOMPARE(positions[i][QStringLiteral("Position")].toInt(), channels[i] % 16);
    }
    QCOMPARE(positions[0][QStringLiteral("BitWeight")].toDouble(), 1.5e-6);
    QCOMPARE(positions[0][QStringLiteral("VoltsPerUnit")].toDouble(), volts0);
    QCOMPARE(positions[0][QStringLiteral("UnitCode")].toString(), unit0);
    if (positions.size() > 1) {
        QCOMPARE(positions[1][QStringLiteral("BitWeight")].toDouble(), 0.002);
        QCOMPARE(positions[1][QStringLiteral("UnitCode")].toString(), QStringLiteral("M/S^2"));
    }
    // A short payload is said to be short, and every line is JSON.
    QCOMPARE(lines.size(), length < 944 ? 2 : 1);
    for (const QByteArray& line : lines) {
        QVERIFY(QJsonDocument::fromJson(line).isObject());
    }
}

void tst_InspectCore::reports_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<int>("packetLines"); // lines that start with a packet type
    QTest::addColumn<int>("status");

    const QByteArray dt = Dt16();
    EventHeaderFields badKind = TestEventFields();
    badKind.EventKind = "XYZ";
    EventHeaderFields badFormat = TestEventFields();
    badFormat.FormatByte = 0x24;
    EventHeaderFields c1 = TestEventFields();
    c1.FormatByte = 0xC1;

    QTest::newRow("DT format C1 refused")
        << "--packets" << WithFormatByte(dt, char(0xC1)) + dt
        << QByteArray("-: offset 0: refused DT packet: unknown format byte 0xC1") << 1 << 0;
    QTest::newRow("DT format 2C refused")
        << "--packets" << WithFormatByte(dt, char(0x2C))
        << QByteArray("-: offset 0: refused DT packet: unknown format byte 0x2C") << 0 << 0;
    QTest::newRow("EH unknown kind")
        << "--packets" << Bytes(MakeEventPacket(badKind)) + dt
        << QByteArray("-: offset 0: refused EH packet: unknown event kind \"XYZ\"") << 1 << 0;
    QTest::newRow("EH unknown format")
        << "--packets" << Bytes(MakeEventPacket(badFormat))
        << QByteArray("-: offset 0: refused EH packet: unknown format byte 0x24") << 0 << 0;
    QTest::newRow("EH format C1 usable")
        << "--packets" << Bytes(MakeEventPacket(c1)) << QByteArray() << 1 << 0;
    QTest::newRow("foreign type") << "--packets" << QByteArray(1024, 'Q') + dt
                                  << QByteArray("-: offset 0: type \"QQ\" is not a recorder "
                                                "packet type this tool knows")
                                  << 1 << 0;
    QTest::newRow("truncated packet")
        << "--packets" << dt + dt.left(100)
        << QByteArray("-: offset 1024: truncated packet: 100 of 1024 bytes") << 1 << 3;
    QTest::newRow("truncated frame")
        << "--frames" << Frame(dt, 2) + Frame(dt).left(500)
        << QByteArray("-: offset 1030: truncated frame: 494 of 1024 payload bytes") << 1 << 3;
    QTest::newRow("bad frame length")
        << "--frames" << Frame(dt) + QByteArray::fromHex("000200000800") + Frame(dt)
        << QByteArray("-: offset 1030: bad frame length 2048") << 1 << 3;
    QTest::newRow("short DT frame shown")
        << "--frames" << Frame(dt.left(600))
        << QByteArray("-: offset 0: DT payload of 600 bytes, not 1024: not ingestible") << 1 << 0;
    QTest::newRow("tiny DT frame")
        << "--frames" << Frame(dt.left(10)) << QByteArray("DT payload of 10 bytes") << 0 << 0;
    QTest::newRow("empty frame") << "--frames" << Frame({}, 9)
                                 << QByteArray("payload of 0 bytes holds no packet type "
                                               "(frame type 9)")
                                 << 0 << 0;
    QByteArray overstated = dt;
    WriteBcd(reinterpret_cast<std::uint8_t*>(overstated.data()) + 20, 4, 9999);
    QTest::newRow("count beyond data area")
        << "--packets" << overstated
        << QByteArray("the packet states 9999 samples, its data area holds 500") << 1 << 0;
}

void tst_InspectCore::reports()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, report);
    QFETCH(int, packetLines);
    QFETCH(int, status);
    const Run run = RunCore({mode, QStringLiteral("--samples"), QStringLiteral("-")}, input);
    QCOMPARE(run.Status, status);
    QVERIFY2(run.Out.contains(report), run.Out.constData());
    int shown = 0;
    for (const QByteArray& line : run.Out.split('\n')) {
        shown += line.startsWith("DT ") || line.startsWith("EH ") ? 1 : 0;
    }
    QCOMPARE(shown, packetLines);
}

void tst_InspectCore::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("packets") << QStringList{QStringLiteral("--packets"), QStringLiteral("a")}
                             << true << int(InputMode::Packets) << QStringList{QStringLiteral("a")};
    QTest::newRow("frames stdin") << QStringList{QStringLiteral("-"), QStringLiteral("--frames"),
                                                 QStringLiteral("b")}
                                  << true << int(InputMode::Frames)
                                  << QStringList{QStringLiteral("-"), QStringLiteral("b")};
    QTest::newRow("dash file") << QStringList{QStringLiteral("--frames"), QStringLiteral("--"),
                                              QStringLiteral("--x")}
                               << true << int(InputMode::Frames)
                               << QStringList{QStringLiteral("--x")};
    QTest::newRow("no mode") << QStringList{QStringLiteral("a")} << false << 0 << QStringList{};
    QTest::newRow("both modes") << QStringList{QStringLiteral("--frames"),
                                               QStringLiteral("--packets"), QStringLiteral("a")}
                                << false << 0 << QStringList{};
    QTest::newRow("no file") << QStringList{QStringLiteral("--frames")} << false << 0
                             << QStringList{};
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--frames"), QStringLiteral("--fast"), QStringLiteral("a")}
        << false << 0 << QStringList{};
}

void tst_InspectCore::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(bool, valid);
    QFETCH(int, mode);
    QFETCH(QStringList, files);
    const CommandLine line = ParseCommandLine(args);
    QCOMPARE(line.Valid, valid);
    if (valid) {
        QCOMPARE(int(line.Options.Mode), mode);
        QCOMPARE(line.Files, files);
    } else {
        const Run run = RunCore(args);
        QCOMPARE(run.Status, int(ExitUsage));
        QVERIFY(run.Err.contains("Usage: tremvue-inspect"));
        QVERIFY(run.Out.isEmpty());
    }
}

void tst_InspectCore::missingFileStillReadsOthers()
{
    const Run run = RunCore(
        {QStringLiteral("--packets"), QStringLiteral("/nonexistent/x.bin"), QStringLiteral("-")},
        Dt16());
    QCOMPARE(run.Status, int(ExitCannotOpen));
    QVERIFY(run.Err.contains("cannot open /nonexistent/x.bin"));
    QVERIFY(run.Out.startsWith("DT 0A3F"));
}

QTEST_GUILESS_MAIN(tst_InspectCore)
#include "tst_inspectcore.moc"
