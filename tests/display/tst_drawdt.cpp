#include "display/channelindex.h"
#include "display/displaystate.h"
#include "display/drawdt.h"
#include "display/offscreenpicture.h"
#include "display/packetwindow.h"
#include "display/plotgeometry.h"
#include "display/tracemapping.h"
#include "display/tracepass.h"
#include "plotfixture.h"

#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <random>

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
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != c)
                return false;
        }
    }
    return true;
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

} // namespace

class DrawDtTest : public QObject
{
    Q_OBJECT

private slots:
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
        s.ds.TimeRange = 10;
        s.ds.MinMaxLable = labels;
        s.ds.MeanRangeLable = labels;
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
        s.ds.MinMaxLable = 0;
        s.ds.MeanRangeLable = 0;
        s.ds.TimeLable = 0;
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
        s.ds.TimeScale = 4;
        s.ds.TimeRange = 100;
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

    void earlyStopsLeaveBackgroundOnly_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("timeRange");
        QTest::newRow("bands below one pixel") << 5 << 3 << 120;
        QTest::newRow("no active channel") << 400 << 0 << 120;
        QTest::newRow("time range 0") << 400 << 1 << 0;
        QTest::newRow("negative time range") << 400 << 1 << -5;
    }
    void earlyStopsLeaveBackgroundOnly()
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
        QVERIFY(OnlyColour(s.image, s.ds.backgroundColor));
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

    void resizeRule_data()
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
    void resizeRule()
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
        {
            QPainter p(&window);
            CopyPicture(p, picture);
        }
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
        QImage blank(merged.size(), QImage::Format_RGB32);
        blank.fill(Qt::gray);
        ++scenes_;
        drawn_ += merged != blank ? 1 : 0;
    }

    void cleanupTestCase() { QVERIFY(drawn_ >= scenes_ * 9 / 10); }

private:
    int scenes_ = 0;
    int drawn_ = 0;
};

QTEST_MAIN(DrawDtTest)
#include "tst_drawdt.moc"
