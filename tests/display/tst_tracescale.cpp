#include "display/channelindex.h"
#include "display/cpuclock.h"
#include "display/displaystate.h"
#include "display/timewindow.h"
#include "display/tracemapping.h"
#include "display/tracescale.h"
#include "display/tracestatistics.h"
#include "plotfixture.h"

#include <QDateTime>
#include <QtTest>

#include <limits>
#include <numeric>
#include <tuple>

namespace {

constexpr std::int32_t kTop = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kBottom = std::numeric_limits<std::int32_t>::min();

DasStreamChanInfo WithCounts(std::int32_t min, std::int32_t max)
{
    DasStreamChanInfo e;
    e.Active = 1;
    e.MinCount = min;
    e.MaxCount = max;
    return e;
}

// Each active entry's scale, "low..high", blanks between.
QString Scales(const ChannelCatalogue& cat)
{
    QStringList out;
    for (const DasStreamChanInfo& e : cat.Entries)
        out << QStringLiteral("%1..%2").arg(e.ScaleLow).arg(e.ScaleHigh);
    return out.join(u' ');
}

} // namespace

class TraceScaleTest : public QObject
{
    Q_OBJECT

private slots:
    void scaleModesGiveTheirLimits_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("firstRange");
        QTest::addColumn<QString>("scales");
        // Traces 100..300 and 1000..1400; gSpan 400, gMin 100, gMax 1400.
        QTest::newRow("individual, factor 0.5") << 0 << 0.5 << 200 << "150..250 1100..1300";
        QTest::newRow("individual, factor 2") << 0 << 2.0 << 200 << "0..400 800..1600";
        QTest::newRow("common") << 2 << 1.0 << 400 << "0..400 1000..1400";
        QTest::newRow("common, factor 0.5") << 2 << 0.5 << 400 << "100..300 1100..1300";
        QTest::newRow("absolute ignores factor") << 1 << 3.0 << 1300 << "100..1400 100..1400";
        QTest::newRow("unknown mode scales individually")
            << 7 << 1.0 << 200 << "100..300 1000..1400";
    }
    void scaleModesGiveTheirLimits()
    {
        QFETCH(int, mode);
        QFETCH(double, factor);
        ChannelCatalogue cat;
        cat.Entries = {WithCounts(100, 300), WithCounts(1000, 1400)};
        DisplayState ds;
        ds.AmpScale = mode;
        ds.ScaleFactor = factor;
        ComputeScales(cat, ds, FinishStatistics(cat));
        QTEST(cat.Entries[0].RangeCount, "firstRange");
        QTEST(Scales(cat), "scales");
    }

    void lockKeepsItsScaleAndStatistics()
    {
        ChannelCatalogue cat;
        cat.Entries = {WithCounts(-3, 100), WithCounts(1000, 1400)};
        DisplayState ds;
        ds.AmpScale = ScaleCommon;
        ComputeScales(cat, ds, FinishStatistics(cat));
        QCOMPARE(Scales(cat), QStringLiteral("-152..248 1000..1400"));

        // Lock keeps the minimum, maximum and mean, but counts the samples again.
        ds.AmpScale = ScaleLock;
        ds.ScaleFactor = 4.0;
        DasStreamChanInfo& e = cat.Entries[0];
        e.Mean = 1.5;
        e.MeanCount = 8;
        ResetChannels(cat, ds);
        QCOMPARE(std::tuple(e.MinCount, e.MaxCount, e.Mean, e.MeanCount),
                 std::tuple(-3, 100, 1.5, 0));
        e.MinCount = -99999; // new data in the window must not move the scale
        ComputeScales(cat, ds, FinishStatistics(cat));
        QCOMPARE(Scales(cat), QStringLiteral("-152..248 1000..1400"));
        QCOMPARE(e.RangeCount, 400);

        // Any other mode starts the statistics afresh.
        ds.AmpScale = ScaleIndividual;
        ResetChannels(cat, ds);
        QCOMPARE(std::tuple(e.MinCount, e.MaxCount, e.RangeCount, e.Mean),
                 std::tuple(0, 0, 0, 0.0));
    }

    void fullScaleDataDoesNotWrap_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("fullMin");
        QTest::addColumn<int>("otherMin");
        QTest::addColumn<int>("otherMax");
        for (const int fullMin : {-kTop, kBottom}) {
            const char* low = fullMin == kBottom ? "INT32_MIN" : "-INT32_MAX";
            QTest::addRow("individual, %s", low) << 0 << 1.0 << fullMin << 0 << 10;
            QTest::addRow("individual, factor 2, %s", low) << 0 << 2.0 << fullMin << 0 << 10;
            QTest::addRow("individual, factor 0.5, %s", low) << 0 << 0.5 << fullMin << 0 << 10;
            QTest::addRow("common, %s", low) << 2 << 1.0 << fullMin << kTop - 10 << kTop;
            QTest::addRow("common, negative neighbour, %s", low)
                << 2 << 1.0 << fullMin << kBottom << kBottom + 10;
            QTest::addRow("absolute, %s", low) << 1 << 1.0 << fullMin << 0 << 10;
        }
    }
    void fullScaleDataDoesNotWrap()
    {
        QFETCH(int, mode);
        QFETCH(double, factor);
        QFETCH(int, fullMin);
        QFETCH(int, otherMin);
        QFETCH(int, otherMax);
        ChannelCatalogue cat;
        cat.Entries = {WithCounts(fullMin, kTop), WithCounts(otherMin, otherMax)};
        DisplayState ds;
        ds.AmpScale = mode;
        ds.ScaleFactor = factor;
        ComputeScales(cat, ds, FinishStatistics(cat));
        for (const DasStreamChanInfo& e : cat.Entries) {
            QVERIFY(e.ScaleLow < e.ScaleHigh);
            QVERIFY(e.RangeCount > 0);
            const int ya = 10;
            const int yb = 110;
            // Both extremes of every trace stay in the band, on the side they belong to.
            const int yMin = SampleY(e.MinCount, e.ScaleLow, e.ScaleHigh, ya, yb);
            const int yMax = SampleY(e.MaxCount, e.ScaleLow, e.ScaleHigh, ya, yb);
            QVERIFY(yMin >= yMax);
            QVERIFY(yMin >= ya && yMin <= yb);
            QVERIFY(yMax >= ya && yMax <= yb);
        }
        const DasStreamChanInfo& full = cat.Entries[0];
        if (factor <= 1.0) {
            QCOMPARE(SampleY(kTop, full.ScaleLow, full.ScaleHigh, 10, 110), 10);
            QCOMPARE(SampleY(fullMin, full.ScaleLow, full.ScaleHigh, 10, 110), 110);
        } else {
            QVERIFY(SampleY(kTop, full.ScaleLow, full.ScaleHigh, 10, 110) <= 36);
            QVERIFY(SampleY(fullMin, full.ScaleLow, full.ScaleHigh, 10, 110) >= 84);
        }
        QVERIFY(qAbs(SampleY(0, full.ScaleLow, full.ScaleHigh, 10, 110) - 60) <= 1);
    }

    void hugeScaleFactorSaturates()
    {
        DasStreamChanInfo e = WithCounts(-5, 5);
        for (double factor : {1e300, -1e300, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()}) {
            ScaleEntry(e, ScaleIndividual, factor, GlobalFigures{});
            QVERIFY(e.ScaleLow <= e.ScaleHigh || factor < 0);
        }
        ScaleEntry(e, ScaleIndividual, 1e300, GlobalFigures{});
        QCOMPARE(e.ScaleLow, std::numeric_limits<std::int32_t>::min());
        QCOMPARE(e.ScaleHigh, kTop);
    }

    void sampleRowsStayInTheBand_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("row");
        QTest::newRow("bottom edge") << 0 << 0 << 100 << 200;
        QTest::newRow("top edge") << 100 << 0 << 100 << 100;
        QTest::newRow("middle") << 50 << 0 << 100 << 150;
        QTest::newRow("above the scale clamps to the top") << 1000 << 0 << 100 << 100;
        QTest::newRow("below the scale clamps to the bottom") << -1000 << 0 << 100 << 200;
        QTest::newRow("no span: middle") << 12345 << 7 << 7 << 150;
        QTest::newRow("inverted scale: middle") << 0 << 10 << -10 << 150;
        QTest::newRow("difference beyond 32 bits") << kTop << -kTop << 0 << 100;
        QTest::newRow("negative difference beyond 32 bits") << -kTop << 0 << kTop << 200;
    }
    void sampleRowsStayInTheBand()
    {
        QFETCH(int, sample);
        QFETCH(int, low);
        QFETCH(int, high);
        QTEST(SampleY(sample, low, high, 100, 200), "row");
    }

    void windowEdgesCountExactly()
    {
        // 10 samples per second; the window of 2 s ends at 10:00:00 and holds the samples at
        // -2.0 ... 0.0, both edges included.
        ChannelCatalogue cat;
        cat.Entries = {ActiveChannel(1, 0, 0, 0, 10.0, TenOClock())};
        DisplayState ds;
        ds.TimeRange = 2;
        PacketStore store = MakeRing(4);
        std::vector<std::int32_t> samples(40);
        std::iota(samples.begin(), samples.end(), 0);
        PutPacket(store, cat.Entries[0], TenOClock(-3.0), samples);
        ResetChannels(cat, ds);
        GatherStatistics(cat, ChannelIndex(cat), store, ds.TimeRange);
        FinishStatistics(cat);
        const DasStreamChanInfo& e = cat.Entries[0];
        QCOMPARE(std::tuple(e.MeanCount, e.MinCount, e.MaxCount, e.Mean),
                 std::tuple(21, 10, 30, 20.0));
    }

    void packetsOutsideTheWindowAreLeftOut_data()
    {
        QTest::addColumn<double>("startSeconds");
        QTest::addColumn<int>("active");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("measuredRate");
        QTest::addColumn<int>("otherChannel");
        QTest::addColumn<int>("counted");
        QTest::newRow("inside") << -5.0 << 1 << 1.0 << 0.0 << 0 << 6;
        QTest::newRow("starts after the window end") << 0.5 << 1 << 1.0 << 0.0 << 0 << 0;
        QTest::newRow("starts exactly at the window end") << 0.0 << 1 << 1.0 << 0.0 << 0 << 1;
        QTest::newRow("ends at the window start") << -20.0 << 1 << 1.0 << 0.0 << 0 << 0;
        QTest::newRow("ends before the window") << -21.0 << 1 << 1.0 << 0.0 << 0 << 0;
        QTest::newRow("inactive channel") << -5.0 << 0 << 1.0 << 0.0 << 0 << 0;
        QTest::newRow("no rate") << -5.0 << 1 << 0.0 << 0.0 << 0 << 0;
        QTest::newRow("measured rate stands in") << -5.0 << 1 << 0.0 << 2.0 << 0 << 10;
        QTest::newRow("channel not in the catalogue") << -5.0 << 1 << 1.0 << 0.0 << 1 << 0;
    }
    void packetsOutsideTheWindowAreLeftOut()
    {
        QFETCH(double, startSeconds);
        QFETCH(int, active);
        QFETCH(double, rate);
        QFETCH(double, measuredRate);
        QFETCH(int, otherChannel);
        ChannelCatalogue cat;
        cat.Entries = {ActiveChannel(1, 0, 0, 0, rate, TenOClock())};
        cat.Entries[0].Active = active;
        cat.Entries[0].MeasuredRate = measuredRate;
        DisplayState ds;
        ds.TimeRange = 10;
        PacketStore store = MakeRing(2);
        DasStreamChanInfo sender = cat.Entries[0];
        sender.Channel = static_cast<std::uint16_t>(sender.Channel + otherChannel);
        PutPacket(store, sender, TenOClock(startSeconds), std::vector<std::int32_t>(10, 7));
        ResetChannels(cat, ds);
        GatherStatistics(cat, ChannelIndex(cat), store, ds.TimeRange);
        QTEST(cat.Entries[0].MeanCount, "counted");
    }

    void globalFiguresStartAtTheFirstNonZeroEntry()
    {
        ChannelCatalogue cat;
        cat.Entries = {WithCounts(0, 0), WithCounts(50, 80), WithCounts(60, 200)};
        cat.Entries.push_back(WithCounts(-9999, 9999));
        cat.Entries.back().Active = 0;
        const GlobalFigures g = FinishStatistics(cat);
        QCOMPARE(std::tuple(g.Min, g.Max, g.Span), std::tuple(50, 200, std::int64_t{140}));

        cat.Entries = {WithCounts(-kTop, kTop)};
        QCOMPARE(FinishStatistics(cat).Span, std::int64_t{2} * kTop);
    }

    void timeModesChooseTheWindowEnd_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QList<double>>("ends");
        // Channels: unit 1 stream 0 ends 10:00:05; unit 1 stream 0 ends 10:00:03; unit 1 stream 1
        // ends 10:00:01; unit 2 stream 0 ends 10:00:09 but is inactive; unit 3 ends 10:00:02.
        QTest::newRow("per channel") << 0 << 0 << QList<double>{5, 3, 1, 9, 2};
        QTest::newRow("per channel, shifted back")
            << 0 << -60 << QList<double>{-55, -57, -59, 9, -58};
        QTest::newRow("common") << 1 << 0 << QList<double>{5, 5, 5, 9, 5};
        QTest::newRow("common, shifted") << 1 << 10 << QList<double>{15, 15, 15, 9, 15};
        QTest::newRow("per stream") << 2 << 0 << QList<double>{5, 5, 1, 9, 2};
        QTest::newRow("per unit") << 3 << 0 << QList<double>{5, 5, 5, 9, 2};
        QTest::newRow("cpu clock, shifted") << 4 << -2 << QList<double>{98, 98, 98, 9, 98};
        QTest::newRow("unknown mode is per channel") << 7 << 0 << QList<double>{5, 3, 1, 9, 2};
    }
    void timeModesChooseTheWindowEnd()
    {
        QFETCH(int, mode);
        QFETCH(int, shift);
        QFETCH(QList<double>, ends);
        ChannelCatalogue cat;
        cat.Entries = {
            ActiveChannel(1, 0, 0, 0, 1, TenOClock(5)), ActiveChannel(1, 0, 1, 1, 1, TenOClock(3)),
            ActiveChannel(1, 1, 0, 2, 1, TenOClock(1)), ActiveChannel(2, 0, 0, 3, 1, TenOClock(9)),
            ActiveChannel(3, 0, 0, 3, 1, TenOClock(2))};
        cat.Entries[3].Active = 0;
        cat.Entries[3].AxisTime = TenOClock(9);
        DisplayState ds;
        ds.TimeScale = mode;
        ds.TimeShift = shift;
        QCOMPARE(ResetChannels(cat, ds), 4);
        ApplyTimeMode(cat, ds, TenOClock(100));
        for (int i = 0; i < 5; ++i) {
            const DayTime want = TenOClock(ends[i]);
            const DayTime& got = cat.Entries[i].AxisTime;
            QCOMPARE(std::pair(got.Day, got.Msec), std::pair(want.Day, want.Msec));
        }
    }

    void cpuClockReadsThroughTheTimeText()
    {
        const QDateTime utc(QDate(2006, 1, 1), QTime(10, 0, 0, 987), Qt::UTC);
        const DayTime t = DayTimeFromUtc(utc);
        QCOMPARE(std::pair(t.Day, t.Msec), std::pair(732692, 36000987.0));
        const DayTime now = CpuClockNow();
        QVERIFY(now.Day > 732692);
        QVERIFY(now.Msec >= 0 && now.Msec <= kMsecPerDay);
    }
};

QTEST_MAIN(TraceScaleTest)
#include "tst_tracescale.moc"
