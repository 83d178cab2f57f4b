#include "packets/eventheader.h"
#include "rawpacket.h"

#include <QTest>

namespace {

void PutField(rawpacket::Packet& p, std::size_t offset, std::size_t width, const char* text)
{
    std::memset(p.data() + offset, ' ', width);
    std::memcpy(p.data() + offset, text, std::min(width, std::strlen(text)));
}

struct EhFields
{
    const char* Type = "EH";
    unsigned Stream = 2;
    std::uint8_t Flags = 0;
    std::uint8_t FormatByte = 0xC0;
    const char* Name = "BHZ ";
    const char* Rate = " 100";
    const char* Kind = "CON";
    const char* BitWeight = "1.5uV";
    const char* VoltsPerUnit = "27.5";
    char Unit = 'V';
};

// Position 0 gets the fields given; the other positions carry no usable bit weight.
rawpacket::Packet EhPacket(const EhFields& f)
{
    rawpacket::Packet p{};
    rawpacket::Header h;
    h.Type = f.Type;
    h.DasId = 0x12AB;
    rawpacket::PutHeader(p, h);
    rawpacket::PutBcd(p.data(), 36, f.Stream, 2);
    p[22] = f.Flags;
    p[23] = f.FormatByte;
    PutField(p, 60, 4, f.Name);
    PutField(p, 88, 4, f.Rate);
    PutField(p, 92, 3, f.Kind);
    PutField(p, 288, 8 * 16, "");
    PutField(p, 544, 6 * 16, "");
    PutField(p, 640, 16, "");
    PutField(p, 288, 8, f.BitWeight);
    PutField(p, 544, 6, f.VoltsPerUnit);
    p[640] = static_cast<std::uint8_t>(f.Unit);
    return p;
}

} // namespace

class TstEventHeader : public QObject
{
    Q_OBJECT

private slots:
    void fields();
    void bitWeights_data();
    void bitWeights();
    void unitKinds_data();
    void unitKinds();
    void refusals_data();
    void refusals();
    void nameAndRate_data();
    void nameAndRate();
    void shortPacketsReadAsBlanks();
};

void TstEventHeader::fields()
{
    EhFields f;
    f.Flags = 0x04 | 0x01;
    const rawpacket::Packet p = EhPacket(f);
    EventHeaderInfo info;
    QVERIFY(ParseEventHeader(p, info));
    QCOMPARE(info.DasId, 0x12AB);
    QCOMPARE(info.Stream, 2);
    QVERIFY(info.ChannelBank);
    QCOMPARE(QByteArray(info.Name), QByteArray("BHZ"));
    QCOMPARE(info.SampleRate, 100.0);
    QCOMPARE(info.Positions[0].BitWeight, 1.5e-6);
    QCOMPARE(info.Positions[0].VoltsPerUnit, 27.5);
    QCOMPARE(info.Positions[0].Kind, UnitKind::V);
    for (int i = 1; i < kEventPositions; ++i) {
        QCOMPARE(info.Positions[i].BitWeight, 0.0);
        QCOMPARE(info.Positions[i].Kind, UnitKind::None);
    }
}

void TstEventHeader::bitWeights_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("volts");
    QTest::newRow("uV") << QByteArray("1.5uV") << 1.5e-6;
    QTest::newRow("mV") << QByteArray("2mV") << 0.002;
    QTest::newRow("nV") << QByteArray("596nV") << 596e-9;
    QTest::newRow("V") << QByteArray("0.5V") << 0.5;
    QTest::newRow("blank then number") << QByteArray("  3 mV") << 0.003;
    QTest::newRow("no unit") << QByteArray("3.0") << 0.0;
    QTest::newRow("no number") << QByteArray("uV") << 0.0;
    QTest::newRow("not finite") << QByteArray("infV") << 0.0;
    QTest::newRow("eight characters") << QByteArray("1.23456V") << 1.23456;
}

void TstEventHeader::bitWeights()
{
    QFETCH(QByteArray, text);
    QFETCH(double, volts);
    EhFields f;
    f.BitWeight = text.constData();
    const rawpacket::Packet p = EhPacket(f);
    EventHeaderInfo info;
    QVERIFY(ParseEventHeader(p, info));
    QCOMPARE(info.Positions[0].BitWeight, volts);
}

void TstEventHeader::unitKinds_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<QByteArray>("volts");
    QTest::addColumn<QString>("unitCode");
    QTest::addColumn<double>("voltsPerUnit");
    QTest::newRow("D") << 'D' << QByteArray("2") << "M" << 2.0;
    QTest::newRow("V") << 'V' << QByteArray("27.5") << "M/S" << 27.5;
    QTest::newRow("A") << 'A' << QByteArray("0.25") << "M/S^2" << 0.25;
    QTest::newRow("G") << 'G' << QByteArray("1") << "G" << 1.0;
    QTest::newRow("X is none") << 'X' << QByteArray("27.5") << "Unk" << 0.0;
    QTest::newRow("zero sensor is none") << 'V' << QByteArray("0") << "Unk" << 0.0;
    QTest::newRow("unreadable sensor is none") << 'V' << QByteArray("abc") << "Unk" << 0.0;
}

void TstEventHeader::unitKinds()
{
    QFETCH(char, letter);
    QFETCH(QByteArray, volts);
    QFETCH(QString, unitCode);
    QFETCH(double, voltsPerUnit);
    EhFields f;
    f.Unit = letter;
    f.VoltsPerUnit = volts.constData();
    const rawpacket::Packet p = EhPacket(f);
    EventHeaderInfo info;
    QVERIFY(ParseEventHeader(p, info));
    QCOMPARE(QString::fromLatin1(UnitCodeText(info.Positions[0].Kind)), unitCode);
    QCOMPARE(info.Positions[0].VoltsPerUnit, voltsPerUnit);
}

void TstEventHeader::refusals_data()
{
    QTest::addColumn<int>("formatByte");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<bool>("usable");
    QTest::newRow("0x16") << 0x16 << QByteArray("CON") << true;
    QTest::newRow("0x32") << 0x32 << QByteArray("CRS") << true;
    QTest::newRow("0xC1 usable here") << 0xC1 << QByteArray("EVT") << true;
    QTest::newRow("0xC2") << 0xC2 << QByteArray("CMD") << true;
    QTest::newRow("0x24") << 0x24 << QByteArray("CON") << false;
    QTest::newRow("0xBB reads as 121") << 0xBB << QByteArray("CON") << false;
    QTest::newRow("unknown kind") << 0xC0 << QByteArray("XYZ") << false;
    QTest::newRow("lower-case kind") << 0xC0 << QByteArray("con") << false;
    for (const char* kind : {"EXT", "LVL", "RAD", "TIM", "VOT", "TML"})
        QTest::addRow("kind %s", kind) << 0xC0 << QByteArray(kind) << true;
}

void TstEventHeader::refusals()
{
    QFETCH(int, formatByte);
    QFETCH(QByteArray, kind);
    QFETCH(bool, usable);
    EhFields f;
    f.FormatByte = static_cast<std::uint8_t>(formatByte);
    f.Kind = kind.constData();
    const rawpacket::Packet p = EhPacket(f);
    EventHeaderInfo info;
    QCOMPARE(ParseEventHeader(p, info), usable);
}

void TstEventHeader::nameAndRate_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("rate");
    QTest::addColumn<QByteArray>("parsedName");
    QTest::addColumn<double>("parsedRate");
    QTest::newRow("blanks") << QByteArray("    ") << QByteArray("1000") << QByteArray() << 1000.0;
    QTest::newRow("leading blank")
        << QByteArray(" AB ") << QByteArray("  .1") << QByteArray("AB") << 0.1;
    QTest::newRow("two words") << QByteArray("A BC") << QByteArray("  50") << QByteArray("A")
                               << 50.0;
    QTest::newRow("no rate") << QByteArray("ABCD") << QByteArray("    ") << QByteArray("ABCD")
                             << 0.0;
}

void TstEventHeader::nameAndRate()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, rate);
    QFETCH(QByteArray, parsedName);
    QFETCH(double, parsedRate);
    EhFields f;
    f.Name = name.constData();
    f.Rate = rate.constData();
    const rawpacket::Packet p = EhPacket(f);
    EventHeaderInfo info;
    QVERIFY(ParseEventHeader(p, info));
    QCOMPARE(QByteArray(info.Name), parsedName);
    QCOMPARE(info.SampleRate, parsedRate);
}

void TstEventHeader::shortPacketsReadAsBlanks()
{
    const rawpacket::Packet p = EhPacket(EhFields{});
    EventHeaderInfo info;
    // Cut inside the channel texts: what is missing reads as blanks.
    QVERIFY(ParseEventHeader(std::span(p).first(600), info));
    QCOMPARE(info.Positions[0].BitWeight, 1.5e-6);
    QCOMPARE(info.Positions[0].Kind, UnitKind::None);
    // Cut before the event kind: no usable kind.
    QVERIFY(!ParseEventHeader(std::span(p).first(93), info));
    QVERIFY(!ParseEventHeader(std::span(p).first(0), info));
    // An ET packet reads the same way.
    EhFields et;
    et.Type = "ET";
    const rawpacket::Packet t = EhPacket(et);
    QVERIFY(ParseEventHeader(t, info));
    QCOMPARE(info.SampleRate, 100.0);
}

QTEST_APPLESS_MAIN(TstEventHeader)
#include "tst_eventheader.moc"
