#include "store/channelcatalogue.h"
#include "store/channelsettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
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

class ChannelSettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path;

private slots:
    void init()
    {
        path = dir.filePath(QStringLiteral("save.ini"));
        QFile::remove(path);
    }

    void saveReplacesTheChannelSubtree()
    {
        {
            QSettings s(path, QSettings::IniFormat);
            s.setValue(kRoot + u"/11110000/Active", 1);
            s.setValue(kRoot + u"/11110000/Name", QStringLiteral("Gone"));
            s.setValue(kRoot + u"/11110000/Extra", QStringLiteral("hand-edited"));
            s.setValue(kRoot + u"/9A3C0002/Name", QStringLiteral("Old"));
            s.setValue(QStringLiteral("/ovqt_dislay/TimeRange"), 60);
        }
        ChannelCatalogue cat;
        DasStreamChanInfo e = Entry(0x9A3C, 0, 2);
        e.Active = 1;
        e.Name = QStringLiteral("HHZ");
        e.SampleRate = 100;
        e.BitWeight = 0.0000015;
        e.VoltsPerUnit = 20;
        e.UnitCode = QStringLiteral("M/S");
        e.TraceColor = Rgb{12, 34, 56};
        cat.Entries.push_back(e);
        cat.Entries.push_back(Entry(0x00A3, 1, 31));
        {
            QSettings s(path, QSettings::IniFormat);
            SaveChannelSettings(s, cat.Entries);
        }

        QSettings s(path, QSettings::IniFormat);
        QCOMPARE(StoredChannels(s),
                 (QStringList{QStringLiteral("00A30131"), QStringLiteral("9A3C0002")}));
        s.beginGroup(kRoot + u"/9A3C0002");
        QCOMPARE(s.childKeys().size(), 7);
        s.endGroup();
        QCOMPARE(s.value(kRoot + u"/9A3C0002/TraceColor").toString(), QStringLiteral("(12,34,56)"));
        QCOMPARE(s.value(kRoot + u"/9A3C0002/Name").toString(), QStringLiteral("HHZ"));
        QCOMPARE(s.value(kRoot + u"/9A3C0002/Active").toInt(), 1);
        QCOMPARE(s.value(kRoot + u"/9A3C0002/BitWeight").toDouble(), 0.0000015);
        QCOMPARE(s.value(QStringLiteral("/ovqt_dislay/TimeRange")).toInt(), 60);
    }

    void savedValuesReadBackIntoANewEntry()
    {
        ChannelCatalogue cat;
        DasStreamChanInfo e = Entry(0x9A3C, 0, 2);
        e.Active = 1;
        e.Name = QStringLiteral("A,B");
        e.SampleRate = 250;
        e.BitWeight = 0.002;
        e.VoltsPerUnit = 1.5;
        e.UnitCode = QStringLiteral("M/S^2");
        e.TraceColor = Rgb{255, 255, 0};
        cat.Entries.push_back(e);
        QSettings s(path, QSettings::IniFormat);
        SaveChannelSettings(s, cat.Entries);
        s.sync();

        QSettings again(path, QSettings::IniFormat);
        DasStreamChanInfo back = Entry(0x9A3C, 0, 2);
        ReadChannelSettings(&again, back);
        QCOMPARE(back.Active, 1);
        QCOMPARE(back.Name, e.Name);
        QCOMPARE(back.SampleRate, 250.0);
        QCOMPARE(back.BitWeight, 0.002);
        QCOMPARE(back.VoltsPerUnit, 1.5);
        QCOMPARE(back.UnitCode, e.UnitCode);
        QCOMPARE(back.TraceColor, e.TraceColor);
    }

    void emptyCatalogueEmptiesTheSubtree()
    {
        QSettings s(path, QSettings::IniFormat);
        s.setValue(kRoot + u"/00010000/Active", 1);
        SaveChannelSettings(s, {});
        QVERIFY(StoredChannels(s).isEmpty());
        QVERIFY(!s.contains(kRoot + u"/00010000/Active"));
    }

    void hundredThousandHostileSubkeysAreRemoved()
    {
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray text = "[ovqt_dislay]\n";
            for (int i = 0; i < 100000; ++i)
                text += "DasStreamChanInfo\\x" + QByteArray::number(i) + "%20y\\Active=1\n";
            f.write(text);
        }
        QSettings s(path, QSettings::IniFormat);
        QCOMPARE(StoredChannels(s).size(), 100000);
        QElapsedTimer timer;
        timer.start();
        ChannelCatalogue cat;
        cat.Entries.push_back(Entry(1, 0, 0));
        SaveChannelSettings(s, cat.Entries);
        qInfo("removal took %lld ms", timer.elapsed());
        QCOMPARE(StoredChannels(s), QStringList{QStringLiteral("00010000")});
    }

    void nullSettingsGiveDefaults()
    {
        DasStreamChanInfo e = Entry(0xBEEF, 0, 1);
        e.TraceColor = Rgb{0, 255, 0};
        ReadChannelSettings(nullptr, e);
        QCOMPARE(e.Name, QStringLiteral("BEEF"));
        QCOMPARE(e.UnitCode, QStringLiteral("Unk"));
        QCOMPARE(e.TraceColor, (Rgb{0, 255, 0}));
        ReadChannelDisplaySettings(nullptr, e);
        QCOMPARE(e.Active, 0);
    }
};

QTEST_GUILESS_MAIN(ChannelSettingsTest)
#include "tst_channelsettings.moc"
