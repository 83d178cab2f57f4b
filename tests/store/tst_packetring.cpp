// Runs inside an application object under a decimal-comma locale (see CMakeLists.txt).
#include "store/channelcatalogue.h"
#include "store/packetring.h"
#include "tests/common/commalocale.h"
#include "tests/common/inifile.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <limits>

using testpackets::Int16Dt;

namespace {

// The status line as the status bar would show it.
QByteArray Text(const StatusLine& line)
{
    char text[128];
    FormatStatusLine(line, text, sizeof text);
    return QByteArray(text);
}

PacketStore Ring(int slotCount, int keepSel)
{
    PacketStore store;
    store.NringBuffer = slotCount;
    store.KeepSel = keepSel;
    if (!AllocateRing(store))
        qFatal("ring of %d slots not allocated", slotCount);
    return store;
}

// Channel c of unit 0x00A3, stream 1, at 00:00:second.
void Ingest(PacketStore& store, ChannelCatalogue& cat, int c, int second, StatusLine& status,
            const QSettings* stored = nullptr)
{
    IngestDtPacket(store, cat, stored,
                   Int16Dt(0x00A3, 1, static_cast<unsigned>(c), static_cast<unsigned>(second)),
                   status);
}

} // namespace

class PacketRingTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { RequireCommaLocale(); }

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
        PacketStore store = Ring(10, keepSel);
        ChannelCatalogue cat;
        StatusLine status;
        for (int i = 0; i < channels.size(); ++i) {
            const int slot = store.RingIndex;
            QCOMPARE(slot, indices[i]);
            Ingest(store, cat, channels[i], i + 1, status, stored.get());
            // The line names the slot holding the packet, kept or not.
            QCOMPARE(Text(status).split(' ').last(), QByteArray::number(slot));
            QCOMPARE(int(store.PacketRing[std::size_t(slot)].Channel), channels[i]);
        }
    }

    void ringWrapsOverTheOldestAndUnkeptPacketsStayInOneSlot()
    {
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        StatusLine status;
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            seen << store.RingIndex;
            Ingest(store, cat, i, 1, status);
        }
        QCOMPARE(seen, (QList<int>{0, 1, 2, 0}));
        QCOMPARE(int(store.PacketRing[0].Channel), 3);

        PacketStore selected = Ring(3, 1); // nothing active
        for (int i = 0; i < 5; ++i)
            Ingest(selected, cat, i % 3, i, status);
        QCOMPARE(selected.RingIndex, 0);
        QCOMPARE(int(selected.PacketRing[0].Channel), 1);
        QCOMPARE(int(selected.PacketRing[1].SampleCount), 0);

        PacketStore one = Ring(1, 0);
        Ingest(one, cat, 0, 1, status);
        Ingest(one, cat, 2, 2, status);
        QCOMPARE(one.RingIndex, 0);
        QCOMPARE(int(one.PacketRing[0].Channel), 2);
    }

    void refusedFormatSetsNewDataButLeavesAnEmptySlot()
    {
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        StatusLine status;
        Ingest(store, cat, 0, 1, status);
        store.NewData = 0;
        testpackets::Packet bad = Int16Dt(0x00A3, 1, 1);
        bad[23] = 0xC1;
        IngestDtPacket(store, cat, nullptr, bad, status);
        QCOMPARE(store.NewData, 1);
        QCOMPARE(store.RingIndex, 1);
        QVERIFY(!status.Shown);
        QCOMPARE(int(store.PacketRing[1].SampleCount), 0);
        QCOMPARE(cat.Count(), 1);
        IngestDtPacket(store, cat, nullptr, std::span(bad).first(1000), status);
        QVERIFY(!status.Shown);
    }

    // printf's "%g" would write the rate as "0,1" here.
    void statusLineUnderCommaLocale()
    {
        PacketStore store = Ring(5, 0);
        ChannelCatalogue cat;
        StatusLine status;
        Ingest(store, cat, 2, 1, status);
        QCOMPARE(Text(status), QByteArray("DT   A3-1-2 (100-0) 2006.01.01 00:00:01.000 0"));
        cat.Entries[0].MeasuredRate = 0.1;
        Ingest(store, cat, 2, 2, status);
        QCOMPARE(Text(status), QByteArray("DT   A3-1-2 (100-0.1) 2006.01.01 00:00:02.000 1"));
        testpackets::Header h;
        h.Hour = 23;
        h.Minute = 0;
        h.Second = 3;
        h.Msec = 5;
        IngestDtPacket(store, cat, nullptr, testpackets::DtBytes(0x16, 250, 12, 31, h), status);
        QCOMPARE(Text(status), QByteArray("DT 9A3C-12-31 (250-0) 2006.01.01 23:00:03.005 2"));
    }

    void fullCatalogueKeepsNothingAndShowsRateZero()
    {
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        cat.MaxEntries = 0;
        StatusLine status;
        Ingest(store, cat, 0, 1, status);
        Ingest(store, cat, 0, 2, status);
        QCOMPARE(store.RingIndex, 0);
        QCOMPARE(Text(status), QByteArray("DT   A3-1-0 (100-0) 2006.01.01 00:00:02.000 0"));
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
        PacketStore store = Ring(3, 0);
        ChannelCatalogue cat;
        StatusLine status;
        for (int i = 0; i < 5; ++i)
            Ingest(store, cat, i, 1, status);
        store.NringBuffer = slotCount;
        QCOMPARE(AllocateRing(store, physical), allocated);
        QCOMPARE(store.RingIndex, 0);
        QCOMPARE(store.AllocatedSlots, allocated ? slotCount : 0);
        if (allocated)
            QCOMPARE(int(store.PacketRing[0].SampleCount), 0);
        // A packet for an absent ring is flagged and dropped, never written anywhere.
        Ingest(store, cat, 0, 1, status);
        QCOMPARE(status.Shown, allocated);
        QCOMPARE(RingBytes(std::numeric_limits<std::int32_t>::max()),
                 std::int64_t{std::numeric_limits<std::int32_t>::max()} *
                     std::int64_t(sizeof(DtPacket)));
    }
};

QTEST_GUILESS_MAIN(PacketRingTest)
#include "tst_packetring.moc"
