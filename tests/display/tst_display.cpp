// Runs inside an application object under a decimal-comma locale (see CMakeLists.txt).
#include "display/channelindex.h"
#include "display/cpuclock.h"
#include "display/displaystate.h"
#include "display/drawdt.h"
#include "display/offscreenpicture.h"
#include "display/packetwindow.h"
#include "display/plotgeometry.h"
#include "display/timeaxis.h"
#include "display/timewindow.h"
#include "display/tracelabels.h"
#include "display/tracemapping.h"
#include "display/tracepass.h"
#include "display/tracescale.h"
#include "display/tracestatistics.h"
#include "display/viewcommands.h"
#include "plotfixture.h"
#include "tests/common/commalocale.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kUntouched(255, 255, 255);

struct Scene
{
    DisplayState ds;
    ChannelCatalogue cat;
    PacketStore store = MakeRing(16);
    QImage image{800, 400, QImage::Format_RGB32};
    DayTime cpuNow = TenOClock(1000);

    Scene() { image.fill(kUntouched); }

    bool Draw(int menuBar = 0, int statusBar = 0, bool antialiased = false)
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, antialiased);
        return DrawDT(p, image.rect(), menuBar, statusBar, ds, cat, store, cpuNow);
    }

    // One active channel of unit 1, stream 0, channel 0, red, ending at 10:00:00.
    void One(double rate = 1.0) { cat.Entries = {ActiveChannel(1, 0, 0, 0, rate, TenOClock())}; }

    // A packet of the first channel starting seconds after 10:00:00.
    void Put(double seconds, const std::vector<std::int32_t>& samples)
    {
        PutPacket(store, cat.Entries[0], TenOClock(seconds), samples);
    }

    int LabelWidth() const
    {
        return QFontMetrics(ds.traceFont).horizontalAdvance(QStringLiteral("WWWWWWWWWWW"));
    }

    // Band of DisplayIndex k among n in a picture without bars.
    TraceBand Band(int k, int n) const
    {
        return BandOf(2, (image.height() - 1 - 2) / static_cast<double>(n), k);
    }
};

bool OnlyColour(const QImage& image, QColor c)
{
    QImage same(image.size(), image.format());
    same.fill(c);
    return image == same;
}

std::vector<std::int32_t> Alternating(int n, std::int32_t a, std::int32_t b)
{
    std::vector<std::int32_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(i % 2 ? b : a);
    return v;
}

enum class Shape
{
    RandomWalk,
    FullScaleNoise,
    Spikes,
    SquareWave,
    Ramp,
    Constant,
    FullScaleAlternating,
    Mixed
};

std::int32_t NextSample(Shape shape, std::mt19937& rng, std::int32_t previous, int i)
{
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    std::uniform_int_distribution<int> percent(0, 99);
    switch (shape) {
    case Shape::RandomWalk:
        // The previous sample may come from a full-scale shape in a mixed trace.
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t{previous} + std::uniform_int_distribution<std::int32_t>(-50, 50)(rng),
            -1000000, 1000000));
    case Shape::FullScaleNoise:
        return any(rng);
    case Shape::Spikes:
        return percent(rng) < 2 ? (percent(rng) < 50 ? 100000 : -100000) : 7;
    case Shape::SquareWave:
        return (i / (1 + percent(rng) % 3)) % 2 ? 500 : -500;
    case Shape::Ramp:
        return i % 997;
    case Shape::Constant:
        return 42;
    case Shape::FullScaleAlternating:
        return i % 2 ? std::numeric_limits<std::int32_t>::max()
                     : std::numeric_limits<std::int32_t>::min();
    case Shape::Mixed:
        break;
    }
    return NextSample(static_cast<Shape>(percent(rng) % 7), rng, previous, i);
}

// The plain description of the trace pass, the reference the merged pass is held to: every
// sample found, mapped and joined to the next on its own.
void DrawEveryPoint(QPainter& p, const ChannelCatalogue& cat, const PacketStore& store,
                    const TracePlotArea& area, int timeRange)
{
    const double range = timeRange;
    for (int k = 0; k < RingSlotCount(store); ++k) {
        const DtPacket& slot = RingSlotInOrder(store, k);
        const int n = std::min<int>(slot.SampleCount, kMaxSamples);
        const int entry = FindChannel(cat, slot.DasId, slot.Stream, slot.Channel);
        if (n <= 0 || entry < 0 || !cat.Entries[static_cast<std::size_t>(entry)].Active)
            continue;
        const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(entry)];
        const double d = TimeDiff(slot.Time, e.AxisTime, TimeUnitSec);
        const double r = e.SampleRate > 0 ? e.SampleRate : e.MeasuredRate;
        if (!(d <= 0) || !(r > 0) || n / r + d < -range)
            continue;
        const TraceBand band = BandOf(area.Y0, area.BandHeight, e.DisplayIndex);
        std::vector<QLine> lines;
        bool started = false;
        QPoint previous;
        for (int i = 0; i < n; ++i) {
            const double t = SampleTime(i, r, d);
            if (t < -range)
                continue;
            if (t > 0)
                break;
            const QPoint point(
                SampleX(t, timeRange, area.X0, area.X1),
                SampleY(slot.Samples[i], e.ScaleLow, e.ScaleHigh, band.Top, band.Bottom));
            if (started)
                lines.emplace_back(previous, point);
            previous = point;
            started = true;
        }
        p.setPen(QColor(e.TraceColor.Red, e.TraceColor.Green, e.TraceColor.Blue));
        p.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
}

// A random scene: a few channels, each filled with packets of one shape over a window, with
// gaps, overlaps and fractional start times.
struct RandomScene
{
    DisplayState ds;
    ChannelCatalogue cat;
    PacketStore store;
    int width = 0;
    int height = 0;

    RandomScene(unsigned seed, Shape shape)
    {
        std::mt19937 rng(seed);
        const auto pick = [&](auto... values) {
            const std::vector<std::common_type_t<decltype(values)...>> v{values...};
            return v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)];
        };
        width = std::uniform_int_distribution<int>(160, 1400)(rng);
        height = std::uniform_int_distribution<int>(40, 500)(rng);
        ds.TimeRange = pick(1, 2, 5, 10, 60, 120, 600);
        ds.AmpScale = pick(0, 0, 1, 2, 3);
        ds.ScaleFactor = pick(0.25, 0.5, 1.0, 1.0, 2.0, 3.0);
        ds.TimeLable = 0;
        const int channels = std::uniform_int_distribution<int>(1, 5)(rng);
        std::vector<std::vector<std::int32_t>> packets;
        std::vector<std::pair<int, DayTime>> owners;
        for (int c = 0; c < channels; ++c) {
            const double rate = pick(1000.0, 500.0, 333.333, 250.0, 100.0, 40.0, 7.3, 1.0, 0.1);
            cat.Entries.push_back(ActiveChannel(7, 0, static_cast<std::uint16_t>(c), c, rate,
                                                TenOClock(), {255, 0, 0}));
            DasStreamChanInfo& e = cat.Entries.back();
            e.TraceColor = {static_cast<std::uint8_t>(60 + 40 * c), 200, 100};
            e.ScaleLow = pick(-1000, 0, 5);
            e.ScaleHigh = e.ScaleLow + pick(0, 10, 3000);
            // From a bit before the window start to a bit after its end.
            double t = -ds.TimeRange - std::uniform_real_distribution<double>(0, 3)(rng);
            std::int32_t sample = 0;
            int guard = 0;
            while (t < 2 && ++guard < 400) {
                const int n = pick(1, 2, 3, 17, 250, 1000, 2000);
                std::vector<std::int32_t> values;
                for (int i = 0; i < n; ++i)
                    values.push_back(sample = NextSample(shape, rng, sample, i));
                packets.push_back(values);
                owners.emplace_back(c, TenOClock(t));
                // Mostly back to back; sometimes a gap or an overlap.
                const double length = n / rate;
                t += length * pick(1.0, 1.0, 1.0, 1.5, 0.5) +
                     std::uniform_real_distribution<double>(0, 0.0007)(rng);
            }
        }
        store = MakeRing(static_cast<int>(packets.size()) + 3);
        std::shuffle(owners.begin(), owners.end(), rng);
        for (std::size_t k = 0; k < packets.size(); ++k) {
            const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(owners[k].first)];
            PutPacket(store, e, owners[k].second, packets[k]);
        }
    }

    // The traces alone, merged or sample by sample, over the windows and scales a redraw set.
    QImage DrawTraces(bool merged)
    {
        ChannelCatalogue copy = cat;
        DisplayState state = ds;
        QImage image(width, height, QImage::Format_RGB32);
        QPainter p(&image);
        DrawDT(p, image.rect(), 0, 0, state, copy, store, TenOClock());
        PlotGeometry g;
        ComputePlotGeometry(image.rect(), 0, 0,
                            p.fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWWWW")), g);
        DropLabelAreas(g, state.MinMaxLable != 0, state.MeanRangeLable != 0);
        // Every channel of the scene is active.
        const TracePlotArea area{g.X0, g.X1, g.Y0, static_cast<double>(g.Y1 - g.Y0) / copy.Count()};
        image.fill(Qt::gray);
        if (merged) {
            TraceBuffers buffers;
            DrawTracePass(p, copy, ChannelIndex(copy), store, area, state.TimeRange, buffers);
        } else {
            DrawEveryPoint(p, copy, store, area, state.TimeRange);
        }
        return image;
    }
};

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

class DisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RequireCommaLocale(); }

    void windowEdgesLandOnPlotEdges_data()
    {
        QTest::addColumn<int>("labels");
        QTest::newRow("label areas reserved") << 1;
        QTest::newRow("label areas dropped") << 0;
    }
    void windowEdgesLandOnPlotEdges()
    {
        QFETCH(int, labels);
        Scene s;
        s.ds = {.TimeRange = 10, .MinMaxLable = labels, .MeanRangeLable = labels};
        s.One();
        // Samples at t = -10 ... 0 and one more that must end the packet.
        s.Put(-10, Alternating(12, 0, 100));
        QVERIFY(s.Draw());
        const std::vector<int> columns = ColumnsWith(s.image, kRed);
        QVERIFY(!columns.empty());
        QCOMPARE(columns.front(), labels ? s.LabelWidth() : 1);
        QCOMPARE(columns.back(), labels ? 799 - s.LabelWidth() : 798);
    }

    void bandsStackByDisplayIndexNotCatalogueOrder()
    {
        Scene s;
        s.ds.TimeLable = 0;
        s.cat.Entries = {ActiveChannel(1, 0, 0, 2, 1.0, TenOClock(), {255, 0, 0}),
                         ActiveChannel(1, 0, 1, 0, 1.0, TenOClock(), {0, 255, 0}),
                         ActiveChannel(1, 0, 2, 1, 1.0, TenOClock(), {0, 0, 255})};
        for (const DasStreamChanInfo& e : s.cat.Entries)
            PutPacket(s.store, e, TenOClock(-50), std::vector<std::int32_t>(51, 42));
        QVERIFY(s.Draw());
        const QColor colours[] = {kRed, kGreen, kBlue};
        for (int i = 0; i < 3; ++i) {
            // A constant trace runs through the middle of its band, its scale on the constant.
            const DasStreamChanInfo& e = s.cat.Entries[i];
            QCOMPARE(std::pair(e.ScaleLow, e.ScaleHigh), std::pair(42, 42));
            const TraceBand band = s.Band(e.DisplayIndex, 3);
            QCOMPARE(RowsWith(s.image, colours[i]),
                     std::vector<int>{band.Top + (band.Bottom - band.Top) / 2});
            // Frame lines run across the whole width, label areas included.
            QCOMPARE(s.image.pixelColor(0, band.Top), s.ds.axesColor);
            QCOMPARE(s.image.pixelColor(799, band.Bottom), s.ds.axesColor);
        }
    }

    void barsAreKeptClear()
    {
        Scene s;
        s.ds = {.TimeLable = 0, .MinMaxLable = 0, .MeanRangeLable = 0};
        s.One();
        QVERIFY(s.Draw(20, 30));
        QCOMPARE(RowsWith(s.image.copy(0, 0, 1, 400), s.ds.axesColor), (std::vector<int>{22, 369}));
        // An active channel without packets still gets its frame.
        QCOMPARE(s.image.pixelColor(1, 100), s.ds.axesColor);
        QCOMPARE(s.image.pixelColor(798, 100), s.ds.axesColor);
    }

    void lockAtStartTakesTheFirstDrawingsScale()
    {
        // As after a start with AmpScale stored as Lock: no scale yet, and none from a drawing
        // without data.
        Scene s;
        s.ds.AmpScale = ScaleLock;
        s.One();
        QVERIFY(s.Draw());
        QCOMPARE(s.cat.Entries[0].ScaleHigh, 0);
        s.Put(-100, Alternating(101, -50, 150));
        QVERIFY(s.Draw());
        QCOMPARE(s.cat.Entries[0].ScaleLow, -50);
        QCOMPARE(s.cat.Entries[0].ScaleHigh, 150);
        QCOMPARE(s.cat.Entries[0].RangeCount, 200);
        // From then on the scale stays, whatever comes, and the trace is held to its band.
        s.Put(-50, Alternating(51, -9999, 9999));
        QVERIFY(s.Draw());
        QCOMPARE(s.cat.Entries[0].ScaleLow, -50);
        QCOMPARE(s.cat.Entries[0].ScaleHigh, 150);
        const TraceBand band = s.Band(0, 1);
        const std::vector<int> rows = RowsWith(s.image, kRed);
        QCOMPARE(rows.front(), band.Top);
        QCOMPARE(rows.back(), band.Bottom);
    }

    void traceStaysOneDevicePixelOnADenseScreen()
    {
        Scene s;
        s.ds.TimeLable = 0;
        s.One();
        s.Put(-100, std::vector<std::int32_t>(101, 42));
        QPixmap picture;
        QVERIFY(ResizePicture(picture, QSize(800, 400), 2.0));
        QCOMPARE(picture.size(), QSize(1600, 800));
        QVERIFY(DrawDTInto(&picture, QRect(0, 0, 800, 400), 0, 0, s.ds, s.cat, s.store));
        const QImage dense = picture.toImage();
        const TraceBand band = s.Band(0, 1);
        QCOMPARE(RowsWith(dense, kRed),
                 std::vector<int>{2 * (band.Top + (band.Bottom - band.Top) / 2)});
        // Labels are drawn at the full resolution, not blown up: half-pixel rows carry text too.
        bool oddRowText = false;
        for (int y = 1; y < dense.height() && !oddRowText; y += 2)
            for (int x = 0; x < 2 * s.LabelWidth() && !oddRowText; ++x)
                oddRowText = dense.pixelColor(x, y) == s.ds.textColor &&
                             dense.pixelColor(x, y - 1) != s.ds.textColor;
        QVERIFY(oddRowText);
    }

    void tracePassIgnoresTheCallersAntialiasing()
    {
        Scene s;
        s.ds.TimeLable = 0;
        s.One();
        s.Put(-100, Alternating(101, -3, 7));
        QVERIFY(s.Draw());
        const QImage plain = s.image;
        QVERIFY(s.Draw(0, 0, true));
        QCOMPARE(ColumnsWith(s.image, kRed), ColumnsWith(plain, kRed));
        QCOMPARE(RowsWith(s.image, kRed), RowsWith(plain, kRed));
    }

    void packetsAreNotJoinedAcrossAGap()
    {
        Scene s;
        s.ds.TimeRange = 10;
        s.One();
        // Low samples at t = -10..-6, high ones at t = -3..0: a joining line would cross the gap.
        s.Put(-10, std::vector<std::int32_t>(5, 0));
        s.Put(-3, std::vector<std::int32_t>(4, 100));
        QVERIFY(s.Draw());
        const int x0 = s.LabelWidth();
        const int x1 = 799 - s.LabelWidth();
        const int gapStart = SampleX(-6, 10, x0, x1);
        const int gapEnd = SampleX(-3, 10, x0, x1);
        const std::vector<int> columns = ColumnsWith(s.image, kRed);
        QVERIFY(std::none_of(columns.begin(), columns.end(),
                             [&](int x) { return x > gapStart && x < gapEnd; }));
        const TraceBand band = s.Band(0, 1);
        QCOMPARE(RowsWith(s.image, kRed), (std::vector<int>{band.Top, band.Bottom}));
    }

    void packetAfterTheWindowEndIsNotDrawn()
    {
        Scene s;
        s.One();
        s.Put(-60, std::vector<std::int32_t>(61, 5));
        s.Put(0.001, Alternating(100, -9999, 9999));
        QVERIFY(s.Draw());
        QCOMPARE(s.cat.Entries[0].MinCount, 5);
        QCOMPARE(s.cat.Entries[0].MaxCount, 5);
        QCOMPARE(RowsWith(s.image, kRed).size(), std::size_t{1});
    }

    void cpuClockEndsTheWindowAtTheInjectedTime()
    {
        Scene s;
        s.ds = {.TimeScale = 4, .TimeRange = 100};
        s.cpuNow = TenOClock(50);
        s.One();
        s.Put(-100, Alternating(101, 0, 9));
        QVERIFY(s.Draw());
        QCOMPARE(s.cat.Entries[0].AxisTime.Msec, s.cpuNow.Msec);
        const int x0 = s.LabelWidth();
        const int x1 = 799 - s.LabelWidth();
        const std::vector<int> columns = ColumnsWith(s.image, kRed);
        QCOMPARE(columns.front(), x0);
        QCOMPARE(columns.back(), SampleX(-50, 100, x0, x1));
    }

    void drawingStopsEarlyOnlyWhenNothingCanShow_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("timeRange");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("bands below one pixel") << 5 << 3 << 120 << false;
        QTest::newRow("no active channel") << 400 << 0 << 120 << false;
        QTest::newRow("time range 0") << 400 << 1 << 0 << false;
        QTest::newRow("negative time range") << 400 << 1 << -5 << false;
        QTest::newRow("one second") << 400 << 1 << 1 << true;
    }
    void drawingStopsEarlyOnlyWhenNothingCanShow()
    {
        QFETCH(int, height);
        QFETCH(int, channels);
        QFETCH(int, timeRange);
        Scene s;
        s.image = QImage(800, height, QImage::Format_RGB32);
        s.image.fill(kUntouched);
        s.ds.TimeRange = timeRange;
        for (int i = 0; i < channels; ++i) {
            s.cat.Entries.push_back(
                ActiveChannel(1, 0, static_cast<std::uint16_t>(i), i, 1.0, TenOClock()));
            PutPacket(s.store, s.cat.Entries.back(), TenOClock(-10), Alternating(11, 0, 5));
        }
        QVERIFY(s.Draw());
        QFETCH(bool, drawn);
        QCOMPARE(!OnlyColour(s.image, s.ds.backgroundColor), drawn);
    }

    void collapsedAreaDrawsNothing()
    {
        Scene s;
        s.image = QImage(2 * s.LabelWidth(), 400, QImage::Format_RGB32);
        s.image.fill(kUntouched);
        s.One();
        QVERIFY(!s.Draw());
        QVERIFY(OnlyColour(s.image, kUntouched));
        Scene tall;
        QVERIFY(!tall.Draw(200, 198));
        QVERIFY(OnlyColour(tall.image, kUntouched));
    }

    void badDisplayIndexDoesNotCrash()
    {
        Scene s;
        s.cat.Entries = {
            ActiveChannel(1, 0, 0, std::numeric_limits<std::int32_t>::max(), 1.0, TenOClock()),
            ActiveChannel(1, 0, 1, std::numeric_limits<std::int32_t>::min(), 1.0, TenOClock())};
        for (const DasStreamChanInfo& e : s.cat.Entries)
            PutPacket(s.store, e, TenOClock(-10), Alternating(11, 0, 5));
        QVERIFY(s.Draw());
        QVERIFY(RowsWith(s.image, kRed).empty());
    }

    void pictureIsRemadeOnlyWhenItMustGrow_data()
    {
        QTest::addColumn<QSize>("picture"); // logical size; empty: none yet
        QTest::addColumn<QSize>("window");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<bool>("needed");
        QTest::newRow("none yet") << QSize() << QSize(640, 480) << 1.0 << true;
        QTest::newRow("same size") << QSize(640, 480) << QSize(640, 480) << 1.0 << false;
        QTest::newRow("narrower and lower") << QSize(640, 480) << QSize(600, 400) << 1.0 << false;
        QTest::newRow("wider") << QSize(640, 480) << QSize(641, 480) << 1.0 << true;
        QTest::newRow("taller") << QSize(640, 480) << QSize(640, 481) << 1.0 << true;
        QTest::newRow("wider but lower") << QSize(640, 480) << QSize(800, 100) << 1.0 << true;
        QTest::newRow("ratio changed") << QSize(640, 480) << QSize(640, 480) << 2.0 << true;
    }
    void pictureIsRemadeOnlyWhenItMustGrow()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, window);
        QFETCH(double, ratio);
        QPixmap pixmap;
        if (!picture.isEmpty())
            ResizePicture(pixmap, picture, 1.0);
        QTEST(NeedsNewPicture(pixmap, window, ratio), "needed");
    }

    void shrinkingKeepsThePicture()
    {
        QPixmap picture;
        QVERIFY(ResizePicture(picture, QSize(300, 200)));
        QCOMPARE(picture.size(), QSize(300, 200));
        const qint64 key = picture.cacheKey();
        QVERIFY(!ResizePicture(picture, QSize(250, 200)));
        QCOMPARE(picture.cacheKey(), key);
        QVERIFY(ResizePicture(picture, QSize(250, 260)));
        QCOMPARE(picture.size(), QSize(250, 260));
    }

    void noPictureDrawsNothing()
    {
        Scene s;
        s.One();
        QVERIFY(!DrawDTInto(nullptr, QRect(0, 0, 300, 200), 0, 0, s.ds, s.cat, s.store));
        QPixmap none;
        QVERIFY(!DrawDTInto(&none, QRect(0, 0, 300, 200), 0, 0, s.ds, s.cat, s.store));
        QCOMPARE(s.cat.Entries[0].AxisTime.Day, 0);
    }

    void smallerWindowIsLaidOutInsideTheLargerPicture()
    {
        Scene s;
        s.ds.backgroundColor = Qt::darkBlue;
        s.One();
        QPixmap picture;
        ResizePicture(picture, QSize(400, 300));
        picture.fill(Qt::white);
        ResizePicture(picture, QSize(300, 200));
        QVERIFY(DrawDTInto(&picture, QRect(0, 0, 300, 200), 10, 10, s.ds, s.cat, s.store));
        const QImage image = picture.toImage();
        QCOMPARE(image.pixelColor(150, 5), QColor(Qt::darkBlue));
        QCOMPARE(image.pixelColor(299, 199), QColor(Qt::darkBlue));
        // Beyond the window the old picture stays.
        QCOMPARE(image.pixelColor(300, 100), QColor(Qt::white));
        QCOMPARE(image.pixelColor(100, 200), QColor(Qt::white));
        QCOMPARE(s.cat.Entries[0].AxisTime.Msec, TenOClock().Msec);
    }

    void copyPutsThePictureAtTheOrigin()
    {
        QPixmap picture(20, 10);
        picture.fill(Qt::red);
        QImage window(40, 30, QImage::Format_RGB32);
        window.fill(Qt::black);
        QPainter p(&window);
        CopyPicture(p, picture);
        p.end();
        // Its corner at the origin, nothing beyond its edges.
        QCOMPARE(QList<QColor>({window.pixelColor(0, 0), window.pixelColor(19, 9),
                                window.pixelColor(20, 9), window.pixelColor(19, 10)}),
                 QList<QColor>({Qt::red, Qt::red, Qt::black, Qt::black}));
    }

    void mergedColumnsDrawEveryPixelOfEverySample_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("shape");
        const char* names[] = {
            "random walk", "full-scale noise",       "spikes", "square wave", "ramp",
            "constant",    "full-scale alternating", "mixed"};
        for (int shape = 0; shape < 8; ++shape)
            for (unsigned seed = 1; seed <= 12; ++seed)
                QTest::addRow("%s %u", names[shape], seed) << seed * 7919u + shape << shape;
    }
    void mergedColumnsDrawEveryPixelOfEverySample()
    {
        QFETCH(unsigned, seed);
        QFETCH(int, shape);
        RandomScene scene(seed, static_cast<Shape>(shape));
        const QImage merged = scene.DrawTraces(true);
        QCOMPARE(merged, scene.DrawTraces(false));
        // Scenes that draw no trace prove nothing; most must draw one (see cleanupTestCase).
        ++scenes_;
        drawn_ += OnlyColour(merged, Qt::gray) ? 0 : 1;
    }

    void cleanupTestCase() { QVERIFY(drawn_ >= scenes_ * 9 / 10); }

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
        ComputeScales(cat, {.AmpScale = mode, .ScaleFactor = factor}, FinishStatistics(cat));
        QTEST(cat.Entries[0].RangeCount, "firstRange");
        QTEST(Scales(cat), "scales");
    }

    void lockKeepsItsScaleAndStatistics()
    {
        ChannelCatalogue cat;
        cat.Entries = {WithCounts(-3, 100), WithCounts(1000, 1400)};
        DisplayState ds{.AmpScale = ScaleCommon};
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
        ComputeScales(cat, {.AmpScale = mode, .ScaleFactor = factor}, FinishStatistics(cat));
        for (const DasStreamChanInfo& e : cat.Entries) {
            QVERIFY(e.ScaleLow < e.ScaleHigh);
            QVERIFY(e.RangeCount > 0);
            // Both extremes of every trace stay on the side they belong to (SampleY holds them
            // to the band).
            QVERIFY(SampleY(e.MinCount, e.ScaleLow, e.ScaleHigh, 10, 110) >=
                    SampleY(e.MaxCount, e.ScaleLow, e.ScaleHigh, 10, 110));
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
        QCOMPARE(std::pair(e.ScaleLow, e.ScaleHigh), std::pair(kBottom, kTop));
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
        QTest::newRow("no span: above clips to the top") << 12345 << 7 << 7 << 100;
        QTest::newRow("no span: below clips to the bottom") << -5 << 7 << 7 << 200;
        QTest::newRow("no span: on the scale, middle") << 7 << 7 << 7 << 150;
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

    // Thirteen presses of Increase Amplitude leave a span of 100 counts under one: the trace
    // must still reach both edges of its band, not lie flat in its middle as a dead one would.
    void amplifiedLiveTraceIsNeverDrawnFlat()
    {
        Scene s;
        s.One();
        s.Put(-100, Alternating(100, 0, 100));
        for (int press = 0; press < 13; ++press)
            ViewCommands::SetScaleUp(s.ds);
        QVERIFY(s.Draw());
        QCOMPARE(s.cat.Entries[0].ScaleLow, s.cat.Entries[0].ScaleHigh);
        const TraceBand band = s.Band(0, 1);
        const std::vector<int> rows = RowsWith(s.image, kRed);
        QCOMPARE(rows.front(), band.Top);
        QCOMPARE(rows.back(), band.Bottom);
    }

    void windowEdgesCountExactly()
    {
        // 10 samples per second; the window of 2 s ends at 10:00:00 and holds the samples at
        // -2.0 ... 0.0, both edges included.
        ChannelCatalogue cat;
        cat.Entries = {ActiveChannel(1, 0, 0, 0, 10.0, TenOClock())};
        PacketStore store = MakeRing(4);
        std::vector<std::int32_t> samples(40);
        std::iota(samples.begin(), samples.end(), 0);
        PutPacket(store, cat.Entries[0], TenOClock(-3.0), samples);
        ResetChannels(cat, {.TimeRange = 2});
        GatherStatistics(cat, ChannelIndex(cat), store, 2);
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
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("counted");
        QTest::addColumn<bool>("refused"); // not even an empty span
        QTest::newRow("inside") << -5.0 << 1 << 1.0 << 0.0 << 0 << 10 << 6 << false;
        QTest::newRow("starts after the window end")
            << 0.5 << 1 << 1.0 << 0.0 << 0 << 10 << 0 << true;
        QTest::newRow("starts exactly at the window end")
            << 0.0 << 1 << 1.0 << 0.0 << 0 << 10 << 1 << false;
        QTest::newRow("ends at the window start")
            << -20.0 << 1 << 1.0 << 0.0 << 0 << 10 << 0 << false;
        QTest::newRow("ends before the window") << -21.0 << 1 << 1.0 << 0.0 << 0 << 10 << 0 << true;
        QTest::newRow("inactive channel") << -5.0 << 0 << 1.0 << 0.0 << 0 << 10 << 0 << true;
        QTest::newRow("no rate") << -5.0 << 1 << 0.0 << 0.0 << 0 << 10 << 0 << true;
        QTest::newRow("measured rate stands in")
            << -5.0 << 1 << 0.0 << 2.0 << 0 << 10 << 10 << false;
        QTest::newRow("channel not in the catalogue")
            << -5.0 << 1 << 1.0 << 0.0 << 1 << 10 << 0 << true;
        QTest::newRow("empty packet") << -5.0 << 1 << 1.0 << 0.0 << 0 << 0 << 0 << true;
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
        PacketStore store = MakeRing(2);
        DasStreamChanInfo sender = cat.Entries[0];
        sender.Channel = static_cast<std::uint16_t>(sender.Channel + otherChannel);
        QFETCH(int, samples);
        PutPacket(store, sender, TenOClock(startSeconds), std::vector<std::int32_t>(samples, 7));
        ResetChannels(cat, {.TimeRange = 10});
        GatherStatistics(cat, ChannelIndex(cat), store, 10);
        QTEST(cat.Entries[0].MeanCount, "counted");
        PacketSpan span;
        QFETCH(bool, refused);
        if (refused)
            QVERIFY(!VisiblePart(store.PacketRing[0], cat, ChannelIndex(cat), 10, span));
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
        const DisplayState ds{.TimeScale = mode, .TimeShift = shift};
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
        QFETCH(int, units);
        QFETCH(int, dcRemoval);
        const DisplayState ds{.ZeroDcOffset = dcRemoval, .VoltsLable = units};
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
        e.MinCount = kBottom;
        e.MaxCount = kTop;
        e.BitWeight = 1e-6;
        ScaleEntry(e, ScaleIndividual, 1.0, {});
        DisplayState ds;
        QCOMPARE(RangeText(e, ds), QStringLiteral("Range=4294967295"));
        ds.VoltsLable = LabelVolts;
        QCOMPARE(RangeText(e, ds), QStringLiteral("Range=4294.97V"));
        QCOMPARE(MinText(e, ds), QStringLiteral("Min=-2147.48V"));
        QCOMPARE(e.RangeCount, kTop);
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
            // And a row is left out only when it would overlap the middle one.
            const auto box = [&](int line) {
                return std::pair(line - fm.ascent(), line + fm.descent());
            };
            QCOMPARE(rows.Top,
                     rows.Middle && box(rows.TopLine).second <= box(rows.MiddleLine).first);
            QCOMPARE(rows.Bottom,
                     rows.Middle && box(rows.MiddleLine).second <= box(rows.BottomLine).first);
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
        QTest::newRow("whole minute") << at(10, 1, 0) << "10:01:00";
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
        QTest::newRow("ticks on the window edges left out") << 120 << 0.0 << -100.0 << 5;
        QTest::newRow("1 s every 200 ms") << 1 << 0.5 << -0.4 << 5;
        QTest::newRow("window across midnight") << 60 << -36000.0 + 10 << -36040.0 << 5;
        QTest::newRow("no range") << 0 << 0.0 << 0.0 << 0;
        QTest::newRow("negative range") << -5 << 0.0 << 0.0 << 0;
    }
    // The axis names times of day: over the widest window the dialog accepts no two of its
    // ticks may carry the same time.
    void widestRangeLabelsEveryTickApart()
    {
        const std::vector<TimeTick> ticks = TimeTicks(TenOClock(0.3), kMaxTimeRange, 0, 8640);
        QVERIFY(ticks.size() >= 5);
        QSet<QString> labels;
        for (const TimeTick& tick : ticks)
            labels.insert(TickLabelText(tick.MsecOfDay));
        QCOMPARE(labels.size(), int(ticks.size()));
    }

    void ticksFallOnWholeStepsAfterTheMinute()
    {
        QFETCH(int, range);
        QFETCH(double, axisSeconds);
        QFETCH(double, firstTickSeconds);
        const DayTime axis = TenOClock(axisSeconds);
        const int x0 = 100;
        const int x1 = 700;
        const std::vector<TimeTick> ticks = TimeTicks(axis, range, x0, x1);
        QTEST(static_cast<int>(ticks.size()), "count");
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
        // With labels, each tick's time stands centred on its line, its baseline one pixel below
        // the font's ascent from the top.
        QImage expected = without;
        QPainter p(&expected);
        p.setFont(ds.traceFont);
        p.setPen(ds.textColor);
        for (const TimeTick& tick : TimeTicks(TenOClock(), ds.TimeRange, 100, 700)) {
            const QString label = TickLabelText(tick.MsecOfDay);
            p.drawText(QPoint(tick.X - p.fontMetrics().horizontalAdvance(label) / 2,
                              10 + p.fontMetrics().ascent() + 1),
                       label);
        }
        p.end();
        QCOMPARE(with, expected);
    }

private:
    int scenes_ = 0;
    int drawn_ = 0;
};

QTEST_MAIN(DisplayTest)
#include "tst_display.moc"
