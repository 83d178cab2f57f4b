// The stored values as an operator may have edited them, read back through the one reader.
#include "store/channelsettings.h"
#include "store/dasstreamchaninfo.h"
#include "store/rgb.h"
#include "tests/common/inifile.h"

#include <QTest>

#include <memory>

namespace {

const QString kRoot = QStringLiteral("/ovqt_dislay/DasStreamChanInfo");

DasStreamChanInfo Entry(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel)
{
    DasStreamChanInfo e;
    e.DasId = dasId;
    e.Stream = stream;
    e.Channel = channel;
    e.TraceColor = Rgb{0, 0, 255};
    return e;
}

QStringList StoredChannels(QSettings& s)
{
    s.beginGroup(kRoot);
    QStringList groups = s.childGroups();
    s.endGroup();
    return groups;
}

} // namespace

class StoredValuesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void colourTextRoundTripsAndClamps_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QString>("normal"); // ColorText of what was read
        QTest::newRow("plain") << QByteArray("(12,34,56)") << true << "(12,34,56)";
        QTest::newRow("blanks and signs") << QByteArray("( +1,-2,3") << true << "(1,0,3)";
        QTest::newRow("clamped") << QByteArray("(-5,300,99999999999)") << true << "(0,255,255)";
        QTest::newRow("two numbers") << QByteArray("(1,2)") << false << QString();
        QTest::newRow("no parenthesis") << QByteArray("1,2,3") << false << QString();
        QTest::newRow("empty") << QByteArray() << false << QString();
    }
    void colourTextRoundTripsAndClamps()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, parsed);
        const std::optional<Rgb> c = ParseColorText(QString::fromLatin1(text));
        QCOMPARE(c.has_value(), parsed);
        if (c)
            QTEST(ColorText(*c), "normal");
    }

    // Hand-edited numbers: QVariant::toInt wraps "4294967297" to 1 and says it worked.
    void storedNumbersNeverWrapOrTakeGarbage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value"); // -99: refused
        QTest::newRow("plain") << QByteArray("42") << 42;
        QTest::newRow("2^32 + 1 wraps to 1") << QByteArray("4294967297") << -99;
        QTest::newRow("beyond int") << QByteArray("2147483648") << -99;
        QTest::newRow("below the range") << QByteArray("-1") << -99;
        QTest::newRow("word") << QByteArray("yes") << -99;
        QTest::newRow("fraction") << QByteArray("1.5") << -99;
    }
    void storedNumbersNeverWrapOrTakeGarbage()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        const auto s = IniWith(dir, "Key=" + text + "\n");
        QCOMPARE(StoredInt(*s, StoredKey("Key"), 0, INT_MAX).value_or(-99), value);
    }

    void channelSettingsReadOverTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("unitCode");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<QString>("colour");
        const auto row = [](const char* tag, const QByteArray& ini, int active, const char* name,
                            const char* unit, double rate, const char* colour) {
            QTest::newRow(tag) << ini << active << QString::fromLatin1(name)
                               << QString::fromLatin1(unit) << rate << QString::fromLatin1(colour);
        };
        const auto untouched = [&](const QByteArray& tag, const QByteArray& ini) {
            row(tag.constData(), ini, 0, "9A3C", "Unk", 0, "(0,0,255)");
        };
        const QByteArray k = "DasStreamChanInfo\\9A3C0002\\";
        row("all read",
            k + "Active=1\n" + k + "Name=HHZ\n" + k + "SampleRate=200\n" + k + "UnitCode=M/S\n" +
                k + "TraceColor=\"(12,34,56)\"",
            1, "HHZ", "M/S", 200, "(12,34,56)");
        untouched("none", {});
        untouched("empty name is the unit id", k + "Name=");
        row("texts cut to 15 and 7", k + "Name=ABCDEFGHIJKLMNOPQRS\n" + k + "UnitCode=M/S^2/Hz/x",
            0, "ABCDEFGHIJKLMNO", "M/S^2/H", 0, "(0,0,255)");
        row("unquoted colour list", k + "TraceColor=(77,2,3)", 0, "9A3C", "Unk", 0, "(77,2,3)");
        untouched("Active=2^32+1 stays off", k + "Active=4294967297");
        for (const char* rate : {"-5", "0", "nan", "inf", "fast"})
            untouched("SampleRate=" + QByteArray(rate) + " keeps none", k + "SampleRate=" + rate);
        untouched("another channel's settings", "DasStreamChanInfo\\9A3C0102\\Active=1");
    }
    void channelSettingsReadOverTheDefaults()
    {
        QFETCH(QByteArray, ini);
        const auto s = IniWith(dir, ini);
        DasStreamChanInfo e = Entry(0x9A3C, 0, 2);
        ReadChannelSettings(s.get(), e);
        QTEST(e.Active, "active");
        QTEST(e.Name, "name");
        QTEST(e.UnitCode, "unitCode");
        QTEST(e.SampleRate, "sampleRate");
        QTEST(ColorText(e.TraceColor), "colour");
        // What an event header creates reads only the selection and the colour.
        DasStreamChanInfo fromHeader = Entry(0x9A3C, 0, 2);
        ReadChannelDisplaySettings(s.get(), fromHeader);
        QTEST(fromHeader.Active, "active");
        QTEST(ColorText(fromHeader.TraceColor), "colour");
        QCOMPARE(fromHeader.Name, QString());
    }

    void saveReplacesTheWholeSubtreeAndReadsBack()
    {
        auto s = IniWith(dir, "DasStreamChanInfo\\11110000\\Name=Gone\n"
                              "DasStreamChanInfo\\11110000\\Extra=hand-edited\n"
                              "DasStreamChanInfo\\9A3C0002\\Name=Old\nTimeRange=60\n");
        DasStreamChanInfo e = Entry(0x9A3C, 0, 2);
        e.Active = 1;
        e.Name = QStringLiteral("A,B");
        e.SampleRate = 250;
        e.BitWeight = 0.0000015;
        e.VoltsPerUnit = 1.5;
        e.UnitCode = QStringLiteral("M/S^2");
        e.TraceColor = Rgb{12, 34, 56};
        const std::vector<DasStreamChanInfo> entries{e, Entry(0x00A3, 12, 31)};
        SaveChannelSettings(*s, entries);
        s->sync();
        // The key is "%04X%02d%02d" of the numbers as stored, not as shown.
        QCOMPARE(StoredChannels(*s),
                 (QStringList{QStringLiteral("00A31231"), QStringLiteral("9A3C0002")}));
        QCOMPARE(s->value(StoredKey("TimeRange")).toInt(), 60);

        const auto again = OpenSettingsStore(s->fileName());
        DasStreamChanInfo back = Entry(0x9A3C, 0, 2);
        ReadChannelSettings(again.get(), back);
        QCOMPARE(back.Name, e.Name);
        QCOMPARE(back.BitWeight, e.BitWeight);
        QCOMPARE(back.VoltsPerUnit, e.VoltsPerUnit);
        QCOMPARE(back.UnitCode, e.UnitCode);
        QCOMPARE(back.TraceColor, e.TraceColor);
        QCOMPARE(again->value(kRoot + u"/9A3C0002/TraceColor").toString(),
                 QStringLiteral("(12,34,56)"));

        SaveChannelSettings(*s, {});
        QVERIFY(StoredChannels(*s).isEmpty());
    }

    void hundredThousandHostileSubkeysAreRemoved()
    {
        QByteArray text;
        for (int i = 0; i < 100000; ++i)
            text += "DasStreamChanInfo\\x" + QByteArray::number(i) + "%20y\\Active=1\n";
        auto s = IniWith(dir, text);
        QCOMPARE(StoredChannels(*s).size(), 100000);
        SaveChannelSettings(*s, std::vector<DasStreamChanInfo>{Entry(1, 0, 0)});
        QCOMPARE(StoredChannels(*s), QStringList{QStringLiteral("00010000")});
    }
};

QTEST_GUILESS_MAIN(StoredValuesTest)
#include "tst_storedvalues.moc"
