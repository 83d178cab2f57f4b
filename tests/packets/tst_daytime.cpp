#include "packets/bcd.h"
#include "packets/byteorder.h"
#include "packets/daytime.h"
#include "packets/packetheader.h"
#include "rawpacket.h"

#include <QTest>

class TstDayTime : public QObject
{
    Q_OBJECT

private slots:
    void readBcd_data();
    void readBcd();
    void dayNumbers_data();
    void dayNumbers();
    void formatTime_data();
    void formatTime();
    void parse_data();
    void parse();
    void timeAdd_data();
    void timeAdd();
    void timeDiffUnits_data();
    void timeDiffUnits();
    void headerYears_data();
    void headerYears();
    void headerFields();
    void byteOrder();
};

void TstDayTime::readBcd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("startLow");
    QTest::addColumn<uint>("value");
    QTest::newRow("0x16") << QByteArray("\x16", 1) << 2 << false << 16u;
    QTest::newRow("0x32") << QByteArray("\x32", 1) << 2 << false << 32u;
    QTest::newRow("0xC0 Steim-1") << QByteArray("\xC0", 1) << 2 << false << 120u;
    QTest::newRow("0xC2 Steim-2") << QByteArray("\xC2", 1) << 2 << false << 122u;
    QTest::newRow("zero digits") << QByteArray("\x99", 1) << 0 << false << 0u;
    QTest::newRow("three from high") << QByteArray("\x36\x61", 2) << 3 << false << 366u;
    QTest::newRow("two from low") << QByteArray("\x61\x23", 2) << 2 << true << 12u;
    QTest::newRow("three from low") << QByteArray("\x17\x89", 2) << 3 << true << 789u;
    QTest::newRow("eight digits") << QByteArray("\x12\x34\x56\x78", 4) << 8 << false << 12345678u;
}

void TstDayTime::readBcd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, digits);
    QFETCH(bool, startLow);
    QFETCH(uint, value);
    QCOMPARE(ReadBcd(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::uint16_t>(digits), startLow),
             value);
}

void TstDayTime::dayNumbers_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("dayOfYear");
    QTest::addColumn<int>("dayNumber");
    QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 1 << 730500;
    QTest::newRow("2006-01-01") << 2006 << 1 << 1 << 1 << 732692;
    QTest::newRow("2004 doy 366") << 2004 << 12 << 31 << 366 << 732691 - 365;
    QTest::newRow("2004 doy 60 is 29 Feb") << 2004 << 2 << 29 << 60 << 730500 + 4 * 365 + 1 + 59;
    QTest::newRow("2005 doy 60 is 1 Mar") << 2005 << 3 << 1 << 60 << 730500 + 5 * 365 + 2 + 59;
    // Every fourth year is a leap year here, 2100 included.
    QTest::newRow("2100 doy 60 is 29 Feb") << 2100 << 2 << 29 << 60 << 730500 + 100 * 365 + 25 + 59;
    QTest::newRow("year 0") << 0 << 1 << 1 << 1 << 0;
}

void TstDayTime::dayNumbers()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, dayOfYear);
    QFETCH(int, dayNumber);
    QCOMPARE(DayNumberFromDoy(year, dayOfYear), dayNumber);
    QCOMPARE(DayNumberFromYmd(year, month, day), dayNumber);
    const CalendarDate c = CalendarFromDay(dayNumber);
    QCOMPARE(c.Year, year);
    QCOMPARE(c.Month, month);
    QCOMPARE(c.Day, day);
    QCOMPARE(c.DayOfYear, dayOfYear);
}

void TstDayTime::formatTime_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<double>("msec");
    QTest::addColumn<QString>("text");
    QTest::newRow("example") << 732692 << 45296789.0 << "2006.01.01 12:34:56.789";
    QTest::newRow("whole hour") << 732692 << 3600000.0 << "2006.01.01 01:00:00.000";
    QTest::newRow("ms cut, not rounded") << 732692 << 999.9 << "2006.01.01 00:00:00.999";
    QTest::newRow("24:00 stays on its day") << 732692 << 86400000.0 << "2006.01.01 24:00:00.000";
    QTest::newRow("31 Dec 2004") << DayNumberFromDoy(2004, 366) << 0.0 << "2004.12.31 00:00:00.000";
    QTest::newRow("1 Mar 2100") << DayNumberFromYmd(2100, 3, 1) << 0.0 << "2100.03.01 00:00:00.000";
}

void TstDayTime::formatTime()
{
    QFETCH(int, day);
    QFETCH(double, msec);
    QFETCH(QString, text);
    const DayTime t{day, msec};
    QCOMPARE(QString::fromStdString(FormatTime(t)), text);
    char shortBuffer[8];
    QCOMPARE(FormatTime(t, shortBuffer, sizeof shortBuffer), 23);
    QCOMPARE(QByteArray(shortBuffer), text.toLatin1().left(7));
}

void TstDayTime::parse_data()
{
    QTest::addColumn<bool>("ymd");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("day");
    QTest::addColumn<double>("msec");
    QTest::newRow("doy") << false
                         << "2006001123456"
                            "7890"
                         << 732692 << 45296789.0;
    QTest::newRow("ymd") << true
                         << "20060101123456"
                            "7890"
                         << 732692 << 45296789.0;
    QTest::newRow("24:00:00.0000 kept") << true
                                        << "20060101240000"
                                           "0000"
                                        << 732692 << 86400000.0;
    QTest::newRow("24:00:00.0001 next day") << true
                                            << "20060101240000"
                                               "0001"
                                            << 732693 << 0.1;
    QTest::newRow("tenths of ms") << false
                                  << "2006001000000"
                                     "5"
                                  << 732692 << 0.5;
}

void TstDayTime::parse()
{
    QFETCH(bool, ymd);
    QFETCH(QString, text);
    QFETCH(int, day);
    QFETCH(double, msec);
    const QByteArray latin = text.toLatin1();
    const DayTime t = ymd ? ParseTimeYmd(latin.constData()) : ParseTimeDoy(latin.constData());
    QCOMPARE(t.Day, day);
    QVERIFY(qAbs(t.Msec - msec) < 1e-6);
}

void TstDayTime::timeAdd_data()
{
    QTest::addColumn<double>("msec");
    QTest::addColumn<double>("delta");
    QTest::addColumn<int>("dayOut");
    QTest::addColumn<double>("msecOut");
    QTest::newRow("into next day") << 86399000.0 << 1000.0 << 1 << 0.0;
    QTest::newRow("into day before") << 0.0 << -1.0 << -1 << 86399999.0;
    QTest::newRow("several days") << 0.0 << 3.5 * 86400000.0 << 3 << 43200000.0;
    QTest::newRow("several days back") << 0.0 << -2.25 * 86400000.0 << -3 << 64800000.0;
    QTest::newRow("tiny negative rounds to the same instant") << 0.0 << -1e-9 << 0 << 0.0;
}

void TstDayTime::timeAdd()
{
    QFETCH(double, msec);
    QFETCH(double, delta);
    QFETCH(int, dayOut);
    QFETCH(double, msecOut);
    const DayTime t = TimeAdd(DayTime{732692, msec}, delta);
    QCOMPARE(t.Day, 732692 + dayOut);
    QVERIFY(t.Msec >= 0.0 && t.Msec < kMsecPerDay);
    QVERIFY(qAbs(t.Msec - msecOut) < 1e-3);
}

void TstDayTime::timeDiffUnits_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("value");
    const double d = 86400000.0 + 7200000.0; // one day and two hours
    QTest::newRow("ms") << 0 << d;
    QTest::newRow("s") << 1 << d * 0.001;
    QTest::newRow("min") << 2 << d / 60000.0;
    QTest::newRow("h") << 3 << 26.0;
    QTest::newRow("days") << 4 << d / 86400000.0;
    QTest::newRow("unknown is ms") << 9 << d;
    QTest::newRow("negative unknown is ms") << -1 << d;
}

void TstDayTime::timeDiffUnits()
{
    QFETCH(int, unit);
    QFETCH(double, value);
    const DayTime a{732693, 7200000.0};
    const DayTime b{732692, 0.0};
    QCOMPARE(TimeDiff(a, b, unit), value);
    QCOMPARE(TimeDiff(b, a, unit), -value);
}

void TstDayTime::headerYears_data()
{
    QTest::addColumn<uint>("yy");
    QTest::addColumn<int>("year");
    QTest::newRow("00") << 0u << 2000;
    QTest::newRow("87") << 87u << 2087;
    QTest::newRow("88") << 88u << 1988;
    QTest::newRow("99") << 99u << 1999;
}

void TstDayTime::headerYears()
{
    QFETCH(uint, yy);
    QFETCH(int, year);
    rawpacket::Packet p{};
    rawpacket::Header h;
    h.Year = yy;
    rawpacket::PutHeader(p, h);
    const PacketHeader parsed = *ParsePacketHeader(p);
    QCOMPARE(CalendarFromDay(parsed.Time.Day).Year, year);
}

void TstDayTime::headerFields()
{
    rawpacket::Packet p{};
    rawpacket::PutHeader(p, rawpacket::Header{});
    const PacketHeader h = *ParsePacketHeader(p);
    QCOMPARE(h.Experiment, 7);
    QCOMPARE(h.DasId, 0x9A3C);
    QCOMPARE(h.Sequence, 4321);
    QCOMPARE(QString::fromStdString(FormatTime(h.Time)), QStringLiteral("2006.01.01 12:34:56.789"));

    // Nibbles above 9 count with their value and may carry the time into later days.
    p[7] = 0x1F; // hour digits F,? -> low nibble of 7 and high nibble of 8
    p[8] = 0x04;
    const PacketHeader odd = *ParsePacketHeader(p);
    QCOMPARE(odd.Time.Day, 732692 + 6);
    QVERIFY(odd.Time.Msec >= 0.0 && odd.Time.Msec <= kMsecPerDay);
}

void TstDayTime::byteOrder()
{
    DetectByteOrder();
    QVERIFY(ByteSwapEnabled()); // this machine is little-endian
    QCOMPARE(NetToHost16(0x1234), 0x3412);
    QCOMPARE(NetToHost32(0x12345678u), 0x78563412u);
    SetByteSwap(false);
    QCOMPARE(NetToHost16(0x1234), 0x1234);
    QCOMPARE(NetToHost32(0x12345678u), 0x12345678u);
    SetByteSwap(true);
}

QTEST_APPLESS_MAIN(TstDayTime)
#include "tst_daytime.moc"
