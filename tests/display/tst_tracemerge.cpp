#include "display/channelindex.h"
#include "display/displaystate.h"
#include "display/drawdt.h"
#include "display/packetwindow.h"
#include "display/plotgeometry.h"
#include "display/tracemapping.h"
#include "display/tracepass.h"
#include "plotfixture.h"

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <random>

namespace {

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

class TraceMergeTest : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_MAIN(TraceMergeTest)
#include "tst_tracemerge.moc"
