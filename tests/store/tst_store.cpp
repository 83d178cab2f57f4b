// Runs inside an application object under a decimal-comma locale (see CMakeLists.txt).
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "store/channelcatalogue.h"
#include "store/channelsettings.h"
#include "store/packetring.h"
#include "tests/common/commalocale.h"
#include "tests/common/inifile.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <tuple>

using testpackets::Int16Dt;

namespace {

constexpr std::int32_t kDay = 732692; // 1 January 2006

struct Fed
{
    int Selected; // what FindOrAddChannel returns
    int Index;    // the entry's index it leaves
};

// Feeds FindOrAddChannel a packet of stream 0 with samples samples, starting msec after the
// start of 1 January 2006 (later days included).
Fed Feed(ChannelCatalogue& cat, std::uint16_t dasId, std::uint16_t channel, double msec,
         int samples = 100, const QSettings* stored = nullptr)
{
    auto p = std::make_unique<DtPacket>();
    p->DasId = dasId;
    p->Channel = channel;
    p->Time = DayTime{kDay + static_cast<int>(msec / kMsecPerDay), std::fmod(msec, kMsecPerDay)};
    p->SampleCount = static_cast<std::uint16_t>(samples);
    Fed f{0, -2};
    f.Selected = FindOrAddChannel(cat, *p, f.Index, stored);
    return f;
}

DasStreamChanInfo Entry(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel,
                        double sampleRate = 0, double measuredRate = 0, Rgb color = {})
{
    DasStreamChanInfo e;
    e.DasId = dasId;
    e.Stream = stream;
    e.Channel = channel;
    e.SampleRate = sampleRate;
    e.MeasuredRate = measuredRate;
    e.TraceColor = color;
    return e;
}

QString Ids(const ChannelCatalogue& cat)
{
    QStringList ids;
    for (const DasStreamChanInfo& e : cat.Entries)
        ids << QStringLiteral("%1/%2/%3").arg(e.DasId, 0, 16).arg(e.Stream).arg(e.Channel);
    return ids.join(u' ');
}

EventHeaderInfo Header(int position, bool bank, const char* name = "ST1")
{
    EventHeaderInfo info;
    info.DasId = 0x9A3C;
    info.ChannelBank = bank;
    std::strcpy(info.Name, name);
    info.SampleRate = 100;
    info.Positions[position] = EventPosition{0.002, 20.0, UnitKind::V};
    return info;
}

const Rgb kBlue{0, 0, 255};
const QString kRoot = QStringLiteral("/ovqt_dislay/DasStreamChanInfo");

QStringList StoredChannels(QSettings& s)
{
    s.beginGroup(kRoot);
    QStringList groups = s.childGroups();
    s.endGroup();
    return groups;
}

// The status line as the status bar would show it.
QByteArray Text(const StatusLine& line)
{
    char text[128];
    FormatStatusLine(line, text, sizeof text);
    return QByteArray(text);
}

// A ring with its catalogue and the status line of the last packet it took in.
struct Ring
{
    PacketStore Store;
    ChannelCatalogue Cat;
    StatusLine Status;

    Ring(int slotCount, int keepSel)
    {
        Store.NringBuffer = slotCount;
        Store.KeepSel = keepSel;
        if (!AllocateRing(Store))
            qFatal("ring of %d slots not allocated", slotCount);
    }

    // Takes in channel c of unit 0x00A3, stream 1, at 00:00:second.
    void Put(int c, int second, const QSettings* stored = nullptr)
    {
        IngestDtPacket(Store, Cat, stored,
                       Int16Dt(0x00A3, 1, static_cast<unsigned>(c), static_cast<unsigned>(second)),
                       Status);
    }
};

} // namespace

Q_DECLARE_METATYPE(DasStreamChanInfo)

class StoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { RequireCommaLocale(); }

    void newChannelTakesColourByChannelAndTheUnitIdName()
    {
        ChannelCatalogue cat;
        const char* colours[] = {"(255,0,0)", "(0,255,0)", "(0,0,255)", "(255,0,0)"};
        for (std::uint16_t c = 0; c < 4; ++c) {
            const Fed f = Feed(cat, 0x00a3, c, 0);
            QCOMPARE(f.Selected, -1);
            const DasStreamChanInfo& e = cat.Entries[std::size_t(f.Index)];
            QCOMPARE(QStringList({ColorText(e.TraceColor), e.Name, e.UnitCode}).join(u' '),
                     QLatin1String(colours[c]) + QLatin1String(" 00A3 Unk"));
        }
    }

    void rateIsMeasuredOnceFromPacketSpacing_data()
    {
        QTest::addColumn<QList<double>>("startsMsec");
        QTest::addColumn<QList<double>>("rates");
        QTest::newRow("1.000 s apart") << QList<double>{0, 1000} << QList<double>{0, 100};
        QTest::newRow("1.001 s apart stays 0, third tries again")
            << QList<double>{0, 1001, 2001} << QList<double>{0, 0, 100};
        QTest::newRow("once 100 stays 100")
            << QList<double>{0, 1000, 1500} << QList<double>{0, 100, 100};
        QTest::newRow("repeated time gives none")
            << QList<double>{0, 0, 1000} << QList<double>{0, 0, 100};
        QTest::newRow("backwards time gives none")
            << QList<double>{5000, 4000, 5000} << QList<double>{0, 0, 100};
        QTest::newRow("a tenth of a sample per second across midnight")
            << QList<double>{86000000, kMsecPerDay + 600000} << QList<double>{0, 0.1};
    }
    void rateIsMeasuredOnceFromPacketSpacing()
    {
        QFETCH(QList<double>, startsMsec);
        QFETCH(QList<double>, rates);
        ChannelCatalogue cat;
        for (int i = 0; i < startsMsec.size(); ++i)
            QCOMPARE(cat.Entries[std::size_t(Feed(cat, 1, 0, startsMsec[i]).Index)].MeasuredRate,
                     rates[i]);
    }

    void snapMeasuredRateMatchesOnlyStandardRates_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("snapped");
        for (const double rate : {1000.0, 500.0, 250.0, 200.0, 125.0, 100.0, 50.0, 40.0, 25.0, 20.0,
                                  10.0, 5.0, 1.0, 0.1}) {
            QTest::addRow("%g just above", rate) << rate + 0.000009 << rate;
            QTest::addRow("%g just below", rate) << rate - 0.000009 << rate;
            QTest::addRow("%g outside", rate) << rate + 0.00002 << 0.0;
        }
        QTest::newRow("2000") << 2000.0 << 0.0;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0.0;
    }
    void snapMeasuredRateMatchesOnlyStandardRates()
    {
        QFETCH(double, r);
        QTEST(SnapMeasuredRate(r), "snapped");
    }

    void lastEndTimeCrossesMidnight_data()
    {
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<int>("day");
        QTest::addColumn<double>("msec");
        QTest::newRow("configured 100") << 100.0 << kDay + 1 << 0.0;
        QTest::newRow("configured 50") << 50.0 << kDay + 1 << 1000.0;
        QTest::newRow("no rate: packet time") << 0.0 << kDay << 86399000.0;
        // A hand-edited rate that asks for 1e32 ms ends at the last day, not at a cast's whim.
        QTest::newRow("1e-30 per second") << 1e-30 << int(INT32_MAX) << 86400000.0;
    }
    void lastEndTimeCrossesMidnight()
    {
        QFETCH(double, sampleRate);
        QFETCH(double, msec);
        ChannelCatalogue cat;
        cat.Entries.push_back(Entry(1, 0, 0, sampleRate));
        Feed(cat, 1, 0, 86399000.0);
        QTEST(cat.Entries[0].LastEndTime.Day, "day");
        QVERIFY(std::abs(cat.Entries[0].LastEndTime.Msec - msec) < 1e-3);
        QCOMPARE(cat.Entries[0].LastStartTime.Msec, 86399000.0);
    }

    void lastEndTimeUsesMeasuredRateWhenNoneConfigured()
    {
        ChannelCatalogue cat;
        Feed(cat, 1, 0, 0, 50);
        Feed(cat, 1, 0, 1000, 40);
        QCOMPARE(cat.Entries[0].MeasuredRate, 50.0);
        QCOMPARE(cat.Entries[0].LastEndTime.Msec, 1800.0);
        QCOMPARE(cat.Entries[0].SampleCount, 40);
    }

    void sortOrdersEveryColumnBothWays_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QList<DasStreamChanInfo>>("entries");
        QTest::addColumn<QString>("ascending");
        const auto row = [](const char* tag, int column, const QList<DasStreamChanInfo>& entries,
                            const char* ascending) {
            QTest::newRow(tag) << column << entries << QString::fromLatin1(ascending);
        };
        const QList<DasStreamChanInfo> ids{Entry(2, 0, 0), Entry(1, 1, 0), Entry(1, 0, 1),
                                           Entry(1, 0, 0)};
        row("unit", 0, ids, "1/0/0 1/0/1 1/1/0 2/0/0");
        row("stream", 1, ids, "1/0/0 1/0/1 2/0/0 1/1/0");
        row("channel", 2, ids, "1/0/0 1/1/0 2/0/0 1/0/1");
        row("rate, measured when none configured", 3,
            {Entry(1, 0, 0, 100), Entry(2, 0, 0, 0, 50), Entry(3, 0, 0, 40, 200),
             Entry(4, 0, 0, 0, 0)},
            "4/0/0 3/0/0 2/0/0 1/0/0");
        row("colour as text: 100 before 25", 4,
            {Entry(1, 0, 0, 0, 0, {25, 0, 0}), Entry(2, 0, 0, 0, 0, {100, 0, 0}),
             Entry(3, 0, 0, 0, 0, {0, 255, 0})},
            "3/0/0 2/0/0 1/0/0");
        row("colour ties fall to unit", 4,
            {Entry(2, 0, 0, 0, 0, {25, 0, 0}), Entry(1, 0, 0, 0, 0, {25, 0, 0})}, "1/0/0 2/0/0");
        row("rate ties fall to unit", 3, {Entry(2, 0, 0, 100), Entry(1, 0, 0, 0, 100)},
            "1/0/0 2/0/0");
    }
    void sortOrdersEveryColumnBothWays()
    {
        QFETCH(int, column);
        QFETCH(QList<DasStreamChanInfo>, entries);
        QFETCH(QString, ascending);
        ChannelCatalogue cat;
        cat.Entries.assign(entries.begin(), entries.end());
        cat.SortColumn = column;
        SortCatalogue(cat);
        QCOMPARE(Ids(cat), ascending);
        cat.SortOrder = 0;
        SortCatalogue(cat);
        QStringList reversed = ascending.split(u' ');
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(Ids(cat), reversed.join(u' '));
        QCOMPARE(CompareChannels(entries[0], entries[1], 5, 1), 0); // unknown column
    }

    // A NaN rate from a hand-edited store is no rate: it sorts with the unknown ones, first.
    void nanRateDoesNotBreakTheSort()
    {
        ChannelCatalogue cat;
        cat.SortColumn = 3;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (int i = 0; i < 40; ++i)
            cat.Entries.push_back(
                Entry(static_cast<std::uint16_t>(i), 0, 0, i % 3 ? 40.0 - i : nan));
        SortCatalogue(cat);
        for (int i = 1; i < cat.Count(); ++i)
            QVERIFY(CompareChannels(cat.Entries[std::size_t(i - 1)], cat.Entries[std::size_t(i)], 3,
                                    1) <= 0);
        QVERIFY(std::isnan(cat.Entries.front().SampleRate));
    }

    void addingAChannelResortsAndRenumbersTheActiveOnes()
    {
        ChannelCatalogue cat;
        const auto stored = IniWith(dir, "DasStreamChanInfo\\00050000\\Active=1\n"
                                         "DasStreamChanInfo\\00020000\\Active=1");
        QCOMPARE(Feed(cat, 5, 0, 0, 100, stored.get()).Selected, 0);
        Feed(cat, 9, 0, 0, 100, stored.get());
        QCOMPARE(Feed(cat, 2, 0, 0, 100, stored.get()).Selected, 0);
        QCOMPARE(Ids(cat), QStringLiteral("2/0/0 5/0/0 9/0/0"));
        QCOMPARE(cat.Entries[1].DisplayIndex, 1);
        QCOMPARE(Feed(cat, 5, 0, 1000, 100, stored.get()).Selected, 1);
        // Stored settings are read when a channel is created, never again.
        cat.Entries[1].Active = 0;
        QCOMPARE(Feed(cat, 5, 0, 2000, 100, stored.get()).Selected, -1);
    }

    // Ingest draws any non-zero Active, the band numbering counts only 1: a stored 2 would be
    // drawn over the first band. It is no flag, so the channel stays off.
    void storedFlagOtherThanOneIsNotDrawnOverTheFirstBand()
    {
        ChannelCatalogue cat;
        const auto stored = IniWith(dir, "DasStreamChanInfo\\00010000\\Active=1\n"
                                         "DasStreamChanInfo\\00020000\\Active=2");
        QCOMPARE(Feed(cat, 1, 0, 0, 100, stored.get()).Selected, 0);
        QCOMPARE(Feed(cat, 2, 0, 0, 100, stored.get()).Selected, -1);
        QCOMPARE(std::tuple(cat.Entries[0].Active, cat.Entries[1].Active), std::tuple(1, 0));
        EventHeaderInfo info = Header(0, false);
        info.DasId = 2;
        info.Positions[1] = info.Positions[0];
        const auto fromHeader = IniWith(dir, "DasStreamChanInfo\\00020001\\Active=2");
        QVERIFY(UpdateFromEventHeader(cat, info, fromHeader.get()));
        QCOMPARE(cat.Entries[static_cast<std::size_t>(FindChannel(cat, 2, 0, 1))].Active, 0);
    }

    // An event header with a negative rate is drawn by the measured rate, so it sorts by it.
    void negativeHeaderRateCountsAsNoRateEverywhere()
    {
        ChannelCatalogue cat;
        cat.SortColumn = 3;
        cat.Entries = {Entry(1, 0, 0, -5, 100), Entry(2, 0, 0, 0, 50), Entry(3, 0, 0, 75, 0)};
        SortCatalogue(cat);
        QCOMPARE(Ids(cat), QStringLiteral("2/0/0 3/0/0 1/0/0"));
        QCOMPARE(EffectiveRate(cat.Entries[2]), 100.0);
    }

    void eventHeaderFillsChannelsButKeepsSelectionAndColour_data()
    {
        QTest::addColumn<bool>("bank");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("shownName");
        QTest::newRow("bank") << true << QByteArray("ST1") << 18 << "ST1";
        QTest::newRow("no bank") << false << QByteArray("ST1") << 2 << "ST1";
        // A blank name field falls back as a stored empty name does.
        QTest::newRow("blank name is the unit id") << false << QByteArray() << 2 << "9A3C";
    }
    void eventHeaderFillsChannelsButKeepsSelectionAndColour()
    {
        QFETCH(bool, bank);
        QFETCH(QByteArray, name);
        QFETCH(int, channel);
        const QByteArray k =
            QString::asprintf("DasStreamChanInfo\\9A3C00%02d\\", channel).toLatin1();
        const auto stored = IniWith(dir, k + "Active=1\n" + k + "Name=Stored\n" + k +
                                             "SampleRate=50\n" + k + "TraceColor=\"(1,2,3)\"");
        ChannelCatalogue cat;
        QVERIFY(UpdateFromEventHeader(cat, Header(2, bank, name.constData()), stored.get()));
        QCOMPARE(cat.Count(), 1);
        const DasStreamChanInfo& e = cat.Entries[0];
        QTEST(e.Name, "shownName");
        QCOMPARE(std::tuple(int(e.Channel), e.SampleRate, e.BitWeight, e.VoltsPerUnit, e.UnitCode),
                 std::tuple(channel, 100.0, 0.002, 20.0, QStringLiteral("M/S")));
        QCOMPARE(std::pair(e.Active, e.TraceColor), std::pair(1, Rgb{1, 2, 3}));
        // A channel met in a data packet first keeps its selection through the header too.
        ChannelCatalogue fromData;
        Feed(fromData, 0x9A3C, static_cast<std::uint16_t>(channel), 0, 100, stored.get());
        QVERIFY(UpdateFromEventHeader(fromData, Header(2, bank, name.constData()), nullptr));
        QCOMPARE(fromData.Entries[0].Active, 1);
        QTEST(fromData.Entries[0].Name, "shownName");
    }

    void eventHeaderSkipsPositionsWithoutBitWeight()
    {
        ChannelCatalogue cat;
        EventHeaderInfo info = Header(5, false);
        info.Positions[1].BitWeight = -1.0;
        info.Positions[3].BitWeight = std::numeric_limits<double>::quiet_NaN();
        info.Positions[7] = EventPosition{0.001, 0.0, UnitKind::None};
        QVERIFY(UpdateFromEventHeader(cat, info, nullptr));
        QCOMPARE(Ids(cat), QStringLiteral("9a3c/0/5 9a3c/0/7"));
        QCOMPARE(cat.Entries[1].UnitCode, QStringLiteral("Unk"));
    }

    void fullTableRefusesNewChannelsButServesKnownOnes()
    {
        ChannelCatalogue cat;
        cat.MaxEntries = 2;
        cat.SortOrder = 0;
        EventHeaderInfo info = Header(0, false);
        for (int i = 0; i < 4; ++i)
            info.Positions[i] = EventPosition{0.001, 1.0, UnitKind::D};
        // What the header added before the table ran full still takes its sorted place.
        QVERIFY(!UpdateFromEventHeader(cat, info, nullptr));
        QCOMPARE(Ids(cat), QStringLiteral("9a3c/0/1 9a3c/0/0"));
        const Fed refused = Feed(cat, 2, 0, 0);
        QCOMPARE(std::pair(refused.Selected, refused.Index), std::pair(-1, -1));
        QCOMPARE(Feed(cat, 0x9A3C, 0, 0).Index, 1);
    }

    void colourTextRoundTripsAndClamps_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QString>("normal"); // ColorText of what was read
        QTest::newRow("plain") << QByteArray("(12,34,56)") << true << "(12,34,56)";
        QTest::newRow("blanks and signs") << QByteArray("( +1,-2,3") << true << "(1,0,3)";
        QTest::newRow("every C blank") << QByteArray("(\v1,\f2,\t\n\r3)") << true << "(1,2,3)";
        QTest::newRow("clamped") << QByteArray("(-5,300,99999999999)") << true << "(0,255,255)";
        QTest::newRow("two numbers") << QByteArray("(1,2)") << false << QString();
        QTest::newRow("empty first number") << QByteArray("(,0,0)") << false << QString();
        QTest::newRow("sign without digits") << QByteArray("(0,-,0)") << false << QString();
        QTest::newRow("no parenthesis") << QByteArray("1,2,3") << false << QString();
        QTest::newRow("empty") << QByteArray() << false << QString();
    }
    void colourTextRoundTripsAndClamps()
    {
        QFETCH(QByteArray, text);
        const std::optional<Rgb> c = ParseColorText(QString::fromLatin1(text));
        QTEST(c.has_value(), "parsed");
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
        const auto s = IniWith(dir, "Key=" + text + "\n");
        QTEST(StoredInt(*s, StoredKey("Key"), 0, INT_MAX).value_or(-99), "value");
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
        untouched("Active=2 is no flag", k + "Active=2");
        for (const char* rate : {"-5", "0", "nan", "inf", "fast"})
            untouched("SampleRate=" + QByteArray(rate) + " keeps none", k + "SampleRate=" + rate);
        untouched("another channel's settings", "DasStreamChanInfo\\9A3C0102\\Active=1");
    }
    void channelSettingsReadOverTheDefaults()
    {
        QFETCH(QByteArray, ini);
        const auto s = IniWith(dir, ini);
        DasStreamChanInfo e = Entry(0x9A3C, 0, 2, 0, 0, kBlue);
        ReadChannelSettings(s.get(), e);
        QTEST(e.Active, "active");
        QTEST(e.Name, "name");
        QTEST(e.UnitCode, "unitCode");
        QTEST(e.SampleRate, "sampleRate");
        QTEST(ColorText(e.TraceColor), "colour");
        // What an event header creates reads only the selection and the colour.
        DasStreamChanInfo fromHeader = Entry(0x9A3C, 0, 2, 0, 0, kBlue);
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
        DasStreamChanInfo e = Entry(0x9A3C, 0, 2, 0, 0, kBlue);
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
        DasStreamChanInfo back = Entry(0x9A3C, 0, 2, 0, 0, kBlue);
        ReadChannelSettings(again.get(), back);
        const auto fields = [](const DasStreamChanInfo& c) {
            return std::tuple(c.Active, c.Name, c.SampleRate, c.BitWeight, c.VoltsPerUnit,
                              c.UnitCode, ColorText(c.TraceColor));
        };
        QCOMPARE(fields(back), fields(e));
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

    void keepSelectedRuleMovesTheIndex_data()
    {
        QTest::addColumn<int>("keepSel");
        QTest::addColumn<QList<int>>("channels");
        QTest::addColumn<QList<int>>("indices");
        QTest::newRow("keep selected, channel 1 active")
            << 1 << QList<int>{0, 1, 2, 1, 1} << QList<int>{0, 0, 1, 1, 2};
        QTest::newRow("keep all") << 0 << QList<int>{0, 1, 2, 3} << QList<int>{0, 1, 2, 3};
        QTest::newRow("flag 2 keeps none") << 2 << QList<int>{0, 1, 2} << QList<int>{0, 0, 0};
    }
    void keepSelectedRuleMovesTheIndex()
    {
        QFETCH(int, keepSel);
        QFETCH(QList<int>, channels);
        QFETCH(QList<int>, indices);
        const auto stored = IniWith(dir, "DasStreamChanInfo\\00A30101\\Active=1");
        Ring r(10, keepSel);
        for (int i = 0; i < channels.size(); ++i) {
            const int slot = r.Store.RingIndex;
            QCOMPARE(slot, indices[i]);
            r.Put(channels[i], i + 1, stored.get());
            // The line names the slot holding the packet, kept or not.
            QCOMPARE(Text(r.Status).split(' ').last(), QByteArray::number(slot));
            QCOMPARE(int(r.Store.PacketRing[std::size_t(slot)].Channel), channels[i]);
        }
    }

    void ringWrapsOverTheOldestAndUnkeptPacketsStayInOneSlot()
    {
        Ring all(3, 0);
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            seen << all.Store.RingIndex;
            all.Put(i, 1);
        }
        QCOMPARE(seen, (QList<int>{0, 1, 2, 0}));
        QCOMPARE(int(all.Store.PacketRing[0].Channel), 3);

        Ring selected(3, 1); // nothing active
        for (int i = 0; i < 5; ++i)
            selected.Put(i % 3, i);
        QCOMPARE(selected.Store.RingIndex, 0);
        QCOMPARE(int(selected.Store.PacketRing[0].Channel), 1);
        QCOMPARE(int(selected.Store.PacketRing[1].SampleCount), 0);

        Ring one(1, 0);
        one.Put(0, 1);
        one.Put(2, 2);
        QCOMPARE(one.Store.RingIndex, 0);
        QCOMPARE(int(one.Store.PacketRing[0].Channel), 2);

        // An index outside the ring (a ring made smaller) starts again at the first slot.
        for (const int outside : {3, 7, -1}) {
            Ring r(3, 0);
            r.Store.RingIndex = outside;
            r.Put(0, 1);
            QCOMPARE(r.Store.RingIndex, 1);
            QCOMPARE(int(r.Store.PacketRing[0].SampleCount), 100);
        }
    }

    void refusedFormatSetsNewDataButLeavesAnEmptySlot()
    {
        Ring r(3, 0);
        r.Put(0, 1);
        r.Store.NewData = 0;
        testpackets::Packet bad = Int16Dt(0x00A3, 1, 1);
        bad[23] = 0xC1;
        IngestDtPacket(r.Store, r.Cat, nullptr, bad, r.Status);
        QCOMPARE(std::tuple(r.Store.NewData, r.Store.RingIndex, r.Status.Shown),
                 std::tuple(1, 1, false));
        QCOMPARE(int(r.Store.PacketRing[1].SampleCount), 0);
        QCOMPARE(r.Cat.Count(), 1);
        IngestDtPacket(r.Store, r.Cat, nullptr, std::span(bad).first(1000), r.Status);
        QVERIFY(!r.Status.Shown);
    }

    // printf's "%g" would write the rate as "0,1" here.
    void statusLineUnderCommaLocale()
    {
        Ring r(5, 0);
        r.Put(2, 1);
        QCOMPARE(Text(r.Status), QByteArray("DT   A3-1-2 (100-0) 2006.01.01 00:00:01.000 0"));
        r.Cat.Entries[0].MeasuredRate = 0.1;
        r.Put(2, 2);
        QCOMPARE(Text(r.Status), QByteArray("DT   A3-1-2 (100-0.1) 2006.01.01 00:00:02.000 1"));
        const testpackets::Header h{.Hour = 23, .Minute = 0, .Second = 3, .Msec = 5};
        IngestDtPacket(r.Store, r.Cat, nullptr, testpackets::DtBytes(0x16, 250, 12, 31, h),
                       r.Status);
        QCOMPARE(Text(r.Status), QByteArray("DT 9A3C-12-31 (250-0) 2006.01.01 23:00:03.005 2"));
    }

    void fullCatalogueKeepsNothingAndShowsRateZero()
    {
        Ring r(3, 0);
        r.Cat.MaxEntries = 0;
        r.Put(0, 1);
        r.Put(0, 2);
        QCOMPARE(r.Store.RingIndex, 0);
        QCOMPARE(Text(r.Status), QByteArray("DT   A3-1-0 (100-0) 2006.01.01 00:00:02.000 0"));
    }

    void allocationRefusesImpossibleRingsAndEmptiesTheOld_data()
    {
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<qint64>("physical");
        QTest::addColumn<bool>("allocated");
        QTest::newRow("same size again") << 3 << qint64(0) << true;
        QTest::newRow("zero") << 0 << qint64(0) << false;
        QTest::newRow("negative") << -5 << qint64(0) << false;
        QTest::newRow("one byte over memory") << 1000 << qint64(RingBytes(1000) - 1) << false;
        QTest::newRow("exactly memory") << 1000 << qint64(RingBytes(1000)) << true;
        QTest::newRow("largest count")
            << std::numeric_limits<std::int32_t>::max() << qint64(0) << false;
    }
    void allocationRefusesImpossibleRingsAndEmptiesTheOld()
    {
        QFETCH(int, slotCount);
        QFETCH(qint64, physical);
        QFETCH(bool, allocated);
        Ring r(3, 0);
        for (int i = 0; i < 5; ++i)
            r.Put(i, 1);
        r.Store.NringBuffer = slotCount;
        QCOMPARE(AllocateRing(r.Store, physical), allocated);
        QCOMPARE(std::pair(r.Store.RingIndex, r.Store.AllocatedSlots),
                 std::pair(0, allocated ? slotCount : 0));
        if (allocated)
            QCOMPARE(int(r.Store.PacketRing[0].SampleCount), 0);
        // A packet for an absent ring is flagged and dropped, never written anywhere.
        r.Put(0, 1);
        QCOMPARE(r.Status.Shown, allocated);
        QCOMPARE(RingBytes(std::numeric_limits<std::int32_t>::max()),
                 std::int64_t{std::numeric_limits<std::int32_t>::max()} *
                     std::int64_t(sizeof(DtPacket)));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
