#include "tools/packetwriter/packetwriter.h"
#include "tools/packetwriter/steimencoder.h"

#include "packets/bcd.h"
#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"

#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A random walk that turns back at the ends of the 32-bit range.
std::vector<std::int32_t> Walk(int count, int step, std::int32_t start = 0)
{
    std::vector<std::int32_t> samples;
    std::uint32_t state = 12345;
    std::int64_t value = start;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245U + 12345U;
        const std::int64_t delta =
            static_cast<std::int64_t>((state >> 16) % static_cast<std::uint32_t>(2 * step + 1)) -
            step;
        const std::int64_t next = value + delta;
        value = next > INT32_MAX || next < INT32_MIN ? value - delta : next;
        samples.push_back(static_cast<std::int32_t>(value));
    }
    return samples;
}

DtFields Fields(DtFormat format)
{
    DtFields fields;
    fields.Header.Experiment = 7;
    fields.Header.DasId = 0x9A3C;
    fields.Header.Sequence = 4321;
    fields.Header.Time = DayTime{DayNumberFromYmd(2024, 2, 29), 45296789.0};
    fields.Event = 12;
    fields.Stream = 3;
    fields.Channel = 17;
    fields.Format = format;
    return fields;
}

} // namespace

class TestPacketWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DetectByteOrder(); }

    void bcdReadsBackEveryValue_data()
    {
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("startLow");
        QTest::newRow("2 high") << 2 << false;
        QTest::newRow("2 low") << 2 << true;
        QTest::newRow("3 high") << 3 << false;
        QTest::newRow("3 low") << 3 << true;
        QTest::newRow("4 high") << 4 << false;
    }
    void bcdReadsBackEveryValue()
    {
        QFETCH(int, digits);
        QFETCH(bool, startLow);
        const auto n = static_cast<std::uint16_t>(digits);
        const std::uint32_t limit = digits == 2 ? 100 : digits == 3 ? 1000 : 10000;
        for (std::uint32_t value = 0; value < limit; ++value) {
            std::uint8_t bytes[4] = {0xAB, 0xAB, 0xAB, 0xAB};
            WriteBcd(bytes, n, value, startLow);
            QCOMPARE(ReadBcd(bytes, n, startLow), value);
            // Nibbles outside the field are kept.
            if (startLow)
                QCOMPARE(bytes[0] & 0xF0, 0xA0);
            if ((digits + (startLow ? 1 : 0)) % 2 == 1)
                QCOMPARE(bytes[(digits + (startLow ? 1 : 0)) / 2] & 0x0F, 0x0B);
        }
    }

    void bcdDropsDigitsThatDoNotFit()
    {
        std::uint8_t bytes[2] = {};
        WriteBcd(bytes, 4, 123456);
        QCOMPARE(ReadBcd(bytes, 4), 3456U);
    }

    void headerRoundTrip_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("dayOfYear");
        QTest::addColumn<double>("msec");
        QTest::newRow("first year of the 1900s window") << 1988 << 1 << 0.0;
        QTest::newRow("1999 last day") << 1999 << 365 << 86399999.0;
        QTest::newRow("2000 leap day") << 2000 << 60 << 3600000.0;
        QTest::newRow("2004 day 366") << 2004 << 366 << 45296789.0;
        QTest::newRow("last year of the 2000s window") << 2087 << 200 << 1234.0;
    }
    void headerRoundTrip()
    {
        QFETCH(int, year);
        QFETCH(int, dayOfYear);
        QFETCH(double, msec);
        PacketHeader header;
        header.Experiment = 42;
        header.DasId = 0xBEEF;
        header.Sequence = 9999;
        header.Time = DayTime{DayNumberFromDoy(year, dayOfYear), msec};
        std::uint8_t packet[kPacketHeaderSize] = {};
        WritePacketHeader(packet, "DT", header);
        QCOMPARE(packet[0], std::uint8_t('D'));
        QCOMPARE(ReadBcd(packet + 12, 4), 1024U);
        const PacketHeader parsed = *ParsePacketHeader(packet);
        QCOMPARE(parsed.Experiment, header.Experiment);
        QCOMPARE(parsed.DasId, header.DasId);
        QCOMPARE(parsed.Sequence, header.Sequence);
        QCOMPARE(parsed.Time.Day, header.Time.Day);
        QCOMPARE(parsed.Time.Msec, header.Time.Msec);
    }

    void dtRoundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("step");
        QTest::addColumn<std::int32_t>("start");
        QTest::addColumn<int>("expectedCount"); // -1: whatever the frames hold
        QTest::newRow("int16") << int(DtFormat::Int16) << 300 << 0 << 500;
        QTest::newRow("int32 large") << int(DtFormat::Int32) << 1000000 << 2000000000 << 250;
        QTest::newRow("steim1 small") << int(DtFormat::Steim1) << 50 << 0 << -1;
        QTest::newRow("steim1 wide") << int(DtFormat::Steim1) << 100000 << -5000000 << -1;
        QTest::newRow("steim2 small") << int(DtFormat::Steim2) << 5 << 1000 << -1;
        QTest::newRow("steim2 wide") << int(DtFormat::Steim2) << 400000000 << 0 << -1;
    }
    void dtRoundTrip()
    {
        QFETCH(int, format);
        QFETCH(int, step);
        QFETCH(std::int32_t, start);
        QFETCH(int, expectedCount);
        const std::vector<std::int32_t> samples = Walk(2000, step, start);
        PacketBytes packet{};
        const DtFields fields = Fields(static_cast<DtFormat>(format));
        const int taken = WriteDtPacket(packet, fields, samples);
        if (expectedCount >= 0)
            QCOMPARE(taken, expectedCount);
        QVERIFY(taken > 0);

        auto slot = std::make_unique<DtPacket>();
        QVERIFY(DecodeDtPacket(*slot, packet));
        QCOMPARE(int(slot->SampleCount), taken);
        QCOMPARE(slot->DasId, fields.Header.DasId);
        QCOMPARE(slot->Sequence, fields.Header.Sequence);
        QCOMPARE(slot->Experiment, fields.Header.Experiment);
        QCOMPARE(slot->Event, fields.Event);
        QCOMPARE(slot->Stream, fields.Stream);
        QCOMPARE(slot->Channel, fields.Channel);
        QCOMPARE(slot->Time.Day, fields.Header.Time.Day);
        QCOMPARE(slot->Time.Msec, fields.Header.Time.Msec);
        for (int i = 0; i < taken; ++i)
            QCOMPARE(slot->Samples[i], samples[static_cast<std::size_t>(i)]);
    }

    void int16Saturates()
    {
        const std::vector<std::int32_t> samples{40000, -40000, -1};
        PacketBytes packet{};
        QCOMPARE(WriteDtPacket(packet, Fields(DtFormat::Int16), samples), 3);
        auto slot = std::make_unique<DtPacket>();
        QVERIFY(DecodeDtPacket(*slot, packet));
        QCOMPARE(slot->Samples[0], 32767);
        QCOMPARE(slot->Samples[1], -32768);
        QCOMPARE(slot->Samples[2], -1);
    }

    void steimFillsFrames_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("capacity"); // exact count for a constant signal, else 0
        QTest::newRow("steim1 constant") << int(DtFormat::Steim1) << 0 << 892;
        QTest::newRow("steim2 constant") << int(DtFormat::Steim2) << 0 << 1561;
        QTest::newRow("steim1 noise") << int(DtFormat::Steim1) << 200 << 0;
        QTest::newRow("steim2 noise") << int(DtFormat::Steim2) << 200 << 0;
        QTest::newRow("steim2 mixed widths") << int(DtFormat::Steim2) << 20000 << 0;
    }
    void steimFillsFrames()
    {
        QFETCH(int, format);
        QFETCH(int, step);
        QFETCH(int, capacity);
        const std::vector<std::int32_t> samples = Walk(2000, step, 77);
        PacketBytes packet{};
        const int taken = WriteDtPacket(packet, Fields(static_cast<DtFormat>(format)), samples);
        if (capacity > 0)
            QCOMPARE(taken, capacity);
        // Every data word of the last frame is in use, so the packet is as full as it gets.
        const std::uint8_t* lastFrame = packet.data() + 64 + 14 * 64;
        const std::uint32_t codes = (std::uint32_t(lastFrame[0]) << 24) |
                                    (std::uint32_t(lastFrame[1]) << 16) |
                                    (std::uint32_t(lastFrame[2]) << 8) | lastFrame[3];
        QVERIFY2((codes & 0x3) != 0, "last word of the last frame is empty");
        // One sample more than was taken still yields the same packet size.
        std::vector<std::int32_t> fewer(samples.begin(), samples.begin() + taken + 1);
        PacketBytes again{};
        QCOMPARE(WriteDtPacket(again, Fields(static_cast<DtFormat>(format)), fewer), taken);
    }

    void steimTakesShortSignalWhole()
    {
        const std::vector<std::int32_t> samples = Walk(10, 3, -5);
        PacketBytes packet{};
        QCOMPARE(WriteDtPacket(packet, Fields(DtFormat::Steim2), samples), 10);
        auto slot = std::make_unique<DtPacket>();
        QVERIFY(DecodeDtPacket(*slot, packet));
        for (int i = 0; i < 10; ++i)
            QCOMPARE(slot->Samples[i], samples[static_cast<std::size_t>(i)]);
    }

    void steim2RefusesDifferencesBeyond30Bits()
    {
        const std::vector<std::int32_t> samples{0, 2000000000, -2000000000, 0};
        PacketBytes packet{};
        QCOMPARE(WriteDtPacket(packet, Fields(DtFormat::Steim2), samples), 0);
        QCOMPARE(WriteDtPacket(packet, Fields(DtFormat::Steim2), {}), 0);
    }

    void eventHeaderRoundTrip_data()
    {
        QTest::addColumn<bool>("trailer");
        QTest::addColumn<bool>("bank");
        QTest::addColumn<int>("formatByte");
        QTest::newRow("EH bank 0") << false << false << 0xC2;
        QTest::newRow("ET bank 1") << true << true << 0x16;
        QTest::newRow("EH format C1") << false << false << 0xC1;
    }
    void eventHeaderRoundTrip()
    {
        QFETCH(bool, trailer);
        QFETCH(bool, bank);
        QFETCH(int, formatByte);
        EventHeaderFields fields;
        fields.Header.DasId = 0x9A3D;
        fields.Header.Time = DayTime{DayNumberFromYmd(2025, 6, 1), 1000.0};
        fields.Trailer = trailer;
        fields.Stream = 2;
        fields.ChannelBank = bank;
        fields.FormatByte = static_cast<std::uint8_t>(formatByte);
        fields.Name = "S3";
        fields.SampleRate = " 250";
        fields.Positions[0] = {"1.5uV", "20.0", 'V'};
        fields.Positions[1] = {"2mV", "1.25", 'A'};
        fields.Positions[15] = {"0.5V", "500", 'D'};
        PacketBytes packet{};
        WriteEventHeader(packet, fields);
        QCOMPARE(packet[1], std::uint8_t(trailer ? 'T' : 'H'));

        EventHeaderInfo info;
        QVERIFY(ParseEventHeader(packet, info));
        QCOMPARE(info.DasId, fields.Header.DasId);
        QCOMPARE(info.Stream, fields.Stream);
        QCOMPARE(info.ChannelBank, bank);
        QCOMPARE(QByteArray(info.Name), QByteArray("S3"));
        QCOMPARE(info.SampleRate, 250.0);
        QCOMPARE(info.Positions[0].BitWeight, 1.5e-6);
        QCOMPARE(info.Positions[0].VoltsPerUnit, 20.0);
        QCOMPARE(info.Positions[0].Kind, UnitKind::V);
        QCOMPARE(info.Positions[1].BitWeight, 0.002);
        QCOMPARE(info.Positions[1].Kind, UnitKind::A);
        QCOMPARE(info.Positions[15].BitWeight, 0.5);
        QCOMPARE(info.Positions[15].Kind, UnitKind::D);
        QCOMPARE(info.Positions[2].BitWeight, 0.0);
        QCOMPARE(info.Positions[2].Kind, UnitKind::None);
    }

    void eventHeaderCutsLongTexts()
    {
        EventHeaderFields fields;
        fields.Name = "ABCDEFG";
        fields.EventKind = "CONTINUOUS";
        fields.SampleRate = "100";
        fields.Positions[0] = {"1.5uV-and-more", "20.00000", 'V'};
        PacketBytes packet{};
        WriteEventHeader(packet, fields);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(packet.data() + 60), 4),
                 QByteArray("ABCD"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(packet.data() + 92), 3),
                 QByteArray("CON"));
        QCOMPARE(packet[296], std::uint8_t(' ')); // the next position's bit weight is untouched
        EventHeaderInfo info;
        QVERIFY(ParseEventHeader(packet, info));
        QCOMPARE(info.SampleRate, 100.0);
    }

    void frames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("data") << 2 << 1024 << QByteArray::fromHex("000200000400");
        QTest::newRow("empty") << 1 << 0 << QByteArray::fromHex("000100000000");
        QTest::newRow("negative") << 0xFFFF << -1024 << QByteArray::fromHex("fffffffffc00");
    }
    void frames()
    {
        QFETCH(int, type);
        QFETCH(int, length);
        QFETCH(QByteArray, header);
        std::uint8_t bytes[kFrameHeaderBytes];
        WriteFrameHeader(bytes, static_cast<std::uint16_t>(type),
                         static_cast<std::uint32_t>(length));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), kFrameHeaderBytes), header);
    }

    void makeFrameCarriesPayload()
    {
        const std::uint8_t payload[] = {'D', 'T', 1, 2, 3};
        const std::vector<std::uint8_t> frame = MakeFrame(2, payload);
        QCOMPARE(frame.size(), kFrameHeaderBytes + 5);
        QCOMPARE(frame[5], std::uint8_t(5));
        QCOMPARE(frame[6], std::uint8_t('D'));
        QCOMPARE(frame.back(), std::uint8_t(3));
    }
};

QTEST_APPLESS_MAIN(TestPacketWriter)
#include "tst_packetwriter.moc"
