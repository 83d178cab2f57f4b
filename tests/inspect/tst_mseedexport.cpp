// tremvue-inspect --mseed, read back with libmseed: every sample is the one our decoder gives,
// every packet starts a record at its own time, rates and names are as documented.
#include "tests/capture/childprocess.h"
#include "tests/inspect/inspectpackets.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "link/handshake.h"
#include "packets/byteorder.h"
#include "packets/dtpacket.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <libmseed.h>

#include <map>
#include <memory>

namespace {

struct ReadRecord
{
    QByteArray Name; // NET.STA.LOC.CHA
    hptime_t Start = 0;
    double Rate = 0.0;
    int Encoding = 0;
    int Sequence = 0;
    std::vector<std::int32_t> Samples;
    QByteArray Bytes;
};

std::vector<ReadRecord> ReadMseed(const QString& path)
{
    std::vector<ReadRecord> out;
    MSRecord* msr = nullptr;
    const QByteArray file = QFile::encodeName(path);
    while (ms_readmsr(&msr, file.constData(), 0, nullptr, nullptr, 1, 1, 0) == MS_NOERROR) {
        ReadRecord r;
        r.Name = QByteArray(msr->network) + '.' + msr->station + '.' + msr->location + '.' +
                 msr->channel;
        r.Start = msr->starttime;
        r.Rate = msr->samprate;
        r.Encoding = msr->encoding;
        r.Sequence = msr->sequence_number;
        const auto* samples = static_cast<const std::int32_t*>(msr->datasamples);
        r.Samples.assign(samples, samples + msr->numsamples);
        r.Bytes = QByteArray(msr->record, msr->reclen);
        out.push_back(std::move(r));
    }
    ms_readmsr(&msr, nullptr, 0, nullptr, nullptr, 0, 0, 0);
    return out;
}

hptime_t PacketStart(const DtPacket& p)
{
    const CalendarDate c = CalendarFromDay(p.Time.Day);
    return ms_time2hptime(c.Year, c.DayOfYear, 0, 0, 0, 0) + hptime_t(p.Time.Msec) * 1000;
}

struct Run
{
    int Status = -1;
    QByteArray Out;
};

Run Inspect(const QStringList& args)
{
    TestChild inspect;
    TieToTest(inspect);
    inspect.start(QStringLiteral(TREMVUE_INSPECT_BINARY), args);
    inspect.waitForFinished(60000);
    return {inspect.exitCode(), inspect.readAllStandardOutput() + inspect.readAllStandardError()};
}

void Put32(std::uint8_t* at, std::uint32_t v)
{
    for (int b = 0; b < 4; ++b)
        at[b] = std::uint8_t(v >> (24 - 8 * b));
}

// Frame 0 holds the codes, X0 and XN, then data words; every later frame 15 data words.
PacketBytes SteimPacket(DtFormat format, int stated, std::uint32_t firstCodes,
                        const std::vector<std::pair<unsigned, std::uint32_t>>& words)
{
    DtFields fields = TestDtFields(format);
    PacketBytes packet{};
    const std::int32_t one = 0;
    WriteDtPacket(packet, fields, std::span<const std::int32_t>(&one, 1));
    std::fill(packet.begin() + 64, packet.end(), std::uint8_t(0));
    WriteBcd(packet.data() + 20, 4, static_cast<std::uint32_t>(stated));
    auto put = [&](std::size_t at, std::uint32_t v) { Put32(packet.data() + at, v); };
    std::uint32_t codes = firstCodes;
    std::size_t frame = 0;
    int k = 3;
    for (const auto& [code, word] : words) {
        if (k == 16) {
            put(64 + 64 * frame, codes);
            ++frame, k = 1, codes = 0;
        }
        codes |= code << (30 - 2 * k);
        put(64 + 64 * frame + 4 * std::size_t(k++), word);
    }
    put(64 + 64 * frame, codes);
    return packet;
}

// X0 and XN set to our decoder's first and last sample, moved by the shifts.
QByteArray WithEnds(PacketBytes packet, std::uint32_t xnShift = 0, std::uint32_t x0Shift = 0)
{
    auto slot = std::make_unique<DtPacket>();
    DecodeDtPacket(*slot, packet);
    Put32(packet.data() + 68, std::uint32_t(slot->Samples[0]) + x0Shift);
    Put32(packet.data() + 72, std::uint32_t(slot->Samples[slot->SampleCount - 1]) + xnShift);
    return Bytes(packet);
}

QByteArray Int32Packet(int channel, int index, int count = 250)
{
    DtFields fields = TestDtFields(DtFormat::Int32);
    fields.Channel = std::uint16_t(channel);
    fields.Header.Time = TimeAdd(fields.Header.Time, index * 6250.0);
    std::vector<std::int32_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[std::size_t(i)] = index * 1000 + i;
    PacketBytes packet{};
    WriteDtPacket(packet, fields, samples);
    return Bytes(packet);
}

QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return file.fileName();
}

std::vector<std::pair<unsigned, std::uint32_t>> Words(unsigned code, int n, std::uint32_t first)
{
    std::vector<std::pair<unsigned, std::uint32_t>> words;
    for (int i = 0; i < n; ++i)
        words.emplace_back(code, i == 0 ? first : std::uint32_t(i * 37 % 200 - 100));
    return words;
}

QByteArray EventHeader(const char* rate)
{
    EventHeaderFields f = TestEventFields();
    f.Stream = 2;
    f.SampleRate = rate;
    f.Positions[5] = {"1.5uV", "20.0", 'V'};
    return Bytes(MakeEventPacket(f));
}

} // namespace

class tst_MseedExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DetectByteOrder(); }
    void recordedSessionRoundTrips();
    void decoderDeparturesExportAsDecoded_data();
    void decoderDeparturesExportAsDecoded();
    void ratesAndNames_data();
    void ratesAndNames();
    void namesFileRefused_data();
    void namesFileRefused();

private:
    QTemporaryDir dir;
};

void tst_MseedExport::recordedSessionRoundTrips()
{
    const QString record = dir.filePath(QStringLiteral("session.pksd"));
    TestChild sim;
    const quint16 port = StartPksdSim(
        sim, QStringLiteral(PKSD_SIM_PATH),
        {QStringLiteral("--record"), record, QStringLiteral("--fast"), QStringLiteral("--count"),
         QStringLiteral("200"), QStringLiteral("--close-at-end"), QStringLiteral("--format"),
         QStringLiteral("mixed"), QStringLiteral("--channels"), QStringLiteral("4")});
    QVERIFY(port != 0);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(client.waitForConnected(10000));
    const HandshakeMessages m = BuildHandshake(1);
    for (const auto bytes :
         {std::span<const std::uint8_t>(m.Opening), std::span<const std::uint8_t>(m.Identification),
          std::span<const std::uint8_t>(m.Request)})
        client.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    while (client.waitForReadyRead(10000))
        client.readAll();
    QTRY_COMPARE(QFileInfo(record).size(), 201 * 1030);

    const QString out = dir.filePath(QStringLiteral("session.mseed"));
    const Run run = Inspect({QStringLiteral("--frames"), record, QStringLiteral("--mseed"), out});
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
    const QByteArray bytes = [&] {
        QFile file(record);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    auto slot = std::make_unique<DtPacket>();
    int copied = 0;
    for (auto rest = ByteSpan(bytes); !rest.empty();) {
        const auto frame = ReadFrame(rest);
        QCOMPARE(frame.Outcome, FrameOutcome::Whole);
        rest = rest.subspan(frame.Size());
        if (frame.Payload[0] != 'D' || !DecodeDtPacket(*slot, frame.Payload))
            continue;
        const QByteArray name = "XX.9A3C.00.HH" + QByteArray(1, "ZNE3"[slot->Channel]);
        expected[name].insert(expected[name].end(), slot->Samples,
                              slot->Samples + slot->SampleCount);
        QVERIFY(recordAt[name].count(PacketStart(*slot)) == 1);
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

void tst_MseedExport::decoderDeparturesExportAsDecoded_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<bool>("copied");
    QTest::addColumn<int>("encoding");
    const auto s1 = DtFormat::Steim1;
    QTest::newRow("Steim-1 in 32-bit words")
        << WithEnds(SteimPacket(s1, 60, 0, Words(3, 60, 5000))) << true << int(DE_STEIM1);
    QTest::newRow("fewer samples than stated")
        << WithEnds(SteimPacket(s1, 9999, 0, Words(3, 60, 5000))) << true << int(DE_STEIM1);
    QTest::newRow("last sample word wrong")
        << WithEnds(SteimPacket(s1, 60, 0, Words(3, 60, 5000)), 1) << false << int(DE_STEIM2);
    QTest::newRow("data codes in words 1-2")
        << WithEnds(SteimPacket(s1, 9999, (3u << 28) | (3u << 26), Words(3, 60, 5000))) << false
        << int(DE_STEIM2);
    auto noX0 = Words(3, 60, 5000);
    noX0.insert(noX0.begin(), {0u, 0u});
    QTest::newRow("X0 unused when word 3 is empty")
        << WithEnds(SteimPacket(s1, 60, 0, noX0), 0, 1000) << false << int(DE_STEIM2);
    QTest::newRow("Steim-2 word with no layout")
        << WithEnds(SteimPacket(DtFormat::Steim2, 9999, 0,
                                {{1, 0x01020304}, {2, 0x00001234}, {1, 0x05060708}}))
        << false << int(DE_STEIM2);
    int taken = 0;
    std::vector<std::int32_t> wide(250);
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = i % 2 ? 0x40000000 : -0x40000000;
    QTest::newRow("32-bit beyond Steim-2")
        << Bytes(MakeDtPacket(DtFormat::Int32, wide, taken)) << false << int(DE_INT32);
    std::vector<std::int32_t> small(500);
    for (std::size_t i = 0; i < small.size(); ++i)
        small[i] = int(i % 50) - 25;
    QTest::newRow("16-bit") << Bytes(MakeDtPacket(DtFormat::Int16, small, taken)) << false
                            << int(DE_STEIM2);
}

void tst_MseedExport::decoderDeparturesExportAsDecoded()
{
    QFETCH(QByteArray, packet);
    QFETCH(bool, copied);
    QFETCH(int, encoding);
    const QString input = WriteFile(dir, "departure.raw", EventHeader(" 100") + packet);
    const QString out = dir.filePath(QStringLiteral("departure.mseed"));
    const Run run = Inspect({QStringLiteral("--packets"), input, QStringLiteral("--mseed"), out});
    QVERIFY2(run.Status == 0, run.Out.constData());
    auto slot = std::make_unique<DtPacket>();
    QVERIFY(DecodeDtPacket(*slot, ByteSpan(packet)));
    const std::vector<ReadRecord> records = ReadMseed(out);
    QVERIFY(!records.empty());
    QCOMPARE(records.front().Start, PacketStart(*slot));
    std::vector<std::int32_t> samples;
    for (const ReadRecord& r : records) {
        QCOMPARE(r.Name, QByteArray("XX.0A3F.02.HH5"));
        QCOMPARE(r.Encoding, encoding);
        samples.insert(samples.end(), r.Samples.begin(), r.Samples.end());
        // No reader may warn of a failed integrity check.
        const auto* xn = reinterpret_cast<const std::uint8_t*>(r.Bytes.constData()) + 72;
        if (r.Encoding != DE_INT32)
            QCOMPARE(std::int32_t(std::uint32_t(xn[0]) << 24 | xn[1] << 16 | xn[2] << 8 | xn[3]),
                     r.Samples.back());
    }
    QVERIFY(samples == std::vector<std::int32_t>(slot->Samples, slot->Samples + slot->SampleCount));
    QCOMPARE(records.size() == 1 && records.front().Bytes.mid(64) == packet.mid(64), copied);
}

void tst_MseedExport::ratesAndNames_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QByteArray>("output");
    const QByteArray ch1 = Int32Packet(1, 0) + Int32Packet(1, 1) + Int32Packet(1, 2);
    QTest::newRow("rate measured between packets")
        << ch1 << QStringList{} << 0 << QByteArray("XX.0A3F.02.BHN") << 40.0
        << QByteArray("exported 3 data packets of 1 channels");
    QTest::newRow("event header's rate before the measured one")
        << EventHeader("1000") + Int32Packet(5, 0) + Int32Packet(5, 1) << QStringList{} << 0
        << QByteArray("XX.0A3F.02.FH5") << 1000.0 << QByteArray("exported 2 data packets");
    QTest::newRow("channel 32 has no default name")
        << Int32Packet(32, 0) + Int32Packet(32, 1) << QStringList{} << 3 << QByteArray() << 0.0
        << QByteArray("channels above 31 have no default SEED name");
    QTest::newRow("one packet has no rate")
        << Int32Packet(1, 0) << QStringList{} << 3 << QByteArray() << 0.0
        << QByteArray("DT packet not exported: no sample rate known");
    QByteArray refused = Int32Packet(1, 3);
    refused[23] = char(0x2C);
    QTest::newRow("refused packet skipped")
        << ch1 + refused << QStringList{} << 3 << QByteArray("XX.0A3F.02.BHN") << 40.0
        << QByteArray("1 not exported");
    QTest::newRow("network and channel 12")
        << Int32Packet(12, 0) + Int32Packet(12, 1)
        << QStringList{QStringLiteral("--network"), QStringLiteral("Z")} << 0
        << QByteArray("Z.0A3F.02.BHC") << 40.0 << QByteArray("exported 2");
    const QString names = WriteFile(
        dir, "names.txt", "# field names\n0a3f 2 1 GE.KARL..EHN\nFFFF 99 99 XX.A.00.HHZ\n");
    QTest::newRow("names file") << ch1 << QStringList{QStringLiteral("--names"), names} << 0
                                << QByteArray("GE.KARL..EHN") << 40.0 << QByteArray("exported 3");
}

void tst_MseedExport::ratesAndNames()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QByteArray, name);
    QFETCH(double, rate);
    QFETCH(QByteArray, output);
    const QString out = dir.filePath(QStringLiteral("rates.mseed"));
    const Run run =
        Inspect(QStringList{QStringLiteral("--packets"), WriteFile(dir, "rates.raw", input),
                            QStringLiteral("--mseed"), out} +
                options);
    QCOMPARE(run.Status, status);
    QVERIFY2(run.Out.contains(output), run.Out.constData());
    const std::vector<ReadRecord> records = ReadMseed(out);
    QCOMPARE(records.empty(), name.isEmpty());
    for (const ReadRecord& r : records) {
        QCOMPARE(r.Name, name);
        QCOMPARE(r.Rate, rate);
    }
}

void tst_MseedExport::namesFileRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("station of 7") << QByteArray("0A3F 2 1 XX.STATION.00.HHZ\n")
                                  << QByteArray("names.bad:1: \"XX.STATION.00.HHZ\" is not");
    QTest::newRow("named twice") << QByteArray("#\n0A3F 2 1 XX.A.00.HHZ\n\n0A3F 2 1 XX.B.00.HHZ\n")
                                 << QByteArray("names.bad:4: the channel is named already on "
                                               "line 2");
    QTest::newRow("channel 100") << QByteArray("0A3F 2 100 XX.A.00.HHZ\n")
                                 << QByteArray("names.bad:1: stream and channel are numbers");
    QTest::newRow("no channel") << QByteArray("0A3F 2 XX.A.00.HHZ\n")
                                << QByteArray("names.bad:1: expected UNIT STREAM CHANNEL");
}

void tst_MseedExport::namesFileRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, message);
    const Run run =
        Inspect({QStringLiteral("--packets"), WriteFile(dir, "one.raw", Int32Packet(1, 0)),
                 QStringLiteral("--mseed"), dir.filePath(QStringLiteral("none.mseed")),
                 QStringLiteral("--names"), WriteFile(dir, "names.bad", text)});
    QCOMPARE(run.Status, 2);
    QVERIFY2(run.Out.contains(message), run.Out.constData());
}

QTEST_GUILESS_MAIN(tst_MseedExport)
#include "tst_mseedexport.moc"
