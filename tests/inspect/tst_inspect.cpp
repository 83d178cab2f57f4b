// tremvue-inspect under a decimal-comma locale, in-process and as the operator runs it: what it
// cuts out of files and pipes, the lines and reports it prints, its exit status, and its
// miniSEED export read back with libmseed: every sample is the one our decoder gives, every
// packet starts a record at its own time, rates and names are as documented.
#include "tests/common/childprocess.h"
#include "tests/common/commalocale.h"
#include "tests/common/mseedread.h"
#include "tests/common/packetbytes.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/packetwriter.h"
#include "tools/inspect/inspectrun.h"
#include "tools/pksd-sim/simoptions.h"
#include "tools/pksd-sim/simulatedsource.h"
#include "tools/pksd-sim/simunits.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <map>
#include <memory>
#include <set>

namespace {

QByteArray Bytes(const PacketBytes& p)
{
    return QByteArray(reinterpret_cast<const char*>(p.data()), qsizetype(p.size()));
}

QByteArray Framed(const QByteArray& payload, std::uint16_t type = 2)
{
    return testpackets::FrameBytes(type, std::int32_t(payload.size()), ByteSpan(payload));
}

// Unit 9A3C, stream 2, channel 5, 2006.01.01 12:34:56.789, sequence 4321.
QByteArray Dt(SampleFormat format, const std::vector<std::int32_t>& samples)
{
    const DtFields f{.Header = {.Experiment = 7,
                                .DasId = 0x9A3C,
                                .Sequence = 4321,
                                .Time = DayTime{732692, 45296789.0}},
                     .Event = 17,
                     .Stream = 2,
                     .Channel = 5,
                     .Format = format};
    PacketBytes p{};
    WriteDtPacket(p, f, samples);
    return Bytes(p);
}

EventHeaderFields EhFields(const char* name = "NORT")
{
    EventHeaderFields f;
    f.Header.DasId = 0x9A3C;
    f.Stream = 3;
    f.Name = name;
    f.SampleRate = " 100";
    f.Positions[0] = {"1.5uV", "20.0", 'V'};
    f.Positions[4] = {"2mV", "0.3", 'A'};
    f.Positions[9] = {"3.0", "1.0", 'D'}; // no unit: not usable
    return f;
}

QByteArray Eh(const EventHeaderFields& f)
{
    PacketBytes p{};
    WriteEventHeader(p, f);
    return Bytes(p);
}

// The event header pksd-sim writes for six channels at 0.5 samples per second.
QByteArray SimEh()
{
    SimOptions options;
    QString message;
    if (ParseSimOptions(Args("pksd-sim --rate 0.5 --channels 6"), options, message) !=
        ParseOutcome::Run)
        return {};
    PacketBytes p{};
    WriteEventHeader(p, MakeEventHeader(options, 0, 0, 0, DayTime{738000, 0.0}));
    return Bytes(p);
}

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
        std::memcpy(out, data.constData() + at, std::size_t(n));
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
    QByteArray Out; // standard output, then standard error
    QByteArray Listing;
    QByteArray Err;
};

// Reads input from standard input, in pieces as a pipe gives them.
Run Inspect(QStringList args, const QByteArray& input)
{
    args.append(QStringLiteral("-"));
    TrickleDevice in(input);
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = RunInspect(args, in, out, err);
    return {status, out.data() + err.data(), out.data(), err.data()};
}

// Unit 9A3C, stream 2, channel 5, stating the count given. Frame 0 holds the codes, X0 and XN,
// then data words; every later frame 15 data words.
testpackets::Packet SteimPacket(std::uint8_t format, unsigned stated, std::uint32_t firstCodes,
                                const std::vector<std::pair<unsigned, std::uint32_t>>& words)
{
    testpackets::Packet packet = testpackets::DtBytes(format, stated, 2, 5);
    std::uint32_t codes = firstCodes;
    std::size_t frame = 0;
    int k = 3;
    for (const auto& [code, word] : words) {
        if (k == 16) {
            WriteBig32(packet.data() + 64 + 64 * frame, codes);
            ++frame, k = 1, codes = 0;
        }
        codes |= code << (30 - 2 * k);
        WriteBig32(packet.data() + 64 + 64 * frame + 4 * std::size_t(k++), word);
    }
    WriteBig32(packet.data() + 64 + 64 * frame, codes);
    return packet;
}

std::vector<std::pair<unsigned, std::uint32_t>> Words(unsigned code, int n, std::uint32_t first)
{
    std::vector<std::pair<unsigned, std::uint32_t>> words;
    for (int i = 0; i < n; ++i)
        words.emplace_back(code, i == 0 ? first : std::uint32_t(i * 37 % 200 - 100));
    return words;
}

// X0 and XN set to our decoder's first and last sample, moved by the shifts.
QByteArray WithEnds(testpackets::Packet packet, std::uint32_t xnShift = 0,
                    std::uint32_t x0Shift = 0)
{
    auto slot = std::make_unique<DtPacket>();
    DecodeDtPacket(*slot, packet);
    WriteBig32(packet.data() + 68, std::uint32_t(slot->Samples[0]) + x0Shift);
    WriteBig32(packet.data() + 72, std::uint32_t(slot->Samples[slot->SampleCount - 1]) + xnShift);
    return Bytes(packet);
}

// The index-th of consecutive 32-bit packets of a channel at 40 samples per second.
QByteArray Int32Packet(unsigned channel, unsigned index, unsigned count = 250)
{
    testpackets::Header h;
    h.Hour = h.Minute = 0;
    h.Second = index * 6 + index / 4;
    h.Msec = index * 250 % 1000;
    testpackets::Packet p = testpackets::DtBytes(0x32, count, 2, channel, h);
    for (unsigned i = 0; i < count; ++i)
        WriteBig32(p.data() + 24 + 4 * i, index * 1000 + i);
    return Bytes(p);
}

// An event header of stream 2 that states rate.
QByteArray EventHeader(const char* rate)
{
    EventHeaderFields f = EhFields();
    f.Stream = 2;
    f.SampleRate = rate;
    f.Positions[5] = {"1.5uV", "20.0", 'V'}; // the channel of the Steim packets
    return Eh(f);
}

// A packet of count samples of unit 9A3C, stream 2, channel 5 that starts ms after midnight of
// 2026.03.01.
QByteArray DtAt(double ms, int count)
{
    const DtFields f{.Header = {.DasId = 0x9A3C, .Time = DayTime{DayNumberFromYmd(2026, 3, 1), ms}},
                     .Stream = 2,
                     .Channel = 5,
                     .Format = FormatInt32};
    PacketBytes p{};
    WriteDtPacket(p, f, std::vector<std::int32_t>(std::size_t(count), 1));
    return Bytes(p);
}

} // namespace

Q_DECLARE_METATYPE(SampleFormat)

class TstInspect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void samplesPrintedAreTheWrittenOnes_data();
    void samplesPrintedAreTheWrittenOnes();
    void linesAndReportsKeepEveryFieldAndThePoint_data();
    void linesAndReportsKeepEveryFieldAndThePoint();
    void exitStatusTellsBadUsageMissingAndDamagedInput_data();
    void exitStatusTellsBadUsageMissingAndDamagedInput();
    void framesReadAsPacketsAreToldOnceWithTheRightOption();
    void simulatedSessionExportsEverySampleAtItsTime();
    void decoderDeparturesExportAsDecoded_data();
    void decoderDeparturesExportAsDecoded();
    void recordNamesAndRatesAreRightAndBadPacketsSkipped_data();
    void recordNamesAndRatesAreRightAndBadPacketsSkipped();
    void gapsAndOverlapsAreToldAtTheirEdges_data();
    void gapsAndOverlapsAreToldAtTheirEdges();
    void gapsOfASimulatedSessionAreItsDroppedPackets();
    void sdsArchiveKeepsEachPacketOnceInTheFileOfItsDay();

private:
    QTemporaryDir dir;
};

void TstInspect::initTestCase()
{
    RequireCommaLocale();
    DetectByteOrder();
    QVERIFY(dir.isValid());
}

void TstInspect::samplesPrintedAreTheWrittenOnes_data()
{
    QTest::addColumn<SampleFormat>("format");
    QTest::addColumn<std::vector<std::int32_t>>("samples");
    std::vector<std::int32_t> wide;
    for (int i = 0; i < 300; ++i)
        wide.push_back(i % 2 ? 250000000 - i : -250000000 + i * 7);
    QTest::newRow("16-bit extremes")
        << FormatInt16 << std::vector<std::int32_t>{-32768, -1, 0, 32767};
    QTest::newRow("32-bit extremes")
        << FormatInt32 << std::vector<std::int32_t>{INT_MIN, -1, 0, INT_MAX};
    QTest::newRow("Steim-2 wide") << FormatSteim2 << wide;
}

void TstInspect::samplesPrintedAreTheWrittenOnes()
{
    QFETCH(SampleFormat, format);
    QFETCH(std::vector<std::int32_t>, samples);
    const QByteArray packet = Dt(format, samples);
    const Run json = Inspect(Args("--packets --json --samples"), packet);
    QCOMPARE(json.Status, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.Out).object();
    const QJsonArray got = object.value(QStringLiteral("Samples")).toArray();
    QVERIFY(!got.isEmpty());
    QCOMPARE(object.value(QStringLiteral("SampleCount")).toInt(), got.size());
    QByteArray text = " ";
    for (qsizetype i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].toInteger(), qint64(samples[std::size_t(i)]));
        text += ' ' + QByteArray::number(samples[std::size_t(i)]);
    }
    const Run plain = Inspect(Args("--packets --samples"), packet);
    QCOMPARE(plain.Out.split('\n').value(1), text);
}

void TstInspect::linesAndReportsKeepEveryFieldAndThePoint_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("listed"); // lines that show a packet
    QTest::addColumn<QByteArrayList>("shown");
    const QStringList packets = Args("--packets --samples");
    const QStringList frames = Args("--frames");
    const QStringList json = Args("--packets --json");
    const QByteArray dt = Dt(FormatInt16, {1, -1, 3});
    auto withByte = [](QByteArray packet, int at, char byte) {
        packet[at] = byte;
        return packet;
    };
    EventHeaderFields et = EhFields("a\"\\b");
    et.Trailer = et.ChannelBank = true;
    EventHeaderFields badKind = EhFields();
    badKind.EventKind = "XYZ";
    EventHeaderFields badFormat = EhFields();
    badFormat.FormatByte = 0x24;
    QByteArray overstated = dt;
    WriteBcd(reinterpret_cast<std::uint8_t*>(overstated.data()) + 20, 4, 9999);

    const auto row = [](const char* tag, const QStringList& args, const QByteArray& input,
                        int status, int listed, const QByteArrayList& shown) {
        QTest::newRow(tag) << args << input << status << listed << shown;
    };
    row("DT", frames, Framed(dt), 0, 1,
        {"DT 9A3C stream 2 channel 5 samples 3 format 1 time 2006.01.01 12:34:56.789 seq 4321\n"});
    row("DT json", json, dt, 0, 0,
        {"{\"Channel\":5,\"DasId\":\"9A3C\",\"Event\":17,\"Experiment\":7,"
         "\"Format\":1,\"SampleCount\":3,\"Sequence\":4321,\"Stream\":2,"
         "\"Time\":\"2006.01.01 12:34:56.789\",\"Type\":\"DT\"}\n"});
    row("pksd-sim's EH at 0.5 sps", packets, SimEh(), 0, 1,
        {"rate 0.5 positions 6\n",
         "  position 3 channel 3 bitweight 2.4e-06 voltsperunit 1.25 unit M/S^2\n"});
    row("ET of bank 1, quoted name", packets, Eh(et), 0, 0,
        {"ET 9A3C stream 3 channels 16-31 name \"a\\\"\\\\b\" rate 100 positions 2\n"
         "  position 0 channel 16 bitweight 1.5e-06 voltsperunit 20 unit M/S\n"
         "  position 4 channel 20 bitweight 0.002 voltsperunit 0.3 unit M/S^2\n"});
    row("ET json", json, Eh(et), 0, 0,
        {"{\"ChannelBank\":true,\"DasId\":\"9A3C\",\"Name\":\"a\\\"\\\\b\","
         "\"Positions\":[{\"BitWeight\":1.5e-06,\"Channel\":16,\"Position\":0,"
         "\"UnitCode\":\"M/S\",\"VoltsPerUnit\":20},{\"BitWeight\":0.002,"
         "\"Channel\":20,\"Position\":4,\"UnitCode\":\"M/S^2\",\"VoltsPerUnit\":"
         "0.3}],\"SampleRate\":100,\"Stream\":3,\"Type\":\"ET\"}\n"});
    // Bit weights of positions 0-3 end at byte 320: every sensor field reads as blanks.
    row("EH cut to 320 bytes", Args("--frames --json"), Framed(Eh(EhFields()).left(320)), 0, 0,
        {"EH payload of 320 bytes: the bytes from 320 on are read as blanks",
         "\"Positions\":[{\"BitWeight\":1.5e-06,\"Channel\":0,\"Position\":0,"
         "\"UnitCode\":\"Unk\",\"VoltsPerUnit\":0}]"});
    row("DT format C1 refused, the next shown", packets, withByte(dt, 23, char(0xC1)) + dt, 0, 1,
        {"-: offset 0: refused DT packet: unknown format byte 0xC1\n"});
    row("EH of unknown kind refused", packets, Eh(badKind) + dt, 0, 1,
        {"-: offset 0: refused EH packet: unknown event kind \"XYZ\"\n"});
    row("EH of unknown format refused", packets, Eh(badFormat), 0, 0,
        {"-: offset 0: refused EH packet: unknown format byte 0x24\n"});
    row("foreign type", packets, withByte(withByte(dt, 0, '\0'), 1, char(0xFF)), 0, 0,
        {"-: offset 0: type \"\\x00\\xFF\" is not a recorder packet type this tool knows\n"});
    row("truncated frame", frames, Framed(dt) + Framed(dt).left(500), 3, 1,
        {"-: offset 1030: truncated frame: 494 of 1024 payload bytes\n"});
    row("no input", packets, QByteArray(), 0, 0, {});
    row("one byte short", packets, dt.left(1023), 3, 0,
        {"-: offset 0: truncated packet: 1023 of 1024 bytes\n"});
    row("frame header cut", frames, Framed(dt) + QByteArray(5, '\0'), 3, 1,
        {"-: offset 1030: truncated frame header: 5 of 6 bytes\n"});
    row("length 1025 stops the reading", frames,
        Framed(dt) + QByteArray::fromHex("000200000401") + Framed(dt), 3, 1,
        {"-: offset 1030: bad frame length 1025 (allowed 0 to 1024)"});
    row("negative length stops the reading", frames,
        QByteArray::fromHex("000280000000") + Framed(dt), 3, 0,
        {"-: offset 0: bad frame length -2147483648"});
    row("600-byte DT shown", frames, Framed(dt.left(600)), 0, 1,
        {"-: offset 0: DT payload of 600 bytes, not 1024: not ingestible"});
    row("10-byte DT", frames, Framed(dt.left(10)), 0, 0, {"DT payload of 10 bytes"});
    row("empty frame", frames, Framed({}, 9), 0, 0,
        {"-: offset 0: payload of 0 bytes holds no packet type (frame type 9)\n"});
    row("count beyond the data area", packets, overstated, 0, 1,
        {"the packet states 9999 samples, its data area holds 500\n"});
}

void TstInspect::linesAndReportsKeepEveryFieldAndThePoint()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, shown);
    const Run run = Inspect(args, input);
    QTEST(run.Status, "status");
    for (const QByteArray& text : shown)
        QVERIFY2(run.Out.contains(text), run.Out.constData());
    int packetLines = 0;
    for (const QByteArray& line : run.Out.split('\n'))
        packetLines += line.startsWith("DT ") || line.startsWith("EH ") ? 1 : 0;
    QTEST(packetLines, "listed");
    if (args.contains(QStringLiteral("--json")))
        for (const QByteArray& line : run.Out.trimmed().split('\n'))
            QVERIFY2(QJsonDocument::fromJson(line).isObject(), line.constData());
}

void TstInspect::exitStatusTellsBadUsageMissingAndDamagedInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    const QByteArray packets = Dt(FormatSteim2, {5, 6, 4}) + Eh(EhFields());
    auto file = [this](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QLatin1String(name)));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return f.fileName();
    };
    const QString whole = file("whole.bin", packets);
    const QString cut = file("cut.bin", packets.left(1024 + 700));
    const QString bad =
        file("bad.bin", Framed(packets.left(1024)) + QByteArray::fromHex("0002000007D0") + packets);
    QByteArray frameStream;
    for (int i = 0; i < 40; ++i)
        frameStream += Framed(packets.left(1024)) + Framed(packets.mid(1024));
    const QString frames = file("frames.pksd", frameStream);
    const QString none = dir.filePath(QStringLiteral("none"));
    const auto row = [](const char* tag, const QStringList& args, int status, const QByteArray& out,
                        const QByteArray& err) {
        QTest::newRow(tag) << args << status << out << err;
    };
    row("help", Args("--help"), 0, "Usage: tremvue-inspect", {});
    row("no mode", Args("", {whole}), 2, {}, "one of --packets or --frames is needed\nUsage:");
    row("both modes", Args("--frames --packets", {whole}), 2, {}, "exclude each other");
    row("no input named", Args("--packets"), 2, {}, "no input named");
    row("unknown option", Args("--packets --bogus", {whole}), 2, {}, "unknown option --bogus");
    row("samples with --mseed", Args("--packets --samples --mseed", {none, whole}), 2, {},
        "--samples does not go with --mseed");
    row("whole file", Args("--packets", {whole}), 0, "EH 9A3C stream 3", {});
    row("missing file", Args("--packets", {none}), 1, {}, "cannot open " + none.toLocal8Bit());
    row("-- ends the options", Args("--frames -- --x"), 1, {}, "cannot open --x");
    row("miniSEED file not writable",
        Args("--packets --mseed", {none + QStringLiteral("/x.mseed"), whole}), 1, {},
        "cannot open " + none.toLocal8Bit() + "/x.mseed");
    // Damage reaches standard error too, where a script piping the listing or JSON sees it.
    row("bad frame length", Args("--frames", {bad}), 3, "offset 1030: bad frame length 2000",
        "tremvue-inspect: " + bad.toLocal8Bit() + ": offset 1030: bad frame length 2000");
    row("damage of JSON on standard error", Args("--frames --json", {bad}), 3,
        "\"Report\":\"bad frame length 2000", "offset 1030: bad frame length 2000");
    row("damage of an export on standard error",
        Args("--packets --mseed", {dir.filePath(QStringLiteral("cut.mseed")), cut}), 3,
        "offset 1024: truncated packet", "offset 1024: truncated packet: 700 of 1024 bytes");
    row("missing file wins over a damaged one", Args("--packets", {cut, none, whole}), 1,
        cut.toLocal8Bit() + ": offset 1024: truncated packet: 700 of 1024 bytes\nDT 9A3C",
        "cannot open");
    row("standard input", Args("--packets --json -"), 0, "\"SampleCount\":3", {});
    row("gaps with --samples", Args("--packets --gaps --samples", {whole}), 2, {},
        "--gaps goes with neither");
    row("gaps with --mseed", Args("--packets --gaps --mseed", {none, whole}), 2, {},
        "--gaps goes with neither");
    row("gaps of a cut file", Args("--packets --gaps", {cut}), 3,
        ": offset 1024: truncated packet: 700 of 1024 bytes\n9A3C stream 2 channel 5 rate unknown",
        {});
}

// Frames read as packets: one report that says so and what to type, not one per 1024 bytes.
void TstInspect::framesReadAsPacketsAreToldOnceWithTheRightOption()
{
    QByteArray stream;
    for (int i = 0; i < 50; ++i)
        stream += Framed(Dt(FormatSteim2, {5, 6, 4}));
    const Run run = Inspect(Args("--packets"), stream);
    QCOMPARE(run.Status, 3);
    const QByteArray told =
        "looks like a PKSD frame stream, not raw packets: read it with --frames";
    QCOMPARE(run.Listing.count(told), 1);
    QVERIFY2(!run.Listing.contains("not a recorder packet type"), run.Listing.constData());
    QCOMPARE(run.Err.count(told), 1);
}

void TstInspect::exitStatusTellsBadUsageMissingAndDamagedInput()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    TestChild inspect;
    const QByteArray input = Dt(FormatSteim2, {5, 6, 4});
    QTEST(inspect.Run(QStringLiteral(TREMVUE_INSPECT_BINARY), args, input), "status");
    const QByteArray gotOut = inspect.readAllStandardOutput();
    const QByteArray gotErr = inspect.readAllStandardError();
    QVERIFY2(gotOut.contains(out), gotOut.constData());
    QVERIFY2(gotErr.contains(err), gotErr.constData());
    QCOMPARE(gotOut.isEmpty(), out.isEmpty());
}

void TstInspect::simulatedSessionExportsEverySampleAtItsTime()
{
    SimOptions options;
    options.Format = FormatChoice::Mixed;
    options.Channels = 4;
    SimulatedSource source(options, 1700000000000);
    QByteArray session;
    OutgoingPacket packet;
    for (int dt = 0; dt < 200 && source.Next(packet);) {
        session += testpackets::FrameBytes(packet.FrameType, std::int32_t(packet.Payload.size()),
                                           ByteSpan(packet.Payload));
        dt += packet.Payload.startsWith("DT") ? 1 : 0;
    }
    const QString out = dir.filePath(QStringLiteral("session.mseed"));
    const Run run = Inspect(Args("--frames --mseed", {out}), session);
    QCOMPARE(run.Status, 0);
    QVERIFY2(run.Out.contains("exported 200 data packets of 4 channels"), run.Out.constData());

    std::map<QByteArray, std::vector<std::int32_t>> got, expected;
    std::map<QByteArray, std::map<hptime_t, QByteArray>> recordAt;
    int sequence = 0;
    for (const ReadRecord& r : ReadMseed(out)) {
        QCOMPARE(r.Sequence, ++sequence);
        QCOMPARE(r.Rate, 100.0); // the event header's
        got[r.Name].insert(got[r.Name].end(), r.Samples.begin(), r.Samples.end());
        recordAt[r.Name][r.Start] = r.Bytes;
    }
    auto slot = std::make_unique<DtPacket>();
    int copied = 0;
    for (auto rest = ByteSpan(session); !rest.empty();) {
        const Frame frame = ReadFrame(rest);
        rest = rest.subspan(frame.Size());
        if (frame.Payload[0] != 'D' || !DecodeDtPacket(*slot, frame.Payload))
            continue;
        const QByteArray name = "XX.9A3C.00.HH" + QByteArray(1, "ZNE3"[slot->Channel]);
        expected[name].insert(expected[name].end(), slot->Samples,
                              slot->Samples + slot->SampleCount);
        QCOMPARE(recordAt[name].count(PacketStart(*slot)), std::size_t{1});
        if (slot->Format == FormatSteim1 || slot->Format == FormatSteim2) {
            const QByteArray frames(reinterpret_cast<const char*>(frame.Payload.data()) + 64, 960);
            QVERIFY(recordAt[name][PacketStart(*slot)].mid(64) == frames);
            ++copied;
        }
    }
    QVERIFY(copied > 10);
    QVERIFY(got == expected);
    const QByteArray ways = QStringLiteral("(%1 with their Steim frames copied, %2 encoded again)")
                                .arg(copied)
                                .arg(200 - copied)
                                .toLatin1();
    QVERIFY2(run.Out.contains(ways), run.Out.constData());
}

void TstInspect::decoderDeparturesExportAsDecoded_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<bool>("copied");
    QTest::addColumn<int>("encoding");
    const auto row = [](const char* tag, const QByteArray& packet, bool copied, int encoding) {
        QTest::newRow(tag) << packet << copied << encoding;
    };
    const auto words = Words(3, 60, 5000);
    row("Steim-1 in 32-bit words", WithEnds(SteimPacket(0xC0, 60, 0, words)), true, DE_STEIM1);
    row("fewer samples than stated", WithEnds(SteimPacket(0xC0, 9999, 0, words)), true, DE_STEIM1);
    row("last sample word wrong", WithEnds(SteimPacket(0xC0, 60, 0, words), 1), false, DE_STEIM2);
    row("data codes in words 1-2",
        WithEnds(SteimPacket(0xC0, 9999, (3u << 28) | (3u << 26), words)), false, DE_STEIM2);
    auto noX0 = words;
    noX0.insert(noX0.begin(), {0u, 0u});
    row("X0 unused when word 3 is empty", WithEnds(SteimPacket(0xC0, 60, 0, noX0), 0, 1000), false,
        DE_STEIM2);
    row("Steim-2 word with no layout",
        WithEnds(SteimPacket(0xC2, 9999, 0, {{1, 0x01020304}, {2, 0x00001234}, {1, 0x05060708}})),
        false, DE_STEIM2);
    testpackets::Packet wide = testpackets::DtBytes(0x32, 250, 2, 5);
    for (std::uint32_t i = 0; i < 250; ++i)
        WriteBig32(wide.data() + 24 + 4 * i, i % 2 ? 0x40000000 : 0xC0000000);
    row("32-bit beyond Steim-2", Bytes(wide), false, DE_INT32);
    row("16-bit", Bytes(testpackets::Int16Dt(0x9A3C, 2, 5, 1, 500)), false, DE_STEIM2);
}

void TstInspect::decoderDeparturesExportAsDecoded()
{
    QFETCH(QByteArray, packet);
    const QString out = dir.filePath(QStringLiteral("departure.mseed"));
    const Run run = Inspect(Args("--packets --mseed", {out}), EventHeader(" 100") + packet);
    QVERIFY2(run.Status == 0, run.Out.constData());
    auto slot = std::make_unique<DtPacket>();
    QVERIFY(DecodeDtPacket(*slot, ByteSpan(packet)));
    const std::vector<ReadRecord> records = ReadMseed(out);
    QVERIFY(!records.empty());
    QCOMPARE(records.front().Start, PacketStart(*slot));
    std::vector<std::int32_t> samples;
    for (const ReadRecord& r : records) {
        QCOMPARE(r.Name, QByteArray("XX.9A3C.02.HH5"));
        QTEST(r.Encoding, "encoding");
        samples.insert(samples.end(), r.Samples.begin(), r.Samples.end());
        // No reader may warn of a failed integrity check.
        const auto* xn = reinterpret_cast<const std::uint8_t*>(r.Bytes.constData()) + 72;
        if (r.Encoding != DE_INT32)
            QCOMPARE(std::int32_t(std::uint32_t(xn[0]) << 24 | xn[1] << 16 | xn[2] << 8 | xn[3]),
                     r.Samples.back());
    }
    QVERIFY(samples == std::vector<std::int32_t>(slot->Samples, slot->Samples + slot->SampleCount));
    QTEST(records.size() == 1 && records.front().Bytes.mid(64) == packet.mid(64), "copied");
}

void TstInspect::recordNamesAndRatesAreRightAndBadPacketsSkipped_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("option"); // "--network N", or the text of a names file
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("name"); // of every record; no record when empty
    QTest::addColumn<double>("rate");
    QTest::addColumn<QByteArray>("output");
    const QByteArray ch1 = Int32Packet(1, 0) + Int32Packet(1, 1) + Int32Packet(1, 2);
    const QByteArray one = Int32Packet(1, 0);
    QByteArray refused = Int32Packet(1, 3);
    refused[23] = char(0x2C);
    const auto row = [](const char* tag, const QByteArray& input, const QByteArray& option,
                        int status, const QByteArray& name, double rate, const QByteArray& output) {
        QTest::newRow(tag) << input << option << status << name << rate << output;
    };
    row("rate measured between packets", ch1, {}, 0, "XX.9A3C.02.BHN", 40.0,
        "exported 3 data packets of 1 channels");
    row("event header's rate before the measured one",
        EventHeader("1000") + Int32Packet(5, 0) + Int32Packet(5, 1), {}, 0, "XX.9A3C.02.FH5",
        1000.0, "exported 2 data packets");
    row("network and channel 12", Int32Packet(12, 0) + Int32Packet(12, 1), "--network Z", 0,
        "Z.9A3C.02.BHC", 40.0, "exported 2");
    row("names file", ch1, "# field names\n9a3c 2 1 GE.KARL..EHN\nFFFF 99 99 XX.A.00.HHZ\n", 0,
        "GE.KARL..EHN", 40.0, "exported 3");
    row("channel 32 has no default name", Int32Packet(32, 0) + Int32Packet(32, 1), {}, 3, {}, 0.0,
        "channels above 31 have no default SEED name");
    row("one packet has no rate", one, {}, 3, {}, 0.0,
        "DT packet not exported: no sample rate known");
    row("refused packet skipped", ch1 + refused, {}, 3, "XX.9A3C.02.BHN", 40.0, "1 not exported");
    row("cut packet skipped", ch1 + one.left(500), {}, 3, "XX.9A3C.02.BHN", 40.0,
        "truncated packet: 500 of 1024 bytes");
    row("names file: station of 7", one, "9A3C 2 1 XX.STATION.00.HHZ\n", 2, {}, 0.0,
        "names.txt:1: \"XX.STATION.00.HHZ\" is not");
    row("names file: named twice", one, "#\n9A3C 2 1 XX.A.00.HHZ\n\n9A3C 2 1 XX.B.00.HHZ\n", 2, {},
        0.0, "names.txt:4: the channel is named already on line 2");
    row("names file: channel 100", one, "9A3C 2 100 XX.A.00.HHZ\n", 2, {}, 0.0,
        "names.txt:1: stream and channel are numbers");
    row("names file: no channel", one, "9A3C 2 XX.A.00.HHZ\n", 2, {}, 0.0,
        "names.txt:1: expected UNIT STREAM CHANNEL");
}

void TstInspect::recordNamesAndRatesAreRightAndBadPacketsSkipped()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, option);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, output);
    const QString out = dir.filePath(QStringLiteral("rates.mseed"));
    QStringList args = Args("--packets --mseed", {out});
    if (option.startsWith("--network")) {
        args += QString::fromLatin1(option).split(QLatin1Char(' '));
    } else if (!option.isEmpty()) {
        QFile names(dir.filePath(QStringLiteral("names.txt")));
        QVERIFY(names.open(QIODevice::WriteOnly) && names.write(option) == option.size());
        args << QStringLiteral("--names") << names.fileName();
    }
    QFile::remove(out);
    const Run run = Inspect(args, input);
    QTEST(run.Status, "status");
    QVERIFY2(run.Out.contains(output), run.Out.constData());
    const std::vector<ReadRecord> records = ReadMseed(out);
    QCOMPARE(records.empty(), name.isEmpty());
    for (const ReadRecord& r : records) {
        QCOMPARE(r.Name, name);
        QTEST(r.Rate, "rate");
    }
}

void TstInspect::gapsAndOverlapsAreToldAtTheirEdges_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("told");
    const QByteArray eh100 = EventHeader(" 100");
    const QByteArray eh20 = EventHeader("  20");
    const QByteArray first = DtAt(0, 10); // samples at 0, 10 ... 90 ms: it ends at 100
    const QByteArray channel = "9A3C stream 2 channel 5 rate ";
    const auto row = [&](const char* tag, const QByteArray& input, const QByteArray& told) {
        QTest::newRow(tag) << input << channel + told;
    };
    const QByteArray from = "first 2026.03.01 00:00:00.000 last 2026.03.01 ";
    row("follows on", eh100 + first + DtAt(100, 10),
        "100 " + from + "00:00:00.190 packets 2 samples 20 gaps 0 missing 0.000 s overlaps 0\n");
    row("one sample missing is within 1.5 intervals", eh100 + first + DtAt(110, 10),
        "100 " + from + "00:00:00.200 packets 2 samples 20 gaps 0 missing 0.000 s overlaps 0\n");
    row("exactly 1.5 intervals late", eh100 + first + DtAt(115, 10),
        "100 " + from + "00:00:00.205 packets 2 samples 20 gaps 0 missing 0.000 s overlaps 0\n");
    row("just past 1.5 intervals late", eh100 + first + DtAt(116, 10) + DtAt(216, 1),
        "100 " + from +
            "00:00:00.216 packets 3 samples 21 gaps 1 missing 0.016 s overlaps 0\n"
            "  gap at 2026.03.01 00:00:00.100 length 0.016 s\n");
    row("exactly 1.5 intervals early", eh100 + first + DtAt(85, 10),
        "100 " + from + "00:00:00.175 packets 2 samples 20 gaps 0 missing 0.000 s overlaps 0\n");
    row("just past 1.5 intervals early", eh100 + first + DtAt(84, 10),
        "100 " + from +
            "00:00:00.174 packets 2 samples 20 gaps 0 missing 0.000 s overlaps 1\n"
            "  overlap at 2026.03.01 00:00:00.084 length 0.016 s\n");
    row("a packet sent twice", eh100 + first + first + DtAt(100, 10),
        "100 " + from +
            "00:00:00.190 packets 3 samples 30 gaps 0 missing 0.000 s overlaps 1\n"
            "  overlap at 2026.03.01 00:00:00.000 length 0.100 s\n");
    row("gaps add up, at 20 samples per second", eh20 + DtAt(0, 2) + DtAt(176, 2) + DtAt(352, 2),
        "20 " + from +
            "00:00:00.402 packets 3 samples 6 gaps 2 missing 0.152 s overlaps 0\n"
            "  gap at 2026.03.01 00:00:00.100 length 0.076 s\n"
            "  gap at 2026.03.01 00:00:00.276 length 0.076 s\n");
    row("1.5 intervals at 20 samples per second", eh20 + DtAt(0, 2) + DtAt(175, 2),
        "20 " + from + "00:00:00.225 packets 2 samples 4 gaps 0 missing 0.000 s overlaps 0\n");
    row("rate measured between packets", DtAt(0, 100) + DtAt(1000, 100) + DtAt(3000, 100),
        "100 " + from +
            "00:00:03.990 packets 3 samples 300 gaps 1 missing 1.000 s overlaps 0\n"
            "  gap at 2026.03.01 00:00:02.000 length 1.000 s\n");
    row("no rate known", first,
        "unknown " + from +
            "00:00:00.000 packets 1 samples 10, no rate "
            "to tell gaps by\n");
}

void TstInspect::gapsAndOverlapsAreToldAtTheirEdges()
{
    QFETCH(QByteArray, input);
    const Run run = Inspect(Args("--packets --gaps"), input);
    QCOMPARE(run.Status, 0);
    QTEST(run.Out, "told");
}

// The simulator leaves out every third packet of a channel: each is a gap of one packet's
// length at its place, and the other channels have none.
void TstInspect::gapsOfASimulatedSessionAreItsDroppedPackets()
{
    SimOptions options;
    QString message;
    QCOMPARE(ParseSimOptions(Args("pksd-sim --max-samples 50 --fault-drop 9A3C/1/2,3"), options,
                             message),
             ParseOutcome::Run);
    const std::int64_t startMs = 1700000000000;
    SimulatedSource source(options, startMs);
    QByteArray session;
    OutgoingPacket packet;
    for (int dt = 0; dt < 30 && source.Next(packet);) {
        session += Framed(packet.Payload);
        dt += packet.Payload.startsWith("DT") ? 1 : 0;
    }
    const Run run = Inspect(Args("--frames --gaps --json"), session);
    QCOMPARE(run.Status, 0);
    const QList<QByteArray> lines = run.Out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    const QStringList keys = Args("Channel DasId First Gaps Last MissingSeconds Overlaps Packets "
                                  "Rate Samples Stream");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QJsonObject channel = QJsonDocument::fromJson(lines[i]).object();
        QCOMPARE(channel.keys(), keys);
        QCOMPARE(channel[QStringLiteral("Channel")].toInt(), int(i));
        QCOMPARE(channel[QStringLiteral("DasId")].toString(), QStringLiteral("9A3C"));
        QCOMPARE(channel[QStringLiteral("Rate")].toDouble(), 100.0);
        QCOMPARE(channel[QStringLiteral("First")].toString(),
                 QStringLiteral("2023.11.14 22:13:20.000"));
        QVERIFY(channel[QStringLiteral("Overlaps")].toArray().isEmpty());
        const QJsonArray gaps = channel[QStringLiteral("Gaps")].toArray();
        QCOMPARE(channel[QStringLiteral("Samples")].toInt(),
                 50 * channel[QStringLiteral("Packets")].toInt());
        if (i != 1) {
            QVERIFY(gaps.isEmpty());
            continue;
        }
        // Its packets 3, 6 and 9, from 1 s on every 1.5 s, are the missing ones.
        QCOMPARE(gaps.size(), 3);
        QCOMPARE(channel[QStringLiteral("MissingSeconds")].toDouble(), 1.5);
        for (qsizetype g = 0; g < gaps.size(); ++g) {
            const QJsonObject gap = gaps[g].toObject();
            QCOMPARE(gap.keys(), Args("Seconds Start"));
            QCOMPARE(gap[QStringLiteral("Seconds")].toDouble(), 0.5);
            QCOMPARE(gap[QStringLiteral("Start")].toString(),
                     QStringLiteral("2023.11.14 22:13:%1")
                         .arg(21.0 + 1.5 * double(g), 6, 'f', 3, QLatin1Char('0')));
        }
    }
}

namespace {

std::map<QString, QByteArray> FileBytes(const QString& root)
{
    std::map<QString, QByteArray> files;
    for (const auto& [path, records] : ReadArchive(root)) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[path] = file.readAll();
    }
    return files;
}

} // namespace

void TstInspect::sdsArchiveKeepsEachPacketOnceInTheFileOfItsDay()
{
    // A minute before the end of a leap year: day 366 of 2024, then day 1 of 2025.
    SimOptions options;
    options.Format = FormatChoice::Mixed;
    SimulatedSource source(options, 1735689540000);
    QByteArray session;
    std::map<QByteArray, std::vector<std::int32_t>> expected;
    std::set<int> intoTheNewDay;
    int packets = 0;
    auto slot = std::make_unique<DtPacket>();
    OutgoingPacket packet;
    while (intoTheNewDay.size() < 3 && source.Next(packet)) {
        session += Framed(packet.Payload, packet.FrameType);
        if (!packet.Payload.startsWith("DT") || !DecodeDtPacket(*slot, ByteSpan(packet.Payload)))
            continue;
        const QByteArray name = "XX.9A3C.00.HH" + QByteArray(1, "ZNE"[slot->Channel]);
        expected[name].insert(expected[name].end(), slot->Samples,
                              slot->Samples + slot->SampleCount);
        ++packets;
        if (CalendarFromDay(slot->Time.Day).Year == 2025 && slot->Time.Msec > 30000.0)
            intoTheNewDay.insert(slot->Channel);
    }
    const QString root = dir.filePath(QStringLiteral("sds"));
    const Run first = Inspect(Args("--frames --sds", {root}), session);
    QVERIFY2(first.Status == 0 && first.Out.contains("of 3 channels"), first.Out.constData());

    QString problem;
    int files = 0;
    QVERIFY(ArchivedSamples(root, problem, files) == expected);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(files, 6);

    // The same capture again, after a run that died in the middle of a record: nothing is
    // written twice and the partial record is cut off first.
    const std::map<QString, QByteArray> before = FileBytes(root);
    const QString damaged = before.begin()->first;
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::Append));
    file.write(before.begin()->second.left(500));
    file.close();
    const Run again = Inspect(Args("--frames --json --sds", {root}), session);
    QCOMPARE(again.Status, 0);
    QVERIFY2(again.Out.contains(QByteArray("cut 500 bytes of a partial record off the end of " +
                                           damaged.toLocal8Bit())),
             again.Out.constData());
    QVERIFY2(again.Out.contains(QByteArray("\"ArchivedBefore\":" + QByteArray::number(packets))) &&
                 again.Out.contains("\"Exported\":0,"),
             again.Out.constData());
    QVERIFY(FileBytes(root) == before);
}

QTEST_GUILESS_MAIN(TstInspect)
#include "tst_inspect.moc"
