#include "packets/bcd.h"
#include "packets/byteorder.h"
#include "packets/daytime.h"
#include "packets/packetheader.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <tuple>

class TstPacketHeader : public QObject
{
    Q_OBJECT

private slots:
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
        QFETCH(qint64, dayOut);
        QFETCH(double, msecOut);
        const DayTime t = TimeAdd(DayTime{732692, msec}, delta);
        QCOMPARE(qint64(t.Day), dayOut);
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
        testpackets::Header h;
        h.Year = yy;
        testpackets::PutHeader(p, h);
        const PacketHeader parsed = *ParsePacketHeader(p);
        QCOMPARE(std::tuple(int(parsed.Experiment), int(parsed.DasId), int(parsed.Sequence)),
                 std::tuple(7, 0x9A3C, 4321));
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
};

QTEST_APPLESS_MAIN(TstPacketHeader)
#include "tst_packetheader.moc"
