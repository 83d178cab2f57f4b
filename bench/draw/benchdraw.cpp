// Times DrawDT on a full monitor: 32 channels at 1000 samples/s in a 1920x1080 picture, against
// a reference pass that only reads every sample of the window and computes its pixel.

#include "drawscene.h"

#include "display/channelindex.h"
#include "display/displaystate.h"
#include "display/offscreenpicture.h"
#include "display/packetwindow.h"
#include "display/timewindow.h"
#include "display/tracemapping.h"
#include "display/tracepass.h"
#include "display/tracestatistics.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRect>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kMenuBar = 24;
constexpr int kStatusBar = 22;
constexpr int kChannels = 32;
constexpr double kRate = 1000.0;
constexpr int kRuns = 7;
constexpr double kGoal = 3.0;

struct Mode
{
    const char* Name;
    int AmpScale;
};
constexpr Mode kModes[] = {{"individual", 0}, {"absolute", 1}, {"common", 2}, {"lock", 3}};

// CPU time of this thread: on a shared machine other processes stretch the wall clock, not
// this.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

double MedianMs(const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const double start = ThreadCpuMs();
        work();
        ms.push_back(ThreadCpuMs() - start);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Reads every sample in the window and computes its column and row, by the same mapping as
// the plot, with no drawing. Returns a checksum so that the work is not optimised away.
std::int64_t ReferencePass(const DrawScene& scene, const DisplayState& ds, int labelWidth)
{
    const int x0 = labelWidth;
    const int x1 = kWidth - 1 - labelWidth;
    const int y0 = kMenuBar + 2;
    const int y1 = kHeight - 1 - kStatusBar;
    const double h = static_cast<double>(y1 - y0) / kChannels;
    const double range = ds.TimeRange;
    const ChannelIndex index(scene.Catalogue);
    std::int64_t sum = 0;
    for (int k = 0; k < RingSlotCount(scene.Store); ++k) {
        const DtPacket& slot = RingSlotInOrder(scene.Store, k);
        const int n = std::min<int>(slot.SampleCount, kMaxSamples);
        const int entry = index.FindActive(slot.DasId, slot.Stream, slot.Channel);
        if (n <= 0 || entry < 0)
            continue;
        const DasStreamChanInfo& e = scene.Catalogue.Entries[static_cast<std::size_t>(entry)];
        const double d = TimeDiff(slot.Time, e.AxisTime, TimeUnitSec);
        const double r = e.SampleRate;
        if (d > 0 || n / r + d < -range)
            continue;
        const TraceBand band = BandOf(y0, h, e.DisplayIndex);
        for (int i = 0; i < n; ++i) {
            const double t = SampleTime(i, r, d);
            if (t < -range)
                continue;
            if (t > 0)
                break;
            const int x = SampleX(t, ds.TimeRange, x0, x1);
            const int y = SampleY(slot.Samples[i], e.ScaleLow, e.ScaleHigh, band.Top, band.Bottom);
            sum += x * 4096 + y;
        }
    }
    return sum;
}

// Median time of DrawDT in one scale mode, after one untimed draw that fills the glyph cache
// and, made in individual mode, gives lock mode a scale to keep.
double DrawMs(DrawScene& scene, QPixmap& picture, DisplayState ds)
{
    const QRect window(0, 0, kWidth, kHeight);
    DisplayState first = ds;
    if (first.AmpScale == 3)
        first.AmpScale = 0;
    DrawDTInto(&picture, window, kMenuBar, kStatusBar, first, scene.Catalogue, scene.Store);
    return MedianMs([&] {
        DrawDTInto(&picture, window, kMenuBar, kStatusBar, ds, scene.Catalogue, scene.Store);
    });
}

// Where the time of one individual-scale redraw goes: the statistics pass and the trace pass
// alone (on a fresh picture each time), the rest being background, frames, labels and axes.
void PrintBreakdown(DrawScene& scene, QPixmap& picture, int labelWidth)
{
    DisplayState ds;
    DrawDTInto(&picture, QRect(0, 0, kWidth, kHeight), kMenuBar, kStatusBar, ds, scene.Catalogue,
               scene.Store);
    const ChannelIndex index(scene.Catalogue);
    const double statistics = MedianMs([&] {
        ResetChannels(scene.Catalogue, ds);
        GatherStatistics(scene.Catalogue, index, scene.Store, ds.TimeRange);
    });
    // Put the scales back as the redraw left them.
    DrawDTInto(&picture, QRect(0, 0, kWidth, kHeight), kMenuBar, kStatusBar, ds, scene.Catalogue,
               scene.Store);
    const TracePlotArea area{labelWidth, kWidth - 1 - labelWidth, kMenuBar + 2,
                             (kHeight - 1 - kStatusBar - kMenuBar - 2) / double(kChannels)};
    TraceBuffers buffers;
    const double traces = MedianMs([&] {
        QPainter p(&picture);
        DrawTracePass(p, scene.Catalogue, index, scene.Store, area, ds.TimeRange, buffers);
    });
    std::printf("breakdown individual: statistics pass %.1f ms, trace pass %.1f ms\n", statistics,
                traces);
}

// The slowest redraw of each window width against the monitor's tick at that width.
void PrintTickFigures(QPixmap& picture)
{
    for (int range : {1, 10, 60, 120, 600}) {
        DrawScene scene = MakeDrawScene(kChannels, kRate, range);
        double slowest = 0.0;
        const char* slowestMode = "";
        for (const Mode& mode : kModes) {
            DisplayState ds;
            ds.TimeRange = range;
            ds.AmpScale = mode.AmpScale;
            const double ms = DrawMs(scene, picture, ds);
            if (ms > slowest) {
                slowest = ms;
                slowestMode = mode.Name;
            }
        }
        const double tick = range * 50.0;
        std::printf("TimeRange %d s: slowest draw %.1f ms (%s), monitor tick %.0f ms, %s\n", range,
                    slowest, slowestMode, tick,
                    slowest < tick ? "under one tick" : "NOT under one tick");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
#ifndef NDEBUG
    std::printf("note: assertions are on; configure Release for meaningful figures\n");
#endif
    QPixmap picture(kWidth, kHeight);
    const DisplayState defaults;
    const int labelWidth =
        QFontMetrics(defaults.traceFont, &picture).horizontalAdvance(QStringLiteral("WWWWWWWWWWW"));

    {
        DrawScene scene = MakeDrawScene(kChannels, kRate, 120);
        std::printf("scene: %d channels at %g samples/s, TimeRange 120 s, %d ring slots of %d "
                    "samples, %lld samples in the window, picture %dx%d; times are the median "
                    "thread CPU time of %d runs\n",
                    kChannels, kRate, scene.Store.AllocatedSlots, kFullSteim1Samples,
                    static_cast<long long>(scene.SamplesInWindow), kWidth, kHeight, kRuns);
        for (const Mode& mode : kModes) {
            DisplayState ds;
            ds.AmpScale = mode.AmpScale;
            const double draw = DrawMs(scene, picture, ds);
            std::int64_t checksum = 0;
            const double reference =
                MedianMs([&] { checksum += ReferencePass(scene, ds, labelWidth); });
            const double ratio = draw / reference;
            std::printf("draw %s: %.1f ms, reference %.1f ms, ratio %.2f, goal <= %.1f, %s\n",
                        mode.Name, draw, reference, ratio, kGoal,
                        ratio <= kGoal ? "met" : "NOT met");
            if (checksum == 42)
                std::printf("\n");
        }
        PrintBreakdown(scene, picture, labelWidth);
    }

    // "--no-ticks" leaves out the monitor tick figures, which build much larger rings.
    if (argc > 1 && std::strcmp(argv[1], "--no-ticks") == 0)
        return 0;
    PrintTickFigures(picture);
    return 0;
}
