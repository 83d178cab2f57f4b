// Runs inside an application object under a decimal-comma locale (see CMakeLists.txt).
#include "packets/bcd.h"
#include "packets/byteorder.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "packets/numbertext.h"
#include "packets/packetheader.h"
#include "packets/steimpath.h"
#include "tests/common/commalocale.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

using testpackets::Packet;

namespace {

std::unique_ptr<DtPacket> FreshSlot()
{
    auto slot = std::make_unique<DtPacket>();
    for (std::int32_t& s : slot->Samples)
        s = 0x5A5A5A5A; // a previous packet's leftovers
    return slot;
}

std::vector<std::int32_t> SamplesOf(const DtPacket& slot)
{
    return {slot.Samples, slot.Samples + slot.SampleCount};
}

using Samples = std::vector<std::int32_t>;

// A data word of a Steim packet: frame, word in the frame, its code and its value.
struct SteimWord
{
    int Frame;
    int Word;
    unsigned Code;
    std::uint32_t Value;
};

// A row: a Steim packet of formatByte stating sampleCount, and the samples it holds. Each frame
// starts with its codes word, where each word's code goes; frame 0 then holds X0 and XN, and
// its data from word 3.
void SteimRow(const char* name, std::uint8_t formatByte, unsigned sampleCount, std::int32_t x0,
              std::initializer_list<SteimWord> words, const Samples& expected)
{
    Packet p = testpackets::DtBytes(formatByte, sampleCount);
    WriteBig32(p.data() + 68, static_cast<std::uint32_t>(x0));
    std::array<std::uint32_t, 15> codes{};
    for (const SteimWord& w : words) {
        codes[std::size_t(w.Frame)] |= w.Code << (30 - 2 * w.Word);
        WriteBig32(p.data() + 64 + 64 * w.Frame + 4 * w.Word, w.Value);
    }
    for (std::size_t frame = 0; frame < codes.size(); ++frame)
        WriteBig32(p.data() + 64 + 64 * frame, codes[frame]);
    QTest::newRow(name) << p << expected;
}

void PutField(testpackets::Packet& p, std::size_t offset, std::size_t width, const QByteArray& text)
{
    std::memset(p.data() + offset, ' ', width);
    std::memcpy(p.data() + offset, text.constData(), std::min<std::size_t>(width, text.size()));
}

// Position 0 gets the texts given, position 1 the packed sensor text "2.0000"; the other
// positions carry no usable bit weight.
testpackets::Packet EventHeader(const QByteArray& name, const QByteArray& rate,
                                const QByteArray& kind, std::uint8_t formatByte,
                                const QByteArray& bitWeight, const QByteArray& voltsPerUnit,
                                char unit)
{
    testpackets::Packet p{};
    std::memset(p.data() + 16, ' ', p.size() - 16);
    testpackets::PutHeader(p, {.Type = "EH", .DasId = 0x12AB});
    testpackets::PutBcd(p.data(), 36, 2, 2);
    p[22] = 0x04 | 0x01;
    p[23] = formatByte;
    PutField(p, 60, 4, name);
    PutField(p, 88, 4, rate);
    PutField(p, 92, 3, kind);
    PutField(p, 288, 8, bitWeight);
    PutField(p, 544, 6, voltsPerUnit);
    PutField(p, 550, 6, "2.0000");
    p[640] = static_cast<std::uint8_t>(unit);
    return p;
}

} // namespace

Q_DECLARE_METATYPE(Samples)
Q_DECLARE_METATYPE(testpackets::Packet)

class PacketsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RequireCommaLocale(); }

    void identityFieldsReadFromTheirOwnBytes()
    {
        Packet p = testpackets::DtBytes(0x16, 2, 3, 15, {.DasId = 0x12AB, .Sequence = 9876});
        auto slot = FreshSlot();
        QVERIFY(DecodeDtPacket(*slot, p));
        QCOMPARE(std::tuple(int(slot->DasId), int(slot->Experiment), int(slot->Sequence),
                            int(slot->Event), int(slot->Stream), int(slot->Channel)),
                 std::tuple(0x12AB, 7, 9876, 17, 3, 15));
        QCOMPARE(slot->Format, FormatInt16);
        QCOMPARE(std::tuple(slot->Time.Day, slot->Time.Msec), std::tuple(732692, 45296789.0));
    }

    void integerSamplesKeepSignAndByteOrder_data()
    {
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<int>("headerCount");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("format");
        QTest::addColumn<Samples>("expected");
        QTest::newRow("16-bit sign") << 0x16 << 3 << QByteArray("\xFF\xFF\x80\x00\x7F\xFF", 6)
                                     << int(FormatInt16) << Samples{-1, -32768, 32767};
        QTest::newRow("32-bit extremes")
            << 0x32 << 2 << QByteArray("\x80\x00\x00\x00\x7F\xFF\xFF\xFF", 8) << int(FormatInt32)
            << Samples{INT_MIN, INT_MAX};
        // Counts beyond the data area are cut to what it holds; nothing past byte 1023 is read.
        QTest::newRow("16-bit count clamped")
            << 0x16 << 9999 << QByteArray() << int(FormatInt16) << Samples(500, 0);
        QTest::newRow("32-bit count clamped")
            << 0x32 << 251 << QByteArray() << int(FormatInt32) << Samples(250, 0);
    }
    void integerSamplesKeepSignAndByteOrder()
    {
        QFETCH(int, formatByte);
        QFETCH(int, headerCount);
        QFETCH(QByteArray, data);
        Packet p = testpackets::DtBytes(static_cast<std::uint8_t>(formatByte),
                                        static_cast<unsigned>(headerCount));
        std::memcpy(p.data() + 24, data.constData(), static_cast<std::size_t>(data.size()));
        auto slot = FreshSlot();
        QVERIFY(DecodeDtPacket(*slot, p));
        QTEST(int(slot->Format), "format");
        QTEST(SamplesOf(*slot), "expected");
    }

    void steimDecodesEveryWordKindAndStopsAtTheCount_data()
    {
        QTest::addColumn<Packet>("packet");
        QTest::addColumn<Samples>("expected");
        SteimRow("steim1 bytes, X0 first", 0xC0, 4, 1000, {{0, 3, 1, 0x0501FF02}},
                 {1000, 1001, 1000, 1002});
        SteimRow("steim1 halves and word", 0xC0, 5, 7,
                 {{0, 3, 2, 0x00640000},  // X0 replaces 100; then 0
                  {0, 4, 3, 0xFFFFFFFE},  // -2
                  {0, 5, 2, 0x0003FFFD}}, // 3, -3
                 {7, 7, 5, 8, 5});
        // The running value wraps like the format's two's-complement integration.
        SteimRow("steim1 wraps", 0xC0, 3, INT_MAX,
                 {{0, 3, 3, 0}, {0, 4, 3, 1}, {0, 5, 3, 0x80000000u}}, {INT_MAX, INT_MIN, 0});
        // No data word at word 3 of frame 0: integration starts from 0.
        SteimRow("steim1 first word elsewhere", 0xC0, 2, 1000, {{0, 4, 1, 0x01020000}}, {1, 3});
        // Data codes on w1 and w2 of the first frame are decoded like any other word.
        SteimRow("steim1 data code on X0 word", 0xC0, 3, 0, {{0, 1, 1, 0x01010100}}, {1, 2, 3});
        SteimRow("steim1 stops at the sample count", 0xC0, 3, 10,
                 {{0, 3, 1, 0x01010101}, {0, 4, 1, 0x01010101}}, {10, 11, 12});
        // The count ends a whole word, with more data after it.
        SteimRow("steim1 count ends a word", 0xC0, 8, 0,
                 {{0, 3, 1, 0x00010101}, {0, 4, 1, 0x01010101}, {0, 5, 1, 0x01010101}},
                 {0, 1, 2, 3, 4, 5, 6, 7});
        // Later frames continue the integration.
        SteimRow("steim1 last word of last frame", 0xC0, 6, 0,
                 {{0, 3, 1, 0x00010101}, {14, 15, 1, 0x0A0B0000}}, {0, 1, 2, 3, 13, 24});
        SteimRow("steim2 two 15-bit", 0xC2, 6, 50,
                 {{0, 3, 1, 0x00000000}, {0, 4, 2, (2u << 30) | (3u << 15) | (0x7FFDu)}}, // 3, -3
                 {50, 50, 50, 50, 53, 50});
        SteimRow("steim2 seven 4-bit", 0xC2, 8, -5,
                 {{0, 3, 2, (1u << 30) | 0x3FFFFFFFu},               // 30-bit -1, replaced by X0
                  {0, 4, 3, (2u << 30) | (3u << 28) | 0x1234567Fu}}, // bits 29-28 ignored
                 {-5, -3, 0, 4, 9, 15, 22, 21});
        SteimRow(
            "steim2 mixed widths, unknown layouts skipped", 0xC2, 10, 0,
            {{0, 3, 2, (3u << 30) | (1u << 20) | (0x3FFu << 10) | 0x200u}, // 1, -1, -512
             {0, 4, 3, (0u << 30) | (1u << 24) | (0x3Fu << 18) | (31u << 12) | (0x20u << 6) | 2u},
             {0, 5, 2, 0x12345678u & 0x3FFFFFFFu}, // top bits 00: passed over
             {0, 6, 3, 0xFFFFFFFFu},               // top bits 11: passed over
             {0, 7, 3,
              (1u << 30) | (1u << 25) | (0x1Fu << 20) | (15u << 15) | (0x10u << 10) | (0u << 5) |
                  1u}},
            {0, -1, -513, -512, -513, -482, -514, -512, -511, -512});
        // Compressed data that ends early: only the samples written count.
        SteimRow("steim2 runs out", 0xC2, 1000, 9, {{0, 3, 1, 0x00010203}}, {9, 10, 12, 15});
        SteimRow("steim2 no samples", 0xC2, 0, 0, {{0, 3, 1, 0x01010101}}, {});
    }
    void steimDecodesEveryWordKindAndStopsAtTheCount()
    {
        QFETCH(Packet, packet);
        QFETCH(Samples, expected);
        auto slot = FreshSlot();
        QVERIFY(DecodeDtPacket(*slot, packet));
        QCOMPARE(int(slot->Format), packet[23] == 0xC0 ? int(FormatSteim1) : int(FormatSteim2));
        QCOMPARE(SamplesOf(*slot), expected);
        QCOMPARE(slot->Samples[slot->SampleCount], 0x5A5A5A5A); // nothing written past the count
        // Every path, not only the one this CPU picks (one it lacks falls back to the scalar
        // path); none writes past its samples.
        const auto format = packet[23] == 0xC0 ? SteimFormat::One : SteimFormat::Two;
        for (SteimPath path : {SteimPath::Scalar, SteimPath::Sse41, SteimPath::Avx2}) {
            auto other = FreshSlot();
            const int n = DecodeSteimOn(path, format, other->Samples, std::span(packet).subspan(64),
                                        ReadBcd(packet.data() + 20, 4));
            QCOMPARE(Samples(other->Samples, other->Samples + n), expected);
            QVERIFY(std::all_of(other->Samples + n, std::end(other->Samples),
                                [](std::int32_t v) { return v == 0x5A5A5A5A; }));
        }
    }

    void unknownFormatBytesAreRefused_data()
    {
        QTest::addColumn<int>("formatByte");
        QTest::newRow("0xC1") << 0xC1;
        QTest::newRow("0x24") << 0x24;
        QTest::newRow("0x2C reads as 32 in BCD") << 0x2C;
        QTest::newRow("0xBA reads as 120 in BCD") << 0xBA;
        QTest::newRow("0xBC reads as 122 in BCD") << 0xBC;
        QTest::newRow("0x00") << 0x00;
    }
    void unknownFormatBytesAreRefused()
    {
        QFETCH(int, formatByte);
        Packet p = testpackets::DtBytes(static_cast<std::uint8_t>(formatByte), 100);
        auto slot = FreshSlot();
        slot->SampleCount = 250;
        QVERIFY(!DecodeDtPacket(*slot, p));
        QCOMPARE(slot->SampleCount, 0); // the slot is empty until overwritten
    }

    void bcdTakesNibblesAboveNine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("startLow");
        QTest::addColumn<uint>("value");
        QTest::newRow("0xC0 Steim-1") << QByteArray("\xC0", 1) << 2 << false << 120u;
        QTest::newRow("0xC2 Steim-2") << QByteArray("\xC2", 1) << 2 << false << 122u;
        QTest::newRow("zero digits") << QByteArray("\x99", 1) << 0 << false << 0u;
        QTest::newRow("three from high") << QByteArray("\x36\x61", 2) << 3 << false << 366u;
        QTest::newRow("two from low") << QByteArray("\x61\x23", 2) << 2 << true << 12u;
        QTest::newRow("three from low") << QByteArray("\x17\x89", 2) << 3 << true << 789u;
        QTest::newRow("eight digits")
            << QByteArray("\x12\x34\x56\x78", 4) << 8 << false << 12345678u;
    }
    void bcdTakesNibblesAboveNine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, digits);
        QFETCH(bool, startLow);
        QTEST(ReadBcd(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::uint16_t>(digits), startLow),
              "value");
    }

    void calendarRoundTripsEveryFourthYearLeap_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("dayOfYear");
        QTest::addColumn<int>("dayNumber");
        QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 1 << 730500;
        QTest::newRow("2006-01-01") << 2006 << 1 << 1 << 1 << 732692;
        QTest::newRow("2004 doy 366") << 2004 << 12 << 31 << 366 << 732691 - 365;
        QTest::newRow("2004 doy 60 is 29 Feb")
            << 2004 << 2 << 29 << 60 << 730500 + 4 * 365 + 1 + 59;
        QTest::newRow("2005 doy 60 is 1 Mar") << 2005 << 3 << 1 << 60 << 730500 + 5 * 365 + 2 + 59;
        QTest::newRow("2100 is a leap year")
            << 2100 << 2 << 29 << 60 << 730500 + 100 * 365 + 25 + 59;
        QTest::newRow("year 0") << 0 << 1 << 1 << 1 << 0;
        QTest::newRow("the day before year 0") << -1 << 12 << 31 << 365 << -1;
        QTest::newRow("-4 is a leap year") << -4 << 2 << 29 << 60 << -1402;
    }
    void calendarRoundTripsEveryFourthYearLeap()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, dayOfYear);
        QFETCH(int, dayNumber);
        QCOMPARE(DayNumberFromDoy(year, dayOfYear), dayNumber);
        QCOMPARE(DayNumberFromYmd(year, month, day), dayNumber);
        const CalendarDate c = CalendarFromDay(dayNumber);
        QCOMPARE(QList<int>({c.Year, c.Month, c.Day, c.DayOfYear}),
                 QList<int>({year, month, day, dayOfYear}));
    }

    void timeTextCutsMillisecondsAndKeeps2400_data()
    {
        QTest::addColumn<QByteArray>("ymd"); // empty: only FormatTime
        QTest::addColumn<int>("day");
        QTest::addColumn<double>("msec");
        QTest::addColumn<QString>("text");
        QTest::newRow("example") << QByteArray("200601011234567890") << 732692 << 45296789.0
                                 << "2006.01.01 12:34:56.789";
        QTest::newRow("whole hour")
            << QByteArray() << 732692 << 3600000.0 << "2006.01.01 01:00:00.000";
        QTest::newRow("ms cut") << QByteArray() << 732692 << 999.9 << "2006.01.01 00:00:00.999";
        QTest::newRow("24:00 stays on its day") << QByteArray("200601012400000000") << 732692
                                                << 86400000.0 << "2006.01.01 24:00:00.000";
        QTest::newRow("24:00:00.0001 is the next day")
            << QByteArray("200601012400000001") << 732693 << 0.1 << "2006.01.02 00:00:00.000";
    }
    void timeTextCutsMillisecondsAndKeeps2400()
    {
        QFETCH(QByteArray, ymd);
        QFETCH(int, day);
        QFETCH(double, msec);
        QFETCH(QString, text);
        if (!ymd.isEmpty()) {
            const DayTime parsed = ParseTimeYmd(ymd.constData());
            QCOMPARE(parsed.Day, day);
            QVERIFY(std::abs(parsed.Msec - msec) < 1e-6);
            const QByteArray doyText = QByteArray(ymd.left(4) + "001" + ymd.mid(8));
            const DayTime doy = ParseTimeDoy(doyText.constData());
            QCOMPARE(doy.Day, day);
        }
        QCOMPARE(QString::fromStdString(FormatTime(DayTime{day, msec})), text);
        char cut[8];
        QCOMPARE(FormatTime(DayTime{day, msec}, cut, sizeof cut), 23);
        QCOMPARE(QByteArray(cut), text.toLatin1().left(7));
    }

    // A text cut short reads the fields it has; only a text without a year is refused.
    void shortTimeTextReadsTheFieldsItHas()
    {
        QCOMPARE(ParseTimeDoy("2006").Day, DayNumberFromDoy(2006, 0));
        QCOMPARE(ParseTimeYmd("2006").Day, DayNumberFromYmd(2006, 0, 0));
        QCOMPARE(ParseTimeDoy("x").Day, 0);
        QCOMPARE(ParseTimeYmd("").Day, 0);
    }

    void timeAddCarriesWholeDaysAndClampsTheUnrepresentable_data()
    {
        QTest::addColumn<double>("msec");
        QTest::addColumn<double>("delta");
        QTest::addColumn<qint64>("dayOut");
        QTest::addColumn<double>("msecOut");
        constexpr double inf = std::numeric_limits<double>::infinity();
        constexpr double lastMsec = 86400000.0 - 1.4901161193847656e-08;
        QTest::newRow("into next day") << 86399000.0 << 1000.0 << 732693LL << 0.0;
        QTest::newRow("into day before") << 0.0 << -1.0 << 732691LL << 86399999.0;
        QTest::newRow("several days back") << 0.0 << -2.25 * 86400000.0 << 732689LL << 64800000.0;
        QTest::newRow("tiny negative is the same instant") << 0.0 << -1e-9 << 732692LL << 0.0;
        // A stored rate of 1e-30 asks for an offset of 1e33 ms.
        QTest::newRow("beyond the last day") << 0.0 << 1e33 << qint64(INT32_MAX) << lastMsec;
        QTest::newRow("infinity") << 0.0 << inf << qint64(INT32_MAX) << lastMsec;
        QTest::newRow("before the first day") << 0.0 << -inf << qint64(INT32_MIN) << 0.0;
        QTest::newRow("NaN moves nothing") << 5.0 << std::nan("") << 732692LL << 5.0;
    }
    void timeAddCarriesWholeDaysAndClampsTheUnrepresentable()
    {
        QFETCH(double, msec);
        QFETCH(double, delta);
        QFETCH(double, msecOut);
        const DayTime t = TimeAdd(DayTime{732692, msec}, delta);
        QTEST(qint64(t.Day), "dayOut");
        QVERIFY(t.Msec >= 0.0 && t.Msec < kMsecPerDay);
        QVERIFY2(std::abs(t.Msec - msecOut) < 1e-3, qPrintable(QString::number(t.Msec, 'f')));
    }

    void timeDiffUnknownUnitIsMilliseconds_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("value");
        const double d = 86400000.0 + 7200000.0; // one day and two hours
        QTest::newRow("ms") << 0 << d;
        QTest::newRow("s") << 1 << d * 0.001;
        QTest::newRow("min") << 2 << d / 60000.0;
        QTest::newRow("h") << 3 << 26.0;
        QTest::newRow("days") << 4 << d / 86400000.0;
        QTest::newRow("unknown") << 9 << d;
    }
    void timeDiffUnknownUnitIsMilliseconds()
    {
        QFETCH(int, unit);
        QFETCH(double, value);
        QCOMPARE(TimeDiff(DayTime{732693, 7200000.0}, DayTime{732692, 0.0}, unit), value);
        QCOMPARE(TimeDiff(DayTime{732692, 0.0}, DayTime{732693, 7200000.0}, unit), -value);
    }

    void headerFieldsAndCenturyPivot_data()
    {
        QTest::addColumn<uint>("yy");
        QTest::addColumn<QString>("time");
        QTest::newRow("06") << 6u << "2006.01.01 12:34:56.789";
        QTest::newRow("87 is 2087") << 87u << "2087.01.01 12:34:56.789";
        QTest::newRow("88 is 1988") << 88u << "1988.01.01 12:34:56.789";
    }
    void headerFieldsAndCenturyPivot()
    {
        QFETCH(uint, yy);
        testpackets::Packet p{};
        testpackets::PutHeader(p, {.Year = yy});
        const PacketHeader parsed = *ParsePacketHeader(p);
        QTEST(QString::fromStdString(FormatTime(parsed.Time)), "time");

        // Hour nibbles above 9 count with their value and carry the time into later days.
        p[7] = 0x1F;
        p[8] = 0x04;
        const PacketHeader odd = *ParsePacketHeader(p);
        QCOMPARE(odd.Time.Day, parsed.Time.Day + 6);
        QVERIFY(odd.Time.Msec >= 0.0 && odd.Time.Msec <= kMsecPerDay);
    }

    void headerRefusesShortPackets()
    {
        const testpackets::Packet p{};
        QVERIFY(!ParsePacketHeader(std::span(p).first(15)));
        QVERIFY(ParsePacketHeader(std::span(p).first(16)));
    }

    void swapOffLeavesValues()
    {
        // A big-endian host reads wire values as they are.
        SetByteSwap(false);
        const bool unchanged =
            NetToHost16(0x1234) == 0x1234 && NetToHost32(0x12345678u) == 0x12345678u;
        DetectByteOrder();
        QVERIFY(unchanged);
        QCOMPARE(NetToHost32(0x12345678u), ByteSwapEnabled() ? 0x78563412u : 0x12345678u);
    }

    void eventHeaderNumbersReadWithAPointUnderCommaLocale_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("rate");
        QTest::addColumn<QByteArray>("bitWeight");
        QTest::addColumn<QByteArray>("voltsPerUnit");
        QTest::addColumn<char>("unit");
        QTest::addColumn<QByteArray>("parsedName");
        QTest::addColumn<double>("parsedRate");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("parsedVoltsPerUnit");
        QTest::addColumn<QString>("unitCode");
        const auto row = [](const char* tag, const char* name, const char* rate,
                            const char* bitWeight, const char* voltsPerUnit, char unit,
                            const char* parsedName, double parsedRate, double volts,
                            double parsedVoltsPerUnit, const char* unitCode) {
            QTest::newRow(tag) << QByteArray(name) << QByteArray(rate) << QByteArray(bitWeight)
                               << QByteArray(voltsPerUnit) << unit << QByteArray(parsedName)
                               << parsedRate << volts << parsedVoltsPerUnit
                               << QString::fromLatin1(unitCode);
        };
        row("uV, fractional rate and sensor", "BHZ ", " 0.1", "1.5uV", "0.25", 'V', "BHZ", 0.1,
            1.5e-6, 0.25, "M/S");
        row("V with a fraction", " AB ", "  .1", "0.5V", "2", 'D', "AB", 0.1, 0.5, 2.0, "M");
        row("mV, blanks before the unit", "A BC", "  50", "  3 mV", "27.5", 'A', "A", 50.0, 0.003,
            27.5, "M/S^2");
        row("nV, packed sensor field", "    ", "1000", "596nV", "1.5000", 'G', "", 1000.0, 596e-9,
            1.5, "G");
        row("eight characters", "ABCD", "    ", "1.23456V", "1", 'V', "ABCD", 0.0, 1.23456, 1.0,
            "M/S");
        row("no unit: no bit weight", "X", "100", "3.0", "1", 'V', "X", 100.0, 0.0, 1.0, "M/S");
        row("not finite", "X", "100", "infV", "1", 'V', "X", 100.0, 0.0, 1.0, "M/S");
        row("unknown unit letter", "X", "100", "1V", "27.5", 'X', "X", 100.0, 1.0, 0.0, "Unk");
        row("zero sensor", "X", "100", "1V", "0", 'V', "X", 100.0, 1.0, 0.0, "Unk");
    }
    void eventHeaderNumbersReadWithAPointUnderCommaLocale()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, rate);
        QFETCH(QByteArray, bitWeight);
        QFETCH(QByteArray, voltsPerUnit);
        QFETCH(char, unit);
        EventHeaderInfo info;
        QVERIFY(ParseEventHeader(
            EventHeader(name, rate, "CON", 0xC0, bitWeight, voltsPerUnit, unit), info));
        QCOMPARE(info.DasId, 0x12AB);
        QCOMPARE(info.Stream, 2);
        QVERIFY(info.ChannelBank);
        QTEST(QByteArray(info.Name), "parsedName");
        QTEST(info.SampleRate, "parsedRate");
        QTEST(info.Positions[0].BitWeight, "volts");
        QTEST(info.Positions[0].VoltsPerUnit, "parsedVoltsPerUnit");
        QTEST(QString::fromLatin1(UnitCodeText(info.Positions[0].Kind)), "unitCode");
        QCOMPARE(info.Positions[1].BitWeight, 0.0);
    }

    void refusedByFormatByteOrEventKind_data()
    {
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("usable");
        QTest::newRow("0xC1 usable here") << 0xC1 << QByteArray("EVT") << true;
        QTest::newRow("0x32") << 0x32 << QByteArray("CRS") << true;
        QTest::newRow("0x24") << 0x24 << QByteArray("CON") << false;
        QTest::newRow("0xBB reads as 121") << 0xBB << QByteArray("CON") << false;
        QTest::newRow("unknown kind") << 0xC0 << QByteArray("XYZ") << false;
        QTest::newRow("lower-case kind") << 0xC0 << QByteArray("con") << false;
        for (const char* kind : {"CMD", "EXT", "LVL", "RAD", "TIM", "VOT", "TML"})
            QTest::addRow("kind %s", kind) << 0xC2 << QByteArray(kind) << true;
    }
    void refusedByFormatByteOrEventKind()
    {
        QFETCH(int, formatByte);
        QFETCH(QByteArray, kind);
        EventHeaderInfo info;
        QTEST(ParseEventHeader(EventHeader("BHZ", "100", kind,
                                           static_cast<std::uint8_t>(formatByte), "1V", "1", 'V'),
                               info),
              "usable");
    }

    void shortPacketsReadAsBlanks()
    {
        const testpackets::Packet p = EventHeader("BHZ", "100", "CON", 0xC0, "1.5uV", "1", 'V');
        EventHeaderInfo info;
        // Cut inside the channel texts: what is missing reads as blanks.
        QVERIFY(ParseEventHeader(std::span(p).first(600), info));
        QCOMPARE(info.Positions[0].BitWeight, 1.5e-6);
        QCOMPARE(info.Positions[0].Kind, UnitKind::None);
        // Cut before the event kind: no usable kind.
        QVERIFY(!ParseEventHeader(std::span(p).first(93), info));
        QVERIFY(!ParseEventHeader(std::span(p).first(0), info));
    }

    void numberTextRoundsAsCPrintfUnderCommaLocale_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision"); // -1: "%g"
        QTest::addColumn<QString>("text");
        QTest::newRow("%g of a fraction") << 0.002 << -1 << "0.002";
        QTest::newRow("%g ties to the binary value") << 1234565.0 << -1 << "1.23456e+06";
        QTest::newRow("%g drops zeros") << 2.5 << -1 << "2.5";
        QTest::newRow("%g small") << 1.5e-6 << -1 << "1.5e-06";
        QTest::newRow("%g negative") << -4294.967295 << -1 << "-4294.97";
        QTest::newRow("%4.1f of 41.25 rounds down") << 41.25 << 1 << "41.2";
        QTest::newRow("%4.1f pads") << 5.0 << 1 << " 5.0";
        QTest::newRow("%4.1f of 9.96") << 9.96 << 1 << "10.0";
    }
    void numberTextRoundsAsCPrintfUnderCommaLocale()
    {
        QFETCH(double, value);
        QFETCH(int, precision);
        const std::string text = precision < 0 ? FormatG(value) : FormatFixed(value, precision, 4);
        QTEST(QString::fromStdString(text), "text");
    }

    void readDecimalTakesWhatStrtodTakes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("used");
        QTest::newRow("point") << QByteArray(" 0.1uV") << true << 0.1 << 4;
        QTest::newRow("comma stops") << QByteArray("0,1") << true << 0.0 << 1;
        QTest::newRow("plus") << QByteArray("+2.5") << true << 2.5 << 4;
        QTest::newRow("minus") << QByteArray("-3e2x") << true << -300.0 << 4;
        QTest::newRow("bare point") << QByteArray(".5") << true << 0.5 << 2;
        QTest::newRow("no digits") << QByteArray(" uV") << false << 0.0 << 0;
        QTest::newRow("two signs") << QByteArray("+-1") << false << 0.0 << 0;
        QTest::newRow("overflow") << QByteArray("1e999") << false << 0.0 << 0;
    }
    void readDecimalTakesWhatStrtodTakes()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, found);
        std::size_t used = 0;
        const auto v = ReadDecimal(std::string_view(text.constData(), text.size()), &used);
        QCOMPARE(v.has_value(), found);
        if (found) {
            QTEST(*v, "value");
            QTEST(int(used), "used");
        }
    }
};

QTEST_GUILESS_MAIN(PacketsTest)
#include "tst_packets.moc"
