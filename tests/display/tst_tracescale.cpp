// Runs inside an application object under a decimal-comma locale (see CMakeLists.txt).
#include "display/channelindex.h"
#include "display/cpuclock.h"
#include "display/displaystate.h"
#include "display/timeaxis.h"
#include "display/timewindow.h"
#include "display/tracelabels.h"
#include "display/tracemapping.h"
#include "display/tracescale.h"
#include "display/tracestatistics.h"
#include "plotfixture.h"
#include "tests/common/commalocale.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

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

// The text boxes, baseline - ascent to baseline + descent, of the rows a band of height h at
// top y draws, each a vertical interval.
std::vector<std::pair<int, int>> RowBoxes(int y, int h, const QFontMetrics& fm)
{
    const LabelRows rows = FitLabelRows(y, y + h, fm);
    std::vector<std::pair<int, int>> boxes;
    const auto add = [&](bool on, int baseline) {
        if (on)
            boxes.emplace_back(baseline - fm.ascent(), baseline + fm.descent());
    };
    add(rows.Top, rows.TopLine);
    add(rows.Middle, rows.MiddleLine);
    add(rows.Bottom, rows.BottomLine);
    return boxes;
}

// Every label at the place it always had, drawn without any fitting: the picture tall bands
// must keep.
void DrawEveryLabel(QPainter& p, const DasStreamChanInfo& e, int x0, int x1, int ya, int yb,
                    const DisplayState& ds)
{
    const QFontMetrics fm = p.fontMetrics();
    const int ym = (ya + yb) / 2;
    const int bottom = yb - fm.descent() - 2;
    const int top = ya + fm.ascent() + 2;
    const auto left = [&](const QString& t, int y) {
        p.drawText(QPoint(x0 - fm.horizontalAdvance(t) - 2, y), t);
    };
    left(ChannelLabelText(e), ym);
    left(MinText(e, ds), bottom);
    left(MaxText(e, ds), top);
    p.drawText(QPoint(x1 + 2, ym), NameLabelText(e));
    p.drawText(QPoint(x1 + 2, bottom), MeanText(e, ds));
    p.drawText(QPoint(x1 + 2, top), RangeText(e, ds));
}

} // namespace

class TraceScaleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RequireCommaLocale(); }

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
            // Both extremes of every trace stay on the side they belong to (SampleY holds them
            // to the band).
            const int yMin = SampleY(e.MinCount, e.ScaleLow, e.ScaleHigh, ya, yb);
            const int yMax = SampleY(e.MaxCount, e.ScaleLow, e.ScaleHigh, ya, yb);
            QVERIFY(yMin >= yMax);
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

    void identityLabelsCountFromOne_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("dasId");
        QTest::addColumn<int>("stream");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("texts"); // the channel's label, then the name's, "|" between
        QTest::newRow("short unit id padded") << "X" << 0x9A1 << 0 << 2 << " 9A1-01-03|X-01-03";
        QTest::newRow("named channel") << "STA1" << 0xBEEF << 3 << 0 << "BEEF-04-01|STA1-04-01";
        QTest::newRow("largest numbers")
            << "" << 0xFFFF << 65535 << 65535 << "FFFF-65536-65536|-65536-65536";
    }
    void identityLabelsCountFromOne()
    {
        QFETCH(QString, name);
        QFETCH(int, dasId);
        QFETCH(int, stream);
        QFETCH(int, channel);
        DasStreamChanInfo e;
        e.DasId = static_cast<std::uint16_t>(dasId);
        e.Stream = static_cast<std::uint16_t>(stream);
        e.Channel = static_cast<std::uint16_t>(channel);
        e.Name = name;
        QTEST(QString(ChannelLabelText(e) + u'|' + NameLabelText(e)), "texts");
    }

    void valueLabelsFollowUnitsAndDcRemoval_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("dcRemoval");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("bitWeight");
        QTest::addColumn<double>("voltsPerUnit");
        QTest::addColumn<QString>("texts"); // min, max, mean and range labels
        QTest::newRow("counts, DC removed") << 0 << 1 << -1500 << 500 << 2000 << 200.0 << 1e-6
                                            << 1.0 << "Min=-1700 Max=300 Mean=0 Range=2000";
        QTest::newRow("counts, mean truncated")
            << 0 << 0 << -5 << 5 << 10 << -2.7 << 1e-6 << 1.0 << "Min=-5 Max=5 Mean=-2 Range=10";
        QTest::newRow("counts, DC removed difference truncated")
            << 0 << 1 << 0 << 10 << 10 << 2.5 << 1e-6 << 1.0 << "Min=-2 Max=7 Mean=0 Range=10";
        QTest::newRow("counts, DC removed beyond 32 bits")
            << 0 << 1 << INT_MIN << INT_MAX << 0 << 2000000000.0 << 1e-6 << 1.0
            << "Min=-4147483648 Max=147483647 Mean=0 Range=0";
        QTest::newRow("volts") << 1 << 0 << -2500000 << 2500000 << 5000000 << 1000.0 << 1e-6 << 1.0
                               << "Min=-2.5V Max=2.5V Mean=0.001V Range=5V";
        QTest::newRow("volts, DC removed") << 1 << 1 << 0 << 2000000 << 2000000 << 1000000.0 << 1e-6
                                           << 1.0 << "Min=-1V Max=1V Mean=0V Range=2V";
        QTest::newRow("ground units") << 2 << 0 << 0 << 1000000 << 1000000 << 0.0 << 1e-6 << 2.0
                                      << "Min=0M/S Max=0.5M/S Mean=0M/S Range=0.5M/S";
        QTest::newRow("ground units without sensitivity")
            << 2 << 0 << 7 << 1000000 << 1000000 << 5.0 << 1e-6 << 0.0
            << "Min=0M/S Max=0M/S Mean=0M/S Range=0M/S";
        QTest::newRow("unknown units show counts")
            << 9 << 0 << -3 << 4 << 7 << 1.0 << 1e-6 << 2.0 << "Min=-3 Max=4 Mean=1 Range=7";
        QTest::newRow("volts round as C's %g, under a comma locale")
            << 1 << 0 << 0 << 1234565 << 1234565 << 0.25 << 1.0 << 1.0
            << "Min=0V Max=1.23456e+06V Mean=0.25V Range=1.23456e+06V";
        QTest::newRow("negative units show counts")
            << -1 << 0 << -3 << 4 << 7 << 1.0 << 1e-6 << 2.0 << "Min=-3 Max=4 Mean=1 Range=7";
    }
    void valueLabelsFollowUnitsAndDcRemoval()
    {
        DisplayState ds;
        QFETCH(int, units);
        ds.VoltsLable = units;
        QFETCH(int, dcRemoval);
        ds.ZeroDcOffset = dcRemoval;
        DasStreamChanInfo e;
        QFETCH(int, low);
        e.ScaleLow = low;
        QFETCH(int, high);
        e.ScaleHigh = high;
        QFETCH(int, range);
        e.RangeCount = range;
        e.RangeSpan = range;
        QFETCH(double, mean);
        e.Mean = mean;
        QFETCH(double, bitWeight);
        e.BitWeight = bitWeight;
        QFETCH(double, voltsPerUnit);
        e.VoltsPerUnit = voltsPerUnit;
        e.UnitCode = QStringLiteral("M/S");
        QTEST(QStringList({MinText(e, ds), MaxText(e, ds), MeanText(e, ds), RangeText(e, ds)})
                  .join(u' '),
              "texts");
    }

    void fullScaleRangeLabelUsesTheWholeSpan()
    {
        DasStreamChanInfo e;
        e.MinCount = std::numeric_limits<std::int32_t>::min();
        e.MaxCount = std::numeric_limits<std::int32_t>::max();
        e.BitWeight = 1e-6;
        ScaleEntry(e, ScaleIndividual, 1.0, {});
        DisplayState ds;
        QCOMPARE(RangeText(e, ds), QStringLiteral("Range=4294967295"));
        ds.VoltsLable = LabelVolts;
        QCOMPARE(RangeText(e, ds), QStringLiteral("Range=4294.97V"));
        QCOMPARE(MinText(e, ds), QStringLiteral("Min=-2147.48V"));
        QCOMPARE(e.RangeCount, std::numeric_limits<std::int32_t>::max());
    }

    void labelRowsNeverOverprint()
    {
        const QFontMetrics fm(DisplayState().traceFont);
        for (int h = 10; h <= 200; ++h) {
            // Three bands stacked as the plot stacks them, sharing their boundary lines.
            std::vector<std::pair<int, int>> boxes;
            for (int k = 0; k < 3; ++k) {
                const auto band = RowBoxes(100 + k * h, h, fm);
                boxes.insert(boxes.end(), band.begin(), band.end());
            }
            for (std::size_t i = 0; i < boxes.size(); ++i)
                for (std::size_t j = i + 1; j < boxes.size(); ++j)
                    QVERIFY2(boxes[i].second <= boxes[j].first || boxes[j].second <= boxes[i].first,
                             qPrintable(QStringLiteral("band height %1").arg(h)));
            // The channel and the name go last: a band with any row has the middle one.
            const LabelRows rows = FitLabelRows(100, 100 + h, fm);
            QVERIFY(rows.Middle || (!rows.Top && !rows.Bottom));
            QCOMPARE(rows.Middle, h >= fm.ascent() + fm.descent());
        }
    }

    void tallBandsKeepEveryLabelWhereItWas()
    {
        DisplayState ds;
        DasStreamChanInfo e = ActiveChannel(0x9A3C, 0, 2, 0, 100.0, TenOClock());
        e.ScaleLow = -1234;
        e.ScaleHigh = 5678;
        const QFontMetrics fm(ds.traceFont);
        for (int h = 10; h <= 200; h += 3) {
            QImage fitted(400, 240, QImage::Format_RGB32);
            fitted.fill(Qt::black);
            QImage every = fitted;
            for (QImage* image : {&fitted, &every}) {
                QPainter p(image);
                p.setFont(ds.traceFont);
                p.setPen(ds.textColor);
                if (image == &fitted)
                    DrawTraceLabels(p, e, 120, 280, 20, 20 + h, ds);
                else
                    DrawEveryLabel(p, e, 120, 280, 20, 20 + h, ds);
            }
            const LabelRows rows = FitLabelRows(20, 20 + h, fm);
            if (rows.Top && rows.Bottom)
                QVERIFY2(fitted == every, qPrintable(QStringLiteral("band height %1").arg(h)));
            else
                QVERIFY(fitted != every);
        }
    }

    void tickStepTable_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("stepMsec");
        // Ranges of 1 s and less are held at 200 ms.
        const std::pair<int, double> steps[] = {
            {0, 200},     {1, 200},     {2, 330},       {3, 500},      {5, 830},
            {10, 1000},   {30, 5000},   {60, 10000},    {100, 16000},  {120, 20000},
            {300, 50000}, {600, 60000}, {1800, 300000}, {3600, 600000}};
        for (const auto& [range, step] : steps)
            QTest::addRow("%d s", range) << range << step;
    }
    void tickStepTable()
    {
        QFETCH(int, range);
        QTEST(TickStepMsec(range), "stepMsec");
    }

    void tickTextTrimming_data()
    {
        QTest::addColumn<double>("msec");
        QTest::addColumn<QString>("text");
        const auto at = [](int h, int m, double s) {
            return (h * 3600 + m * 60) * 1000.0 + s * 1000;
        };
        QTest::newRow("tenths kept") << at(7, 3, 9.8) << "07:03:09.8";
        QTest::newRow("whole second") << at(7, 3, 10) << "07:03:10";
        QTest::newRow("round tick") << at(10, 5, 20) << "10:05:20";
        QTest::newRow("single-digit second with tenths") << at(10, 5, 5.5) << "10:05:05.5";
        QTest::newRow("single-digit whole second") << at(10, 5, 5) << "10:05:05";
        QTest::newRow("midnight") << 0.0 << "00:00:00";
        QTest::newRow("fraction of a millisecond cut") << at(1, 2, 3.2) + 0.9 << "01:02:03.2";
        QTest::newRow("last tick of the day") << at(23, 59, 59.8) << "23:59:59.8";
        // C rounds the binary value of 41.25 down; a round-half-up formatter shows 41.3.
        QTest::newRow("half a tenth rounds as C does") << at(12, 0, 41.25) << "12:00:41.2";
    }
    void tickTextTrimming()
    {
        QFETCH(double, msec);
        QTEST(TickLabelText(msec), "text");
    }

    void ticksFallOnWholeStepsAfterTheMinute_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("axisSeconds");
        QTest::addColumn<double>("firstTickSeconds");
        QTest::addColumn<int>("count");
        // 10:00:05 back 120 s is 09:58:05; ticks on :20 :40 :00 up to 10:00:00.
        QTest::newRow("120 s on :00 :20 :40") << 120 << 5.0 << -100.0 << 6;
        QTest::newRow("1 s every 200 ms") << 1 << 0.5 << -0.4 << 5;
        QTest::newRow("window across midnight") << 60 << -36000.0 + 10 << -36040.0 << 5;
        QTest::newRow("no range") << 0 << 0.0 << 0.0 << 0;
        QTest::newRow("negative range") << -5 << 0.0 << 0.0 << 0;
    }
    void ticksFallOnWholeStepsAfterTheMinute()
    {
        QFETCH(int, range);
        QFETCH(double, axisSeconds);
        QFETCH(double, firstTickSeconds);
        QFETCH(int, count);
        const DayTime axis = TenOClock(axisSeconds);
        const int x0 = 100;
        const int x1 = 700;
        const std::vector<TimeTick> ticks = TimeTicks(axis, range, x0, x1);
        QCOMPARE(static_cast<int>(ticks.size()), count);
        const double step = TickStepMsec(range);
        const DayTime first = TenOClock(firstTickSeconds);
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const DayTime expected = TimeAdd(first, static_cast<double>(i) * step);
            QCOMPARE(ticks[i].MsecOfDay, expected.Msec);
            const double ahead = TimeDiff(axis, expected, TimeUnitSec);
            QCOMPARE(ticks[i].X, static_cast<int>(x1 - ahead * (x1 - x0) / range));
        }
    }

    void gridStaysStrictlyInsideWithoutTimeLabels()
    {
        DisplayState ds;
        QImage with(800, 100, QImage::Format_RGB32);
        with.fill(Qt::black);
        QImage without = with;
        for (int lable = 1; lable >= 0; --lable) {
            ds.TimeLable = lable;
            QImage& image = lable ? with : without;
            QPainter p(&image);
            p.setFont(ds.traceFont);
            DrawTimeAxis(TenOClock(), 100, 700, 10, 90, p, ds.textColor, ds.axesColor, ds);
            QCOMPARE(p.pen().color(), ds.textColor);
            QCOMPARE(p.pen().style(), Qt::SolidLine);
        }
        // 10:00:00 back to 09:58:00: the ticks at both ends would fall on x0 and x1 and are left
        // out.
        const std::vector<int> gridColumns = ColumnsWith(without, ds.axesColor);
        QCOMPARE(gridColumns, (std::vector<int>{200, 300, 400, 500, 600}));
        QCOMPARE(ColumnsWith(with, ds.axesColor), gridColumns);
        // Without labels the grid is all there is; with them, text lies just below the top line.
        const QFontMetrics fm(ds.traceFont);
        int textTop = without.height();
        int textBottom = -1;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                const QColor bare = without.pixelColor(x, y);
                QVERIFY(bare == QColor(Qt::black) || bare == ds.axesColor);
                const QColor c = with.pixelColor(x, y);
                if (c != QColor(Qt::black) && c != ds.axesColor) {
                    textTop = std::min(textTop, y);
                    textBottom = std::max(textBottom, y);
                }
            }
        }
        QVERIFY(textBottom >= 0);
        QVERIFY(textTop >= 10);
        QVERIFY(textBottom <= 10 + fm.ascent() + 1 + fm.descent());
    }
};

QTEST_MAIN(TraceScaleTest)
#include "tst_tracescale.moc"
