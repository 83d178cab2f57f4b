#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "store/channelcatalogue.h"
#include "store/channelsettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr std::int32_t kDay = 732692; // 1 January 2006

std::unique_ptr<DtPacket> Packet(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel,
                                 double msec, int samples = 100, std::int32_t day = kDay)
{
    auto p = std::make_unique<DtPacket>();
    p->DasId = dasId;
    p->Stream = stream;
    p->Channel = channel;
    p->Time = DayTime{day, msec};
    p->SampleCount = static_cast<std::uint16_t>(samples);
    p->Format = FormatInt16;
    return p;
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

EventHeaderInfo HeaderWithPosition(int position, bool bank)
{
    EventHeaderInfo info;
    info.DasId = 0x9A3C;
    info.Stream = 0;
    info.ChannelBank = bank;
    std::strcpy(info.Name, "ST1");
    info.SampleRate = 100;
    info.Positions[position] = EventPosition{0.002, 20.0, UnitKind::V};
    return info;
}

} // namespace

Q_DECLARE_METATYPE(DasStreamChanInfo)

class ChannelCatalogueTest : public QObject
{
    QSettings* stored = nullptr;
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;

    // A fresh INI file holding text exactly as given, so hand-edited forms can be tried.
    QSettings* IniWith(const QByteArray& content)
    {
        settings.reset();
        const QString path = dir.filePath(QStringLiteral("channels.ini"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return nullptr;
        f.write(content);
        f.close();
        settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        return settings.get();
    }

private slots:
    void init() { stored = nullptr; }
    void newChannelWithoutSettingsIsInactiveAndNamedAfterItsUnit_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("channel 0 red") << 0 << 255 << 0 << 0;
        QTest::newRow("channel 1 green") << 1 << 0 << 255 << 0;
        QTest::newRow("channel 2 blue") << 2 << 0 << 0 << 255;
        QTest::newRow("channel 3 red again") << 3 << 255 << 0 << 0;
    }
    void newChannelWithoutSettingsIsInactiveAndNamedAfterItsUnit()
    {
        QFETCH(int, channel);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        ChannelCatalogue cat;
        int index = -2;
        const auto p = Packet(0x00a3, 0, static_cast<std::uint16_t>(channel), 0);
        QCOMPARE(FindOrAddChannel(cat, *p, index, stored), -1);
        QCOMPARE(index, 0);
        const DasStreamChanInfo& e = cat.Entries[0];
        QCOMPARE(e.Active, 0);
        QCOMPARE(e.Name, QStringLiteral("00A3"));
        QCOMPARE(e.UnitCode, QStringLiteral("Unk"));
        QCOMPARE(e.TraceColor, (Rgb{std::uint8_t(red), std::uint8_t(green), std::uint8_t(blue)}));
    }

    void rateIsMeasuredFromPacketSpacing_data()
    {
        QTest::addColumn<QList<double>>("startsMsec");
        QTest::addColumn<QList<double>>("rates");
        QTest::newRow("1.000 s apart") << QList<double>{0, 1000} << QList<double>{0, 100};
        QTest::newRow("1.001 s apart stays 0, third tries again")
            << QList<double>{0, 1001, 2001} << QList<double>{0, 0, 100};
        QTest::newRow("once 100 stays 100")
            << QList<double>{0, 1000, 1500, 1600} << QList<double>{0, 100, 100, 100};
        QTest::newRow("repeated time gives none")
            << QList<double>{0, 0, 1000} << QList<double>{0, 0, 100};
        QTest::newRow("backwards time gives none")
            << QList<double>{5000, 4000, 5000} << QList<double>{0, 0, 100};
    }
    void rateIsMeasuredFromPacketSpacing()
    {
        QFETCH(QList<double>, startsMsec);
        QFETCH(QList<double>, rates);
        ChannelCatalogue cat;
        for (int i = 0; i < startsMsec.size(); ++i) {
            int index = -1;
            FindOrAddChannel(cat, *Packet(1, 0, 0, startsMsec[i]), index, stored);
            QCOMPARE(cat.Entries[std::size_t(index)].MeasuredRate, rates[i]);
        }
    }

    void tenthOfASampleIsMeasuredAcrossMidnight()
    {
        ChannelCatalogue cat;
        int index = -1;
        FindOrAddChannel(cat, *Packet(1, 0, 0, 86000000.0, 100, kDay), index, stored);
        FindOrAddChannel(cat, *Packet(1, 0, 0, 600000.0, 100, kDay + 1), index, stored);
        QCOMPARE(cat.Entries[0].MeasuredRate, 0.1);
    }

    void snapMeasuredRateMatchesOnlyStandardRates_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("snapped");
        for (const double rate : {1000.0, 500.0, 250.0, 200.0, 125.0, 100.0, 50.0, 40.0, 25.0, 20.0,
                                  10.0, 5.0, 1.0, 0.1}) {
            QTest::addRow("%g exact", rate) << rate << rate;
            QTest::addRow("%g just above", rate) << rate + 0.000009 << rate;
            QTest::addRow("%g just below", rate) << rate - 0.000009 << rate;
            QTest::addRow("%g outside", rate) << rate + 0.00002 << 0.0;
        }
        QTest::newRow("99.9") << 99.9000999 << 0.0;
        QTest::newRow("zero") << 0.0 << 0.0;
        QTest::newRow("2000") << 2000.0 << 0.0;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 0.0;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0.0;
    }
    void snapMeasuredRateMatchesOnlyStandardRates()
    {
        QFETCH(double, r);
        QFETCH(double, snapped);
        QCOMPARE(SnapMeasuredRate(r), snapped);
    }

    void lastEndTimeCrossesMidnight_data()
    {
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<int>("day");
        QTest::addColumn<double>("msec");
        QTest::newRow("configured 100") << 100.0 << kDay + 1 << 0.0;
        QTest::newRow("configured 50") << 50.0 << kDay + 1 << 1000.0;
        QTest::newRow("no rate: packet time") << 0.0 << kDay << 86399000.0;
    }
    void lastEndTimeCrossesMidnight()
    {
        QFETCH(double, sampleRate);
        QFETCH(int, day);
        QFETCH(double, msec);
        ChannelCatalogue cat;
        cat.Entries.push_back(Entry(1, 0, 0, sampleRate));
        int index = -1;
        FindOrAddChannel(cat, *Packet(1, 0, 0, 86399000.0), index, stored);
        QCOMPARE(cat.Entries[0].LastEndTime.Day, day);
        QCOMPARE(cat.Entries[0].LastEndTime.Msec, msec);
        QCOMPARE(cat.Entries[0].LastStartTime.Msec, 86399000.0);
        QCOMPARE(cat.Entries[0].PrevSampleCount, 100);
    }

    void lastEndTimeUsesMeasuredRateWhenNoneConfigured()
    {
        ChannelCatalogue cat;
        int index = -1;
        FindOrAddChannel(cat, *Packet(1, 0, 0, 0, 50), index, stored);
        FindOrAddChannel(cat, *Packet(1, 0, 0, 1000, 40), index, stored);
        QCOMPARE(cat.Entries[0].MeasuredRate, 50.0);
        QCOMPARE(cat.Entries[0].LastEndTime.Msec, 1800.0);
        QCOMPARE(cat.Entries[0].SampleCount, 40);
    }

    void sortOrdersEveryColumnBothWays_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QList<DasStreamChanInfo>>("entries");
        QTest::addColumn<QString>("ascending");
        const QList<DasStreamChanInfo> ids{Entry(2, 0, 0), Entry(1, 1, 0), Entry(1, 0, 1),
                                           Entry(1, 0, 0)};
        QTest::newRow("unit") << 0 << ids << QStringLiteral("1/0/0 1/0/1 1/1/0 2/0/0");
        QTest::newRow("stream") << 1 << ids << QStringLiteral("1/0/0 1/0/1 2/0/0 1/1/0");
        QTest::newRow("channel") << 2 << ids << QStringLiteral("1/0/0 1/1/0 2/0/0 1/0/1");
        QTest::newRow("rate, measured when none configured")
            << 3
            << QList<DasStreamChanInfo>{Entry(1, 0, 0, 100), Entry(2, 0, 0, 0, 50),
                                        Entry(3, 0, 0, 40, 200), Entry(4, 0, 0, 0, 0)}
            << QStringLiteral("4/0/0 3/0/0 2/0/0 1/0/0");
        QTest::newRow("colour as text")
            << 4
            << QList<DasStreamChanInfo>{Entry(1, 0, 0, 0, 0, {255, 0, 0}),
                                        Entry(2, 0, 0, 0, 0, {0, 0, 255}),
                                        Entry(3, 0, 0, 0, 0, {0, 255, 0})}
            << QStringLiteral("2/0/0 3/0/0 1/0/0");
        QTest::newRow("colour 100 before 25")
            << 4
            << QList<DasStreamChanInfo>{Entry(1, 0, 0, 0, 0, {25, 0, 0}),
                                        Entry(2, 0, 0, 0, 0, {100, 0, 0})}
            << QStringLiteral("2/0/0 1/0/0");
        QTest::newRow("rate ties fall to unit")
            << 3 << QList<DasStreamChanInfo>{Entry(2, 0, 0, 100), Entry(1, 0, 0, 0, 100)}
            << QStringLiteral("1/0/0 2/0/0");
    }
    void sortOrdersEveryColumnBothWays()
    {
        QFETCH(int, column);
        QFETCH(QList<DasStreamChanInfo>, entries);
        QFETCH(QString, ascending);
        ChannelCatalogue cat;
        cat.Entries.assign(entries.begin(), entries.end());
        cat.SortColumn = column;
        cat.SortOrder = 1;
        SortCatalogue(cat);
        QCOMPARE(Ids(cat), ascending);
        cat.SortOrder = 0;
        SortCatalogue(cat);
        QStringList reversed = ascending.split(u' ');
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(Ids(cat), reversed.join(u' '));
    }

    void unknownSortColumnComparesEveryPairEqual()
    {
        const DasStreamChanInfo a = Entry(1, 0, 0);
        const DasStreamChanInfo b = Entry(2, 3, 4, 100, 0, {1, 2, 3});
        for (const int column : {-1, 5, 99}) {
            QCOMPARE(CompareChannels(a, b, column, 1), 0);
            QCOMPARE(CompareChannels(b, a, column, 0), 0);
        }
        QCOMPARE(CompareChannels(a, b, 0, 1), -1);
        QCOMPARE(CompareChannels(a, b, 0, 0), 1);
        QCOMPARE(CompareChannels(a, a, 4, 1), 0);
    }

    void nanRateDoesNotBreakTheSort()
    {
        ChannelCatalogue cat;
        cat.SortColumn = 3;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (int i = 0; i < 40; ++i)
            cat.Entries.push_back(
                Entry(static_cast<std::uint16_t>(i), 0, 0, i % 3 ? 40.0 - i : nan));
        SortCatalogue(cat);
        QCOMPARE(cat.Count(), 40);
        for (int i = 1; i < cat.Count(); ++i)
            QVERIFY(CompareChannels(cat.Entries[std::size_t(i - 1)], cat.Entries[std::size_t(i)], 3,
                                    1) <= 0);
        QVERIFY(std::isnan(cat.Entries.back().SampleRate));
    }

    void addingAChannelResortsAndMovesIndices()
    {
        ChannelCatalogue cat;
        int index = -1;
        FindOrAddChannel(cat, *Packet(5, 0, 0, 0), index, stored);
        QCOMPARE(index, 0);
        FindOrAddChannel(cat, *Packet(2, 0, 0, 0), index, stored);
        QCOMPARE(index, 0);
        FindOrAddChannel(cat, *Packet(5, 0, 0, 1000), index, stored);
        QCOMPARE(index, 1);
        cat.SortOrder = 0;
        FindOrAddChannel(cat, *Packet(9, 0, 0, 0), index, stored);
        QCOMPARE(index, 0);
        QCOMPARE(Ids(cat), QStringLiteral("9/0/0 5/0/0 2/0/0"));
    }

    void renumberCountsOnlyActiveOnes()
    {
        ChannelCatalogue cat;
        for (int i = 0; i < 5; ++i)
            cat.Entries.push_back(Entry(static_cast<std::uint16_t>(i), 0, 0));
        cat.Entries[1].Active = 1;
        cat.Entries[3].Active = 1;
        cat.Entries[4].Active = 2;
        cat.Entries[2].DisplayIndex = 7;
        cat.Entries[4].DisplayIndex = 9;
        RenumberActive(cat);
        QCOMPARE(cat.Entries[1].DisplayIndex, 0);
        QCOMPARE(cat.Entries[3].DisplayIndex, 1);
        QCOMPARE(cat.Entries[2].DisplayIndex, 7);
        QCOMPARE(cat.Entries[4].DisplayIndex, 9);
    }

    void storedSettingsAreReadForANewChannel_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("unitCode");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("blue");
        const QByteArray s = "[ovqt_dislay]\n";
        const QByteArray k = "DasStreamChanInfo\\9A3C0002\\";
        QTest::newRow("all seven")
            << s + k + "Active=1\n" + k + "Name=HHZ\n" + k + "SampleRate=200\n" + k +
                   "UnitCode=M/S\n" + k + "TraceColor=\"(12,34,56)\"\n"
            << 1 << "HHZ"
            << "M/S" << 200.0 << 12 << 56;
        QTest::newRow("empty name") << s + k + "Name=\n"
                                    << 0 << "9A3C"
                                    << "Unk" << 0.0 << 0 << 255;
        QTest::newRow("name cut to 15") << s + k + "Name=ABCDEFGHIJKLMNOPQRS\n"
                                        << 0 << "ABCDEFGHIJKLMNO"
                                        << "Unk" << 0.0 << 0 << 255;
        QTest::newRow("unit code cut to 7") << s + k + "UnitCode=M/S^2/Hz/x\n"
                                            << 0 << "9A3C"
                                            << "M/S^2/H" << 0.0 << 0 << 255;
        QTest::newRow("bad colour keeps default") << s + k + "TraceColor=\"(1,2)\"\n"
                                                  << 0 << "9A3C"
                                                  << "Unk" << 0.0 << 0 << 255;
        QTest::newRow("unquoted colour list") << s + k + "TraceColor=(77,2,3)\n"
                                              << 0 << "9A3C"
                                              << "Unk" << 0.0 << 77 << 3;
        QTest::newRow("unreadable numbers default")
            << s + k + "Active=yes\n" + k + "SampleRate=fast\n"
            << 0 << "9A3C"
            << "Unk" << 0.0 << 0 << 255;
        QTest::newRow("other channel's settings ignored")
            << s + "DasStreamChanInfo\\9A3C0102\\Active=1\n"
            << 0 << "9A3C"
            << "Unk" << 0.0 << 0 << 255;
    }
    void storedSettingsAreReadForANewChannel()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, active);
        QFETCH(QString, name);
        QFETCH(QString, unitCode);
        QFETCH(double, sampleRate);
        QFETCH(int, red);
        QFETCH(int, blue);
        ChannelCatalogue cat;
        stored = IniWith(ini);
        QVERIFY(stored);
        int index = -1;
        const int selected = FindOrAddChannel(cat, *Packet(0x9A3C, 0, 2, 0), index, stored);
        QCOMPARE(selected, active ? 0 : -1);
        const DasStreamChanInfo& e = cat.Entries[0];
        QCOMPARE(e.Active, active);
        QCOMPARE(e.Name, name);
        QCOMPARE(e.UnitCode, unitCode);
        QCOMPARE(e.SampleRate, sampleRate);
        QCOMPARE(int(e.TraceColor.Red), red);
        QCOMPARE(int(e.TraceColor.Blue), blue);
    }

    void settingsAreReadOnlyOnCreation()
    {
        ChannelCatalogue cat;
        stored = IniWith("[ovqt_dislay]\nDasStreamChanInfo\\00010000\\Active=0\n");
        int index = -1;
        FindOrAddChannel(cat, *Packet(1, 0, 0, 0), index, stored);
        stored->setValue(QStringLiteral("/ovqt_dislay/DasStreamChanInfo/00010000/Active"), 1);
        QCOMPARE(FindOrAddChannel(cat, *Packet(1, 0, 0, 1000), index, stored), -1);
    }

    void eventHeaderBankCreatesChannelSixteenUp_data()
    {
        QTest::addColumn<bool>("bank");
        QTest::addColumn<int>("channel");
        QTest::newRow("bank") << true << 18;
        QTest::newRow("no bank") << false << 2;
    }
    void eventHeaderBankCreatesChannelSixteenUp()
    {
        QFETCH(bool, bank);
        QFETCH(int, channel);
        ChannelCatalogue cat;
        QVERIFY(UpdateFromEventHeader(cat, HeaderWithPosition(2, bank), stored));
        QCOMPARE(cat.Count(), 1);
        const DasStreamChanInfo& e = cat.Entries[0];
        QCOMPARE(int(e.Channel), channel);
        QCOMPARE(e.DasId, std::uint16_t(0x9A3C));
        QCOMPARE(e.TraceColor, (Rgb{0, 0, 255}));
        QCOMPARE(e.Name, QStringLiteral("ST1"));
        QCOMPARE(e.SampleRate, 100.0);
        QCOMPARE(e.BitWeight, 0.002);
        QCOMPARE(e.VoltsPerUnit, 20.0);
        QCOMPARE(e.UnitCode, QStringLiteral("M/S"));
        QCOMPARE(e.Active, 0);
    }

    void eventHeaderSkipsPositionsWithoutBitWeight()
    {
        ChannelCatalogue cat;
        EventHeaderInfo info = HeaderWithPosition(5, false);
        info.Positions[1].BitWeight = -1.0;
        info.Positions[3].BitWeight = std::numeric_limits<double>::quiet_NaN();
        QVERIFY(UpdateFromEventHeader(cat, info, stored));
        QCOMPARE(Ids(cat), QStringLiteral("9a3c/0/5"));
        QVERIFY(UpdateFromEventHeader(cat, EventHeaderInfo{}, stored));
        QCOMPARE(cat.Count(), 1);
    }

    void eventHeaderOverwritesStoredValuesButKeepsActiveAndColour()
    {
        ChannelCatalogue cat;
        const QByteArray p = "DasStreamChanInfo\\9A3C0002\\";
        stored = IniWith("[ovqt_dislay]\n" + p + "Active=1\n" + p + "Name=Stored\n" + p +
                         "SampleRate=50\n" + p + "BitWeight=9\n" + p + "UnitCode=G\n" + p +
                         "TraceColor=\"(1,2,3)\"\n");
        int index = -1;
        FindOrAddChannel(cat, *Packet(0x9A3C, 0, 2, 0), index, stored);
        QCOMPARE(cat.Entries[0].Name, QStringLiteral("Stored"));
        QVERIFY(UpdateFromEventHeader(cat, HeaderWithPosition(2, false), stored));
        // And a channel the header creates reads Active and colour but not the name.
        stored->setValue(QStringLiteral("/ovqt_dislay/DasStreamChanInfo/9A3C0018/Name"),
                         QStringLiteral("Stored"));
        stored->setValue(QStringLiteral("/ovqt_dislay/DasStreamChanInfo/9A3C0018/Active"), 1);
        QVERIFY(UpdateFromEventHeader(cat, HeaderWithPosition(2, true), stored));
        QCOMPARE(cat.Count(), 2);
        for (const DasStreamChanInfo& e : cat.Entries) {
            QCOMPARE(e.Active, 1);
            QCOMPARE(e.Name, QStringLiteral("ST1"));
            QCOMPARE(e.SampleRate, 100.0);
            QCOMPARE(e.BitWeight, 0.002);
            QCOMPARE(e.UnitCode, QStringLiteral("M/S"));
        }
        QCOMPARE(cat.Entries[0].TraceColor, (Rgb{1, 2, 3}));
        QCOMPARE(cat.Entries[1].TraceColor, (Rgb{0, 0, 255}));
        QCOMPARE(cat.Entries[0].DisplayIndex, 0);
        QCOMPARE(cat.Entries[1].DisplayIndex, 1);
    }

    void eventHeaderUnitKindsBecomeUnitTexts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("unit");
        QTest::newRow("D") << int(UnitKind::D) << "M";
        QTest::newRow("V") << int(UnitKind::V) << "M/S";
        QTest::newRow("A") << int(UnitKind::A) << "M/S^2";
        QTest::newRow("G") << int(UnitKind::G) << "G";
        QTest::newRow("none") << int(UnitKind::None) << "Unk";
    }
    void eventHeaderUnitKindsBecomeUnitTexts()
    {
        QFETCH(int, kind);
        QFETCH(QString, unit);
        ChannelCatalogue cat;
        EventHeaderInfo info = HeaderWithPosition(0, false);
        info.Positions[0].Kind = static_cast<UnitKind>(kind);
        UpdateFromEventHeader(cat, info, stored);
        QCOMPARE(cat.Entries[0].UnitCode, unit);
    }

    void fullTableRefusesNewChannels()
    {
        ChannelCatalogue cat;
        cat.MaxEntries = 1;
        int index = -2;
        FindOrAddChannel(cat, *Packet(1, 0, 0, 0), index, stored);
        QCOMPARE(index, 0);
        QCOMPARE(FindOrAddChannel(cat, *Packet(2, 0, 0, 0), index, stored), -1);
        QCOMPARE(index, -1);
        QCOMPARE(cat.Count(), 1);
        // The known channel is still served.
        FindOrAddChannel(cat, *Packet(1, 0, 0, 1000), index, stored);
        QCOMPARE(index, 0);
        QCOMPARE(cat.Entries[0].MeasuredRate, 100.0);
        QVERIFY(!UpdateFromEventHeader(cat, HeaderWithPosition(3, false), stored));
        QCOMPARE(cat.Count(), 1);
    }

    void fullTableStillSortsWhatTheHeaderAdded()
    {
        ChannelCatalogue cat;
        cat.MaxEntries = 2;
        cat.SortOrder = 0;
        EventHeaderInfo info = HeaderWithPosition(0, false);
        for (int i = 0; i < 4; ++i)
            info.Positions[i] = EventPosition{0.001, 1.0, UnitKind::D};
        QVERIFY(!UpdateFromEventHeader(cat, info, stored));
        QCOMPARE(Ids(cat), QStringLiteral("9a3c/0/1 9a3c/0/0"));
    }

    void channelKeyUsesStoredNumbers()
    {
        QCOMPARE(ChannelKey(0x9A3C, 0, 2),
                 QStringLiteral("/ovqt_dislay/DasStreamChanInfo/9A3C0002"));
        QCOMPARE(ChannelKey(0x00a3, 12, 31),
                 QStringLiteral("/ovqt_dislay/DasStreamChanInfo/00A31231"));
    }
};

QTEST_GUILESS_MAIN(ChannelCatalogueTest)
#include "tst_channelcatalogue.moc"
