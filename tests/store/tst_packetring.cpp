#include "packetbytes.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

using packetbytes::BuildDt;
using packetbytes::DtFields;

namespace {

DtFields OfChannel(int channel, int second = 1)
{
    DtFields f;
    f.Channel = channel;
    f.Second = second;
    return f;
}

void Ingest(PacketStore& store, ChannelCatalogue& cat, const DtFields& f, StatusLine& status,
            const QSettings* stored = nullptr)
{
    const packetbytes::Packet p = BuildDt(f);
    IngestDtPacket(store, cat, stored, p, status);
}

} // namespace

class PacketRingTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;

    // Channel 1 of unit 0x00A3, stream 1 is stored as shown; no other channel is.
    QSettings* ChannelOneActive()
    {
        const QString path = dir.filePath(QStringLiteral("ring.ini"));
        QFile::remove(path);
        settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        settings->setValue(QStringLiteral("/ovqt_dislay/DasStreamChanInfo/00A30101/Active"), 1);
        return settings.get();
    }

    static PacketStore Ring(int slotCount, int keepSel)
    {
        PacketStore store;
        store.NringBuffer = slotCount;
        store.KeepSel = keepSel;
        if (!AllocateRing(store))
            qFatal("ring of %d slots not allocated", slotCount);
        return store;
    }

private slots:
    void keepSelectedRuleMovesTheIndex_data()
    {
        QTest::addColumn<int>("keepSel");
        QTest::addColumn<QList<int>>("channels");
        QTest::addColumn<QList<int>>("indices");
        QTest::newRow("keep selected, none active")
            << 1 << QList<int>{0, 2, 3, 0} << QList<int>{0, 0, 0, 0};
        QTest::newRow("keep selected, channel 1 active")
            << 1 << QList<int>{0, 1, 2, 1, 1} << QList<int>{0, 0, 1, 1, 2};
        QTest::newRow("keep all") << 0 << QList<int>{0, 1, 2, 3} << QList<int>{0, 1, 2, 3};
        QTest::newRow("flag 2 keeps none") << 2 << QList<int>{0, 1, 2} << QList<int>{0, 0, 0};
        QTest::newRow("flag -1 keeps none") << -1 << QList<int>{1, 1} << QList<int>{0, 0};
    }
    void keepSelectedRuleMovesTheIndex()
    {
        QFETCH(int, keepSel);
        QFETCH(QList<int>, channels);
        QFETCH(QList<int>, indices);
        PacketStore store = Ring(10, keepSel);
        ChannelCatalogue cat;
        const QSettings* stored = ChannelOneActive();
        StatusLine status;
        for (int i = 0; i < channels.size(); ++i) {
            const int slot = store.RingIndex;
            QCOMPARE(slot, indices[i]);
            Ingest(store, cat, OfChannel(channels[i], i + 1), status, stored);
            QVERIFY(status.Shown);
            // The line names the slot holding the packet, kept or not.
            QCOMPARE(QByteArray(status.Text).split(' ').last(), QByteArray::number(slot));
            QCOMPARE(int(store.PacketRing[std::size_t(slot)].Channel), channels[i]);
        }
    }

    void unkeptPacketsLeaveTheRestOfTheRingAlone()
    {
        PacketStore store = Ring(3, 1);
        ChannelCatalogue cat;
        StatusLine status;
        for (int i = 0; i < 5; ++i)
            Ingest(store, cat, OfChannel(i % 3, i), status);
        QCOMPARE(store.RingIndex, 0);
        QCOMPARE(int(store.PacketRing[0].Channel), 1);
        QCOMPARE(int(store.PacketRing[0].SampleCount), 100);
        QCOMPARE(int(store.PacketRing[1].SampleCount), 0);
        QCOMPARE(int(store.PacketRing[2].SampleCount), 0);
    }

    void ringOfThreeWrapsAndOverwritesTheOldest()
    {
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        StatusLine status;
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            seen << store.RingIndex;
            Ingest(store, cat, OfChannel(i), status);
        }
        seen << store.RingIndex;
        QCOMPARE(seen, (QList<int>{0, 1, 2, 0, 1}));
        QCOMPARE(int(store.PacketRing[0].Channel), 3);
        QCOMPARE(int(store.PacketRing[1].Channel), 1);
        QCOMPARE(int(store.PacketRing[2].Channel), 2);
    }

    void ringOfOneSlotAlwaysOverwritesSlotZero()
    {
        PacketStore store = Ring(1, 0);
        ChannelCatalogue cat;
        StatusLine status;
        for (int i = 0; i < 3; ++i) {
            Ingest(store, cat, OfChannel(i), status);
            QCOMPARE(store.RingIndex, 0);
            QCOMPARE(int(store.PacketRing[0].Channel), i);
        }
    }

    void unknownFormatSetsNewDataButLeavesNoPacket_data()
    {
        QTest::addColumn<int>("formatByte");
        QTest::newRow("0xC1") << 0xC1;
        QTest::newRow("0x00") << 0x00;
        QTest::newRow("0xFF") << 0xFF;
    }
    void unknownFormatSetsNewDataButLeavesNoPacket()
    {
        QFETCH(int, formatByte);
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        StatusLine status;
        Ingest(store, cat, OfChannel(0), status);
        store.NewData = 0;
        DtFields bad = OfChannel(1);
        bad.FormatByte = static_cast<std::uint8_t>(formatByte);
        Ingest(store, cat, bad, status);
        QCOMPARE(store.NewData, 1);
        QCOMPARE(store.RingIndex, 1);
        QVERIFY(!status.Shown);
        QCOMPARE(int(store.PacketRing[1].SampleCount), 0);
        QCOMPARE(cat.Count(), 1);
    }

    void ingestWithoutRingOnlyFlagsNewData()
    {
        PacketStore store;
        ChannelCatalogue cat;
        StatusLine status;
        Ingest(store, cat, OfChannel(0), status);
        QCOMPARE(store.NewData, 1);
        QVERIFY(!status.Shown);
        QCOMPARE(cat.Count(), 0);
    }

    void statusLinePadsTheUnitWithBlanks()
    {
        PacketStore store = Ring(5, 0);
        ChannelCatalogue cat;
        StatusLine status;
        Ingest(store, cat, OfChannel(2, 1), status);
        QCOMPARE(QByteArray(status.Text),
                 QByteArray("DT   A3-1-2 (100-0) 2006.01.01 00:00:01.000 0"));
        Ingest(store, cat, OfChannel(2, 2), status);
        QCOMPARE(QByteArray(status.Text),
                 QByteArray("DT   A3-1-2 (100-100) 2006.01.01 00:00:02.000 1"));
        DtFields wide = OfChannel(31, 3);
        wide.DasId = 0x9A3C;
        wide.Stream = 12;
        wide.SampleCount = 250;
        wide.Hour = 23;
        wide.Msec = 5;
        Ingest(store, cat, wide, status);
        QCOMPARE(QByteArray(status.Text),
                 QByteArray("DT 9A3C-12-31 (250-0) 2006.01.01 23:00:03.005 2"));
    }

    void fullCatalogueKeepsNothingAndShowsRateZero()
    {
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        cat.MaxEntries = 0;
        StatusLine status;
        Ingest(store, cat, OfChannel(0, 1), status);
        Ingest(store, cat, OfChannel(0, 2), status);
        QCOMPARE(store.RingIndex, 0);
        QVERIFY(status.Shown);
        QCOMPARE(QByteArray(status.Text),
                 QByteArray("DT   A3-1-0 (100-0) 2006.01.01 00:00:02.000 0"));
    }

    void newAllocationClearsAFullRing()
    {
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        StatusLine status;
        for (int i = 0; i < 5; ++i)
            Ingest(store, cat, OfChannel(i), status);
        QCOMPARE(store.RingIndex, 2);
        QVERIFY(AllocateRing(store));
        QCOMPARE(store.RingIndex, 0);
        QCOMPARE(store.AllocatedSlots, 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(int(store.PacketRing[std::size_t(i)].SampleCount), 0);
            QCOMPARE(store.PacketRing[std::size_t(i)].Samples[5], 0);
        }
    }

    void allocationRefusesImpossibleRings_data()
    {
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<qint64>("physical");
        QTest::addColumn<bool>("allocated");
        QTest::newRow("zero") << 0 << qint64(0) << false;
        QTest::newRow("negative") << -5 << qint64(0) << false;
        QTest::newRow("one byte over memory") << 1000 << qint64(RingBytes(1000) - 1) << false;
        QTest::newRow("exactly memory") << 1000 << qint64(RingBytes(1000)) << true;
        QTest::newRow("largest count, system memory")
            << std::numeric_limits<std::int32_t>::max() << qint64(0) << false;
    }
    void allocationRefusesImpossibleRings()
    {
        QFETCH(int, slotCount);
        QFETCH(qint64, physical);
        QFETCH(bool, allocated);
        PacketStore store = Ring(2, 0);
        store.RingIndex = 1;
        store.NringBuffer = slotCount;
        QCOMPARE(AllocateRing(store, physical), allocated);
        QCOMPARE(store.RingIndex, 0);
        QCOMPARE(store.PacketRing != nullptr, allocated);
        QCOMPARE(store.AllocatedSlots, allocated ? slotCount : 0);
        // A packet for an absent ring is flagged and dropped, never written anywhere.
        ChannelCatalogue cat;
        StatusLine status;
        Ingest(store, cat, OfChannel(0), status);
        QCOMPARE(status.Shown, allocated);
    }

    void ringBytesCountInSixtyFourBits()
    {
        const std::int64_t count = std::numeric_limits<std::int32_t>::max();
        QCOMPARE(RingBytes(count), count * std::int64_t(sizeof(DtPacket)));
        QVERIFY(RingBytes(count) > std::numeric_limits<std::int32_t>::max());
        QCOMPARE(RingBytes(std::numeric_limits<std::int64_t>::max()),
                 std::numeric_limits<std::int64_t>::max());
        QCOMPARE(RingBytes(1000), std::int64_t(1000 * sizeof(DtPacket)));
    }

    void eventHeaderAndTrailerUpdateTheCatalogueAlike_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("EH") << QByteArray("EH");
        QTest::newRow("ET") << QByteArray("ET");
    }
    void eventHeaderAndTrailerUpdateTheCatalogueAlike()
    {
        QFETCH(QByteArray, type);
        ChannelCatalogue cat;
        const packetbytes::Packet p = packetbytes::BuildEventHeader(type.constData(), 0x9A3C, true);
        QVERIFY(IngestEventHeader(cat, nullptr, p));
        QCOMPARE(cat.Count(), 1);
        const DasStreamChanInfo& e = cat.Entries[0];
        QCOMPARE(int(e.Channel), 18);
        QCOMPARE(e.TraceColor, (Rgb{0, 0, 255}));
        QCOMPARE(e.Name, QStringLiteral("ST1"));
        QCOMPARE(e.SampleRate, 100.0);
        QCOMPARE(e.BitWeight, 0.002);
        QCOMPARE(e.UnitCode, QStringLiteral("M/S"));
    }

    void unusableEventHeaderChangesNothing()
    {
        ChannelCatalogue cat;
        packetbytes::Packet p = packetbytes::BuildEventHeader("EH", 0x9A3C, false);
        std::memcpy(p.data() + 92, "XYZ", 3);
        QVERIFY(IngestEventHeader(cat, nullptr, p));
        QCOMPARE(cat.Count(), 0);
    }

    void eventHeaderOnFullCatalogueStopsTheReceivePass()
    {
        ChannelCatalogue cat;
        cat.MaxEntries = 0;
        const packetbytes::Packet p = packetbytes::BuildEventHeader("EH", 0x9A3C, false);
        QVERIFY(!IngestEventHeader(cat, nullptr, p));
        QCOMPARE(cat.Count(), 0);
    }
};

QTEST_GUILESS_MAIN(PacketRingTest)
#include "tst_packetring.moc"
