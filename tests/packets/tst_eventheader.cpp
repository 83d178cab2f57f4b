// Runs inside an application object under a decimal-comma locale (see CMakeLists.txt).
#include "packets/eventheader.h"
#include "packets/numbertext.h"
#include "tests/common/commalocale.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

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
    testpackets::Header h;
    h.Type = "EH";
    h.DasId = 0x12AB;
    testpackets::PutHeader(p, h);
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

class TstEventHeader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RequireCommaLocale(); }

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

QTEST_GUILESS_MAIN(TstEventHeader)
#include "tst_eventheader.moc"
