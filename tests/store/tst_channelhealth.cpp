// Channel health from the packets the ingest takes in to the states and texts of a judgement,
// with the clock moved by hand.
#include "packets/dataformat.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "store/channelcatalogue.h"
#include "store/channelhealth.h"
#include "store/channelsettings.h"
#include "store/healthboard.h"
#include "store/healthtext.h"
#include "store/packetring.h"
#include "tests/common/inifile.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <memory>
#include <vector>

namespace {

constexpr std::int32_t kDay = 732692; // 1 January 2006
const std::int64_t kDayMs = std::int64_t{kDay} * 86400000;

// One channel (unit 9A3C, stream 0, channel 0) fed through FindOrAddChannel, as the ingest
// feeds it, and judged at clock times given in ms after midnight of the data's day.
struct Channel
{
    ChannelCatalogue Cat;
    HealthBoard Board;
    double Rate = 100.0;
    std::uint16_t Format = FormatSteim2;

    // n samples from ms after midnight: a small wave, or all of value v.
    void Put(double ms, int n) { Put(ms, Wave(n)); }
    void Put(double ms, int n, std::int32_t v) { Put(ms, std::vector<std::int32_t>(n, v)); }

    void Put(double ms, const std::vector<std::int32_t>& samples)
    {
        if (Cat.Entries.empty()) {
            // Known, as an event header makes it, before its first packet.
            Cat.Entries.emplace_back();
            Cat.Entries.back().DasId = 0x9A3C;
            Cat.Entries.back().SampleRate = Rate;
        }
        auto p = std::make_unique<DtPacket>();
        p->DasId = 0x9A3C;
        p->Format = Format;
        p->Time = TimeAdd(DayTime{kDay, 0.0}, ms);
        p->SampleCount = static_cast<std::uint16_t>(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            p->Samples[i] = samples[i];
        int index = -1;
        FindOrAddChannel(Cat, *p, index, nullptr);
    }

    static std::vector<std::int32_t> Wave(int n)
    {
        std::vector<std::int32_t> w(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            w[static_cast<std::size_t>(i)] = (i % 7) * 10;
        return w;
    }

    const ChannelHealth& Judge(double clockMs)
    {
        JudgeHealth(Board, Cat, kDayMs + qRound64(clockMs));
        return Cat.Entries.front().Health;
    }

    QString Mark() const { return HealthMarkText(Cat.Entries.front().Health); }
};

bool Has(const ChannelHealth& h, HealthState s)
{
    return (h.States & HealthBit(s)) != 0;
}

} // namespace

class ChannelHealthTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void silentOnlyAfterTheThreshold_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<double>("quietSeconds");
        QTest::addColumn<bool>("silent");
        QTest::newRow("just below") << 120 << 120.0 << false;
        QTest::newRow("just above") << 120 << 120.001 << true;
        QTest::newRow("own threshold") << 30 << 31.0 << true;
        QTest::newRow("0 turns it off") << 0 << 100000.0 << false;
    }
    void silentOnlyAfterTheThreshold()
    {
        QFETCH(int, threshold);
        QFETCH(double, quietSeconds);
        QFETCH(bool, silent);
        Channel c;
        c.Cat.Health.HealthSilentSeconds = threshold;
        c.Cat.Health.HealthLateSeconds = 0;
        c.Put(0, 100);
        QVERIFY(!Has(c.Judge(1000), HealthState::Silent));
        QCOMPARE(Has(c.Judge(1000 + quietSeconds * 1000), HealthState::Silent), silent);
        if (silent) {
            QCOMPARE(
                c.Mark(),
                QStringLiteral("silent %1").arg(HealthSpanText(qRound64(quietSeconds * 1000))));
            // The next packet ends it at once.
            c.Put(1000, 100);
            QVERIFY(!Has(c.Judge(2000 + quietSeconds * 1000), HealthState::Silent));
        }
    }

    void slowChannelIsSilentOnlyAfterThreeOfItsPackets()
    {
        Channel c;
        c.Rate = 1.0;
        c.Cat.Health.HealthLateSeconds = 0;
        c.Put(0, 100); // 100 s a packet
        c.Judge(100000);
        QVERIFY(!Has(c.Judge(100000 + 300000), HealthState::Silent));
        QVERIFY(Has(c.Judge(100000 + 301000), HealthState::Silent));
    }

    void lateBehindOrAheadOfTheClock_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<double>("delaySeconds"); // clock minus the data's end on arrival
        QTest::addColumn<bool>("late");
        QTest::addColumn<QString>("mark");
        QTest::newRow("behind, just below") << 60 << 60.0 << false << QString();
        QTest::newRow("behind, just above") << 60 << 60.001 << true << QStringLiteral("late 1 min");
        QTest::newRow("ahead, just below") << 60 << -60.0 << false << QString();
        QTest::newRow("ahead, just above")
            << 60 << -60.001 << true << QStringLiteral("ahead 1 min");
        QTest::newRow("ahead by hours") << 60 << -7200.0 << true << QStringLiteral("ahead 2 h");
        QTest::newRow("0 turns it off") << 0 << 7200.0 << false << QString();
    }
    void lateBehindOrAheadOfTheClock()
    {
        QFETCH(int, threshold);
        QFETCH(double, delaySeconds);
        QFETCH(bool, late);
        QFETCH(QString, mark);
        Channel c;
        c.Cat.Health.HealthLateSeconds = threshold;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Put(0, 100); // ends at 1 s
        const ChannelHealth& h = c.Judge(1000 + delaySeconds * 1000);
        QCOMPARE(Has(h, HealthState::Late), late);
        QCOMPARE(h.DelayMs, qRound64(delaySeconds * 1000));
        QCOMPARE(c.Mark(), mark);
    }

    void lateChannelIsWellAgainOnlyAfterTheHold()
    {
        Channel c;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Put(0, 100);
        QVERIFY(Has(c.Judge(1000 + 90000), HealthState::Late));
        // The link catches up: the backlog comes at once, and the state stays for the hold.
        for (int s = 1; s < 91; ++s)
            c.Put(s * 1000.0, 100);
        QVERIFY(Has(c.Judge(92000), HealthState::Late));
        QVERIFY(Has(c.Judge(92000 + kMinHoldMs - 1000), HealthState::Late));
        const ChannelHealth& h = c.Judge(92000 + kMinHoldMs);
        QVERIFY(!Has(h, HealthState::Late));
        QCOMPARE(h.Worst, HealthState::Ok);
    }

    void slowChannelIsNotLateBetweenItsPackets()
    {
        Channel c;
        c.Rate = 1.0;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Put(0, 100); // ends at 100 s, sent then
        for (double t = 100000; t < 200000; t += 1000)
            QVERIFY2(!Has(c.Judge(t), HealthState::Late), qPrintable(QString::number(t)));
        // No next packet one span later: now it is late.
        QVERIFY(Has(c.Judge(100000 + 161000), HealthState::Late));
    }

    void flatAfterTheFlatSpan_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("counts");
        QTest::addColumn<int>("spanSeconds"); // of samples within the swing
        QTest::addColumn<int>("swing");       // max - min of the samples
        QTest::addColumn<bool>("flat");
        QTest::newRow("span just below") << 60 << 2 << 59 << 0 << false;
        QTest::newRow("span reached") << 60 << 2 << 60 << 0 << true;
        QTest::newRow("swing at the counts") << 60 << 2 << 70 << 2 << true;
        QTest::newRow("swing just above") << 60 << 2 << 70 << 3 << false;
        QTest::newRow("0 seconds turns it off") << 0 << 2 << 70 << 0 << false;
        QTest::newRow("0 counts turns it off") << 60 << 0 << 70 << 0 << false;
    }
    void flatAfterTheFlatSpan()
    {
        QFETCH(int, seconds);
        QFETCH(int, counts);
        QFETCH(int, spanSeconds);
        QFETCH(int, swing);
        QFETCH(bool, flat);
        Channel c;
        c.Cat.Health.HealthFlatSeconds = seconds;
        c.Cat.Health.HealthFlatCounts = counts;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Cat.Health.HealthLateSeconds = 0;
        c.Put(0, {0, 500, -500, 0}); // a live signal before
        for (int s = 0; s < spanSeconds; ++s) {
            std::vector<std::int32_t> samples(100, 1000);
            samples[50] = 1000 + swing;
            c.Put(40 + s * 1000.0, samples);
        }
        const ChannelHealth& h = c.Judge(40 + spanSeconds * 1000.0);
        QCOMPARE(Has(h, HealthState::Flat), flat);
        QCOMPARE(c.Mark(), flat ? QStringLiteral("flat") : QString());
    }

    void flatRunMayStartInsideAPacket_data()
    {
        QTest::addColumn<int>("moving"); // first samples of a 100 s packet at 10 per second
        QTest::addColumn<bool>("flat");
        QTest::newRow("last 60 s still") << 400 << true;
        QTest::newRow("last 59.9 s still") << 401 << false;
    }
    void flatRunMayStartInsideAPacket()
    {
        QFETCH(int, moving);
        QFETCH(bool, flat);
        Channel c;
        c.Rate = 10.0;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Cat.Health.HealthLateSeconds = 0;
        std::vector<std::int32_t> samples(1000, 7);
        for (int i = 0; i < moving; ++i)
            samples[static_cast<std::size_t>(i)] = (i % 7) * 10;
        c.Put(0, samples);
        QCOMPARE(Has(c.Judge(100000), HealthState::Flat), flat);
    }

    void clippedNeedsThreeSamplesAtFullScale_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("clipCount"); // the channel's own, -1 none
        QTest::addColumn<std::vector<std::int32_t>>("first");
        QTest::addColumn<std::vector<std::int32_t>>("second");
        QTest::addColumn<bool>("clipped");
        using V = std::vector<std::int32_t>;
        const int s2 = FormatSteim2;
        const int i16 = FormatInt16;
        QTest::newRow("two at 2^23-1") << s2 << -1 << V{0, 8388607, 8388607, 0} << V{1} << false;
        QTest::newRow("three at 2^23-1")
            << s2 << -1 << V{0, 8388607, 8388607, 8388607} << V{1} << true;
        QTest::newRow("three at -(2^23-1)")
            << s2 << -1 << V{-8388607, -8388607, -8388607} << V{1} << true;
        QTest::newRow("three just below")
            << s2 << -1 << V{8388606, 8388606, 8388606} << V{1} << false;
        QTest::newRow("three across packets")
            << s2 << -1 << V{0, 8388607, 8388607} << V{8388607, 0} << true;
        QTest::newRow("broken run across packets")
            << s2 << -1 << V{0, 8388607, 8388607} << V{0, 8388607} << false;
        QTest::newRow("16-bit at 32767") << i16 << -1 << V{32767, 32767, 32767} << V{1} << true;
        QTest::newRow("16-bit at -32768") << i16 << -1 << V{-32768, -32768, -32768} << V{1} << true;
        QTest::newRow("16-bit just below") << i16 << -1 << V{32766, 32766, 32766} << V{1} << false;
        QTest::newRow("own full scale") << s2 << 1000 << V{1000, 1000, 1000} << V{1} << true;
        QTest::newRow("own full scale, two") << s2 << 1000 << V{1000, 1000, 5} << V{1} << false;
        QTest::newRow("0 turns it off") << s2 << 0 << V{8388607, 8388607, 8388607} << V{1} << false;
    }
    void clippedNeedsThreeSamplesAtFullScale()
    {
        QFETCH(int, format);
        QFETCH(int, clipCount);
        QFETCH(std::vector<std::int32_t>, first);
        QFETCH(std::vector<std::int32_t>, second);
        QFETCH(bool, clipped);
        Channel c;
        c.Format = static_cast<std::uint16_t>(format);
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Cat.Health.HealthLateSeconds = 0;
        c.Put(0, {1});
        c.Cat.Entries.front().Health.ClipCount = clipCount;
        c.Put(10, first);
        c.Put(10 + first.size() * 10.0, second);
        QCOMPARE(Has(c.Judge(2000), HealthState::Clipped), clipped);
        if (!clipped)
            return;
        QCOMPARE(c.Mark(), QStringLiteral("clipped"));
        // Kept for a minute after the last run at full scale, then gone.
        QVERIFY(Has(c.Judge(2000 + kClipHoldMs - 1000), HealthState::Clipped));
        QVERIFY(!Has(c.Judge(2000 + kClipHoldMs), HealthState::Clipped));
    }

    void gapsAndOverlapsBeyondOneAndAHalfSamples_data()
    {
        QTest::addColumn<double>("offsetMs"); // of the second packet from the first one's end
        QTest::addColumn<int>("gaps");
        QTest::addColumn<int>("overlaps");
        QTest::addColumn<QString>("mark");
        // 100 samples per second: 1.5 samples are 15 ms.
        QTest::newRow("on time") << 0.0 << 0 << 0 << QString();
        QTest::newRow("late by 1.5 samples") << 15.0 << 0 << 0 << QString();
        QTest::newRow("late by more") << 16.0 << 1 << 0 << QStringLiteral("1 gap");
        QTest::newRow("early by 1.5 samples") << -15.0 << 0 << 0 << QString();
        QTest::newRow("early by more") << -16.0 << 0 << 1 << QStringLiteral("1 overlap");
    }
    void gapsAndOverlapsBeyondOneAndAHalfSamples()
    {
        QFETCH(double, offsetMs);
        QFETCH(int, gaps);
        QFETCH(int, overlaps);
        QFETCH(QString, mark);
        Channel c;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Cat.Health.HealthLateSeconds = 0;
        c.Put(0, 100, 1);
        c.Put(1000 + offsetMs, {5, 1, 3});
        const ChannelHealth& h = c.Judge(2000);
        QCOMPARE(h.GapsHour, static_cast<std::uint32_t>(gaps));
        QCOMPARE(h.OverlapsHour, static_cast<std::uint32_t>(overlaps));
        QCOMPARE(h.MissingHourMs, gaps ? static_cast<std::int64_t>(offsetMs) : 0);
        QCOMPARE(c.Mark(), mark);
        QCOMPARE(h.LastMin, 1);
        QCOMPARE(h.LastMax, 5);
    }

    void lastMinMaxReachEverySample_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one") << 1;
        QTest::newRow("odd") << 37;
        QTest::newRow("long") << 1999;
    }
    void lastMinMaxReachEverySample()
    {
        QFETCH(int, count);
        Channel c;
        std::vector<std::int32_t> samples(static_cast<std::size_t>(count), 3);
        samples.back() = -8000000;
        samples[static_cast<std::size_t>(count / 2)] += 9; // the last itself when one
        c.Put(0, samples);
        const ChannelHealth& h = c.Cat.Entries.front().Health;
        QCOMPARE(h.LastMin, count == 1 ? -7999991 : -8000000);
        QCOMPARE(h.LastMax, count == 1 ? -7999991 : 12);
    }

    void gapsCountOnlyTheLastHour()
    {
        Channel c;
        c.Cat.Health.HealthSilentSeconds = 0;
        c.Cat.Health.HealthLateSeconds = 0;
        c.Put(0, 100);
        c.Put(3000, 100); // 2 s missing
        QCOMPARE(c.Judge(4000).MissingHourMs, std::int64_t{2000});
        c.Put(7000, 100); // 3 s more, a minute later on the clock
        const ChannelHealth& h = c.Judge(64000);
        QCOMPARE(h.GapsHour, 2U);
        QCOMPARE(h.MissingHourMs, std::int64_t{5000});
        QCOMPARE(c.Mark(), QStringLiteral("2 gaps"));
        QCOMPARE(c.Judge(4000 + 3600000).GapsHour, 1U);
        const ChannelHealth& later = c.Judge(64000 + 3600000);
        QCOMPARE(later.GapsHour, 0U);
        QCOMPARE(later.Worst, HealthState::Ok);
    }

    void neverHeardOnlyWhileSelected()
    {
        ChannelCatalogue cat;
        EventHeaderInfo info;
        info.DasId = 0x9A3C;
        info.SampleRate = 100;
        info.Positions[0] = EventPosition{0.002, 20.0, UnitKind::V};
        info.Positions[1] = EventPosition{0.002, 20.0, UnitKind::V};
        QVERIFY(UpdateFromEventHeader(cat, info, nullptr));
        cat.Entries[1].Active = 1; // chosen in the selection dialog
        HealthBoard board;
        JudgeHealth(board, cat, kDayMs);
        QCOMPARE(cat.Entries[0].Health.Worst, HealthState::Idle);
        QCOMPARE(cat.Entries[1].Health.Worst, HealthState::NeverHeard);
        QCOMPARE(board.Counts.Total, 1);
        QCOMPARE(HealthFieldText(board.Counts), QStringLiteral("1 of 1 channel never heard"));
    }

    void storedSelectionNeverHeardIsCountedUntilItComes()
    {
        const auto stored = IniWith(dir, "DasStreamChanInfo\\9A3C0000\\Active=1\n"
                                         "DasStreamChanInfo\\9A3C0001\\Active=1\n"
                                         "DasStreamChanInfo\\9A3C0001\\Name=NORTH\n"
                                         "DasStreamChanInfo\\9A3C0002\\Active=0\n"
                                         "DasStreamChanInfo\\BAD\\Active=1\n");
        Channel c;
        ReadStoredSelection(*stored, c.Board);
        QCOMPARE(c.Board.Stored.size(), std::size_t{2});
        c.Put(0, 100); // channel 0 only
        c.Cat.Entries.front().Active = 1;
        c.Judge(1000);
        QCOMPARE(c.Board.Counts.Total, 2);
        QCOMPARE(HealthFieldText(c.Board.Counts), QStringLiteral("1 of 2 channels never heard"));
        const std::vector<HealthRow> rows = HealthRows(c.Board, c.Cat);
        QCOMPARE(rows.size(), std::size_t{2});
        QCOMPARE(rows[0].Stored, 1);
        QCOMPARE(c.Board.Stored[1].Name, QStringLiteral("NORTH"));
        QCOMPARE(rows[1].Entry, 0);
    }

    void fieldTextPutsTheWorstFirst_data()
    {
        QTest::addColumn<std::vector<int>>("byWorst"); // never, silent, late, clip, flat, gaps, ok
        QTest::addColumn<QString>("text");
        using V = std::vector<int>;
        QTest::newRow("none") << V{0, 0, 0, 0, 0, 0, 0} << QStringLiteral("No channels");
        QTest::newRow("one OK") << V{0, 0, 0, 0, 0, 0, 1} << QStringLiteral("1 channel OK");
        QTest::newRow("all OK") << V{0, 0, 0, 0, 0, 0, 12} << QStringLiteral("12 channels OK");
        QTest::newRow("silent and flat")
            << V{0, 2, 0, 0, 1, 0, 9} << QStringLiteral("2 of 12 channels silent · 1 flat");
        QTest::newRow("every state")
            << V{1, 1, 1, 1, 1, 1, 0}
            << QStringLiteral(
                   "1 of 6 channels never heard · 1 silent · 1 late · 1 clipped · 1 flat · 1 "
                   "with gaps");
    }
    void fieldTextPutsTheWorstFirst()
    {
        QFETCH(std::vector<int>, byWorst);
        QFETCH(QString, text);
        HealthCounts counts;
        for (std::size_t i = 0; i < byWorst.size(); ++i) {
            counts.ByWorst[i] = byWorst[i];
            counts.Total += byWorst[i];
        }
        QCOMPARE(HealthFieldText(counts), text);
    }

    void spanTextRoundsDownToItsUnit_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds") << qint64{59999} << QStringLiteral("59 s");
        QTest::newRow("minutes") << qint64{60000} << QStringLiteral("1 min");
        QTest::newRow("last minute") << qint64{3599999} << QStringLiteral("59 min");
        QTest::newRow("hours") << qint64{3600000} << QStringLiteral("1 h");
        QTest::newRow("days") << qint64{2 * 86400000LL} << QStringLiteral("2 d");
        QTest::newRow("sign dropped") << qint64{-42000} << QStringLiteral("42 s");
    }
    void spanTextRoundsDownToItsUnit()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(HealthSpanText(ms), text);
    }

    void ownFullScaleIsKeptBySave()
    {
        const auto stored = IniWith(dir, "DasStreamChanInfo\\9A3C0000\\Active=1\n"
                                         "DasStreamChanInfo\\9A3C0000\\HealthClipCount=1000\n");
        DasStreamChanInfo e;
        e.DasId = 0x9A3C;
        ReadChannelSettings(stored.get(), e);
        QCOMPARE(e.Health.ClipCount, 1000);
        DasStreamChanInfo other;
        other.DasId = 0x9A3C;
        other.Channel = 1;
        ReadChannelSettings(stored.get(), other);
        QCOMPARE(other.Health.ClipCount, -1);
        const auto saved = OpenSettingsStore(WriteIni(dir, ""));
        const DasStreamChanInfo both[] = {e, other};
        SaveChannelSettings(*saved, both);
        QCOMPARE(saved
                     ->value(QStringLiteral("/ovqt_dislay/DasStreamChanInfo/9A3C0000/"
                                            "HealthClipCount"))
                     .toInt(),
                 1000);
        QVERIFY(!saved->contains(
            QStringLiteral("/ovqt_dislay/DasStreamChanInfo/9A3C0001/HealthClipCount")));
    }

    void ingestOfRealPacketsNotesHealthWithoutTheClock()
    {
        PacketStore store;
        store.NringBuffer = 4;
        QVERIFY(AllocateRing(store));
        ChannelCatalogue cat;
        StatusLine status;
        testpackets::Packet p = testpackets::Int16Dt(0x9A3C, 0, 0, 1, 3);
        for (int i = 0; i < 3; ++i) {
            p[24 + 2 * i] = 0x7F;
            p[25 + 2 * i] = 0xFF; // 32767
        }
        IngestDtPacket(store, cat, nullptr, p, status);
        const ChannelHealth& h = cat.Entries.front().Health;
        QVERIFY(h.Heard);
        QVERIFY(h.ClipSeen);
        QCOMPARE(h.FullScale, 32767);
        QCOMPARE(h.LastHeardMs, std::int64_t{-1});
    }

    void switchedOffWatchJudgesEveryChannelWell()
    {
        Channel c;
        c.Cat.Health.Enabled = false;
        c.Put(0, 3, 8388607);
        QCOMPARE(c.Judge(1000000).Worst, HealthState::Ok);
        QVERIFY(!c.Cat.Entries.front().Health.ClipSeen);
    }
};

QTEST_APPLESS_MAIN(ChannelHealthTest)
#include "tst_channelhealth.moc"
