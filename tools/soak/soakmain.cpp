// Tremvue's main window, offscreen, against pksd-sim with faults at random for a given time,
// then one last connection whose packets must all be in the ring. Prints what it checked and
// exits non-zero when a check failed.
#include "tests/common/pksdsimprocess.h"
#include "tools/soak/clientframes.h"
#include "tools/soak/linkwatch.h"
#include "tools/soak/monitorsettings.h"
#include "tools/soak/residentmemory.h"
#include "tools/soak/ringcheck.h"

#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "link/pksdlink.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int kRingSlots = 2000;
constexpr int kLastConnectionPackets = 1200;
// Time the last connection needs: closure, 10 s to reconnect, the burst and the check.
constexpr int kLastPhaseSeconds = 15;
constexpr double kMinDelay = 10.0;
constexpr double kMaxDelay = 12.0;
constexpr double kMemoryGoalMb = 1.0;
constexpr int kReconnectWaitMs = 45000;
constexpr int kBurstWaitMs = 30000;
constexpr int kRingWaitMs = 5000;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAsan = true;
#else
constexpr bool kUnderAsan = false;
#endif

const QStringList kUnits{QStringLiteral("9A3C"), QStringLiteral("12AB")};
constexpr int kChannels = 3;

void Print(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

const char* Verdict(bool met)
{
    return met ? "met" : "NOT met";
}

QString FaultSummary(const QStringList& lines)
{
    QMap<QString, int> kinds;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("fault ")))
            ++kinds[line.section(QLatin1Char(' '), 1, 1)];
    }
    QStringList parts;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    return parts.join(QStringLiteral(", "));
}

// Every simulated channel is active but the last one of the second unit, so the keep-selected
// rule has something to drop.
std::vector<ChannelChoice> Channels()
{
    std::vector<ChannelChoice> out;
    for (const QString& unit : kUnits)
        for (int c = 0; c < kChannels; ++c)
            out.push_back({static_cast<std::uint16_t>(unit.toUInt(nullptr, 16)), 0,
                           static_cast<std::uint16_t>(c),
                           !(unit == kUnits.last() && c == kChannels - 1)});
    return out;
}

QStringList CommonSimOptions()
{
    return {QStringLiteral("--units"),  kUnits.join(QLatin1Char(',')), QStringLiteral("--channels"),
            QString::number(kChannels), QStringLiteral("--format"),    QStringLiteral("mixed"),
            QStringLiteral("--fast")};
}

struct SoakOptions
{
    int Seconds = 600;
    QString Sim;
    QString Seed;
};

SoakOptions ParseOptions(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Fault-injection soak of the main window."));
    parser.addHelpOption();
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Length of the soak (default 600)."),
                                     QStringLiteral("N"), QStringLiteral("600"));
    const QCommandLineOption sim(QStringLiteral("sim"), QStringLiteral("pksd-sim to run."),
                                 QStringLiteral("PATH"), QStringLiteral(PKSD_SIM_PATH));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the random faults (default 1)."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({seconds, sim, seed});
    parser.process(app);
    return {std::max(parser.value(seconds).toInt(), kLastPhaseSeconds + 30), parser.value(sim),
            parser.value(seed)};
}

// What the soak measured, for the report.
struct SoakFigures
{
    int Elapsed = 0;
    bool WarmedUp = false;
    std::int64_t WarmResident = 0;
    std::int64_t EndResident = 0;
    bool Reconnected = false;
    RingCheck Ring;
    QStringList FaultLines;
};

// The last connection: faults that keep the stream in step, so every data packet counts. The
// window must reconnect to it, take every packet, and hold the newest in its ring.
void RunLastConnection(const SoakOptions& options, std::uint16_t port, const LinkWatch& watch,
                       const ProgramState& state, const QString& capture, SoakFigures& figures)
{
    const int connectionsBefore = watch.Count(LinkWatch::Kind::Connected);
    PksdSimProcess last(options.Sim);
    const QStringList faults{QStringLiteral("--count"),
                             QString::number(kLastConnectionPackets),
                             QStringLiteral("--fault-short-dt"),
                             QStringLiteral("7"),
                             QStringLiteral("--fault-unknown-type"),
                             QStringLiteral("11"),
                             QStringLiteral("--fault-et"),
                             QStringLiteral("13"),
                             QStringLiteral("--fault-type0"),
                             QStringLiteral("5"),
                             QStringLiteral("--record"),
                             capture};
    figures.Reconnected =
        last.Start(CommonSimOptions() + faults, port) &&
        QTest::qWaitFor([&] { return watch.Count(LinkWatch::Kind::Connected) > connectionsBefore; },
                        kReconnectWaitMs);
    const QString sentAll = QStringLiteral("sent %1 data packets").arg(kLastConnectionPackets);
    auto finished = [&] {
        return std::any_of(last.LogLines().cbegin(), last.LogLines().cend(),
                           [&](const QString& l) { return l.contains(sentAll); });
    };
    // All sent and, a moment later, all read; memory is taken before the check reads the capture.
    if (figures.Reconnected)
        (void)QTest::qWaitFor(finished, kBurstWaitMs); // the check below says what was missed
    QTest::qWait(1000);
    figures.EndResident = ResidentBytes();
    auto checkRing = [&] {
        QFile f(capture);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        figures.Ring =
            CheckRingHoldsNewest(state.Store, state.Catalogue, ClientDtPayloads(f.readAll()));
        return figures.Ring.Passed();
    };
    if (figures.Reconnected && !checkRing())
        (void)QTest::qWaitFor(checkRing, kRingWaitMs); // figures.Ring tells the outcome
    last.Stop();
    figures.FaultLines += last.LogLines();
}

// Prints every figure with its goal; true when all were met.
bool Report(const SoakOptions& options, const SoakFigures& f, const LinkWatch& watch,
            bool windowAlive)
{
    int faults = 0;
    for (const QString& l : f.FaultLines)
        faults += l.startsWith(QLatin1String("fault ")) ? 1 : 0;
    const bool faultsMet = faults > 0 && windowAlive;
    const std::vector<double> delays = watch.ReconnectDelays();
    const auto [lo, hi] = std::minmax_element(delays.cbegin(), delays.cend());
    const bool delaysMet = !delays.empty() && *lo >= kMinDelay && *hi <= kMaxDelay && f.Reconnected;
    const double growthMb = static_cast<double>(f.EndResident - f.WarmResident) / (1024.0 * 1024.0);
    const bool memoryMet =
        kUnderAsan || (f.WarmedUp && f.WarmResident > 0 && growthMb < kMemoryGoalMb);

    Print(QStringLiteral("soak: %1 s against pksd-sim, seed %2").arg(f.Elapsed).arg(options.Seed));
    Print(QStringLiteral("faults: %1 injected (%2), survived, %3")
              .arg(faults)
              .arg(FaultSummary(f.FaultLines))
              .arg(QLatin1String(Verdict(faultsMet))));
    Print(QStringLiteral("reconnections: %1 connections, %2 closures, %3 refused attempts; "
                         "%4 delays %5-%6 s, goal 10-12 s, %7")
              .arg(watch.Count(LinkWatch::Kind::Connected))
              .arg(watch.Count(LinkWatch::Kind::Closed))
              .arg(watch.Count(LinkWatch::Kind::Refused))
              .arg(delays.size())
              .arg(delays.empty() ? 0.0 : *lo, 0, 'f', 2)
              .arg(delays.empty() ? 0.0 : *hi, 0, 'f', 2)
              .arg(QLatin1String(Verdict(delaysMet))));
    Print(QStringLiteral("ring: %1 of %2 DT packets of active channels sent after the last "
                         "reconnection stored with their samples, %3%4")
              .arg(f.Ring.Stored)
              .arg(f.Ring.Expected)
              .arg(QLatin1String(Verdict(f.Ring.Passed())))
              .arg(f.Ring.FirstMismatch.isEmpty()
                       ? QString()
                       : QStringLiteral(" (") + f.Ring.FirstMismatch + QLatin1Char(')')));
    Print(QStringLiteral("memory: %1 MB growth after warm-up (resident %2 MB), goal < 1 MB, %3")
              .arg(growthMb, 0, 'f', 3)
              .arg(static_cast<double>(f.EndResident) / (1024.0 * 1024.0), 0, 'f', 1)
              .arg(kUnderAsan ? QStringLiteral("not judged under AddressSanitizer")
                              : QLatin1String(Verdict(memoryMet))));
    const bool passed = faultsMet && delaysMet && f.Ring.Passed() && memoryMet;
    Print(QStringLiteral("soak: %1")
              .arg(passed ? QStringLiteral("passed") : QStringLiteral("FAILED")));
    return passed;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const SoakOptions options = ParseOptions(app);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        Print(QStringLiteral("soak: no temporary folder"));
        return 1;
    }
    const QString ini = dir.filePath(QStringLiteral("ovqt_display.ini"));

    // Random faults in fast bursts; every closure is followed by 11 s of refused connections.
    auto faulty = std::make_unique<PksdSimProcess>(options.Sim);
    if (!faulty->Start(CommonSimOptions() +
                       QStringList{QStringLiteral("--faults-random"), QStringLiteral("--seed"),
                                   options.Seed, QStringLiteral("--close-after"),
                                   QStringLiteral("600"), QStringLiteral("--refuse"),
                                   QStringLiteral("11")})) {
        Print(QStringLiteral("soak: pksd-sim did not start: ") + options.Sim);
        return 1;
    }
    const std::uint16_t port = faulty->Port();
    MonitorSettings settings;
    settings.Port = port;
    settings.NringBuffer = kRingSlots;
    settings.TimeRange = 20;
    settings.Channels = Channels();
    WriteMonitorSettings(ini, settings);

    QElapsedTimer clock;
    clock.start();
    auto state = std::make_unique<ProgramState>();
    ovqt_displayMainWindow window(*state, ini);
    LinkWatch watch(window.link->pksdSocket());
    window.resize(1200, 800);
    window.show();
    window.LoadSettings();

    // Warm-up: the first reconnection, with drawing, status texts and the ring all used once.
    SoakFigures figures;
    figures.WarmedUp = QTest::qWaitFor([&] { return watch.Count(LinkWatch::Kind::Connected) >= 2; },
                                       kReconnectWaitMs);
    QTest::qWait(1000);
    figures.WarmResident = ResidentBytes();
    QTest::qWait(std::max<int>(0, (options.Seconds - kLastPhaseSeconds) * 1000 -
                                      static_cast<int>(clock.elapsed())));
    faulty->Stop();
    figures.FaultLines = faulty->LogLines();

    RunLastConnection(options, port, watch, *state,
                      dir.filePath(QStringLiteral("last-connection.frames")), figures);
    figures.Elapsed = static_cast<int>(clock.elapsed() / 1000);
    return Report(options, figures, watch, window.isVisible()) ? 0 : 1;
}
