// DT frames per second into the real main window (offscreen) from pksd-sim over loopback, with
// the monitor at its default pace, against a read-only client on the same server in the same
// run; CPU per frame, the cost of the per-packet status line and memory growth beyond the ring.
#include "bench/ingest/cputime.h"
#include "bench/ingest/healthcost.h"
#include "bench/ingest/referencereader.h"
#include "bench/ingest/statuslinecost.h"
#include "tests/common/pksdsimprocess.h"
#include "tools/soak/clientframes.h"
#include "tools/soak/monitorsettings.h"
#include "tools/soak/residentmemory.h"

#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "link/pksdlink.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr double kGoalFramesPerSecond = 50000.0;
// Of the rate of a client that only reads the socket.
constexpr double kGoalRatio = 0.5;
constexpr double kMemoryGoalMb = 1.0;
constexpr int kCapturePackets = 20000;
constexpr int kLiveProbePackets = 30000;
constexpr int kRingSlots = 1000; // the default ring
constexpr int kRunTimeoutMs = 600000;
constexpr double kWarmUpShare = 0.1;
constexpr int kSampleMs = 50;
constexpr std::size_t kMaxSamples = 100000;
constexpr double kHealthGoalPercent = 5.0;
constexpr int kJudgedChannels = 1000;
constexpr double kJudgeGoalUs = 1000.0;

const QStringList kSimUnits{QStringLiteral("--units"), QStringLiteral("9A3C,12AB,3F01"),
                            QStringLiteral("--channels"), QStringLiteral("3")};

struct Run
{
    std::int64_t Frames = 0;
    double Seconds = 0.0;
    double CpuSeconds = 0.0;
    double Rate() const { return Seconds > 0.0 ? static_cast<double>(Frames) / Seconds : 0.0; }
};

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

QStringList CountOptions(int count)
{
    return {QStringLiteral("--fast"), QStringLiteral("--count"), QString::number(count),
            QStringLiteral("--close-at-end")};
}

bool ReadOnly(std::uint16_t port, Run& run)
{
    ReferenceReader reader;
    reader.Connect(port);
    if (!QTest::qWaitFor([&] { return reader.Done(); }, kRunTimeoutMs))
        return false;
    run = {reader.DtFrames(), reader.Seconds(), reader.CpuSeconds()};
    return true;
}

struct IngestRun
{
    Run Figures;
    std::int64_t WarmResident = 0;
    std::int64_t WarmFrames = 0;
    std::int64_t EndResident = 0;
    std::int64_t Messages = 0;
    bool RingInStep = false;
};

void WriteIngestSettings(const QString& ini, std::uint16_t port)
{
    MonitorSettings settings;
    settings.Port = port;
    settings.NringBuffer = kRingSlots;
    settings.TimeRange = 120;
    settings.KeepSel = 1;
    for (const char* unit : {"9A3C", "12AB", "3F01"})
        for (std::uint16_t c = 0; c < 3; ++c)
            settings.Channels.push_back(
                {static_cast<std::uint16_t>(QString::fromLatin1(unit).toUInt(nullptr, 16)), 0, c,
                 true});
    WriteMonitorSettings(ini, settings);
}

// Wall and CPU time of the window's connection, from connected to closed by the server.
void TimeConnection(QTcpSocket& socket, QObject& context, Run& figures, bool& closed)
{
    auto connectedAt = std::make_shared<double>(0.0);
    auto connectedCpu = std::make_shared<double>(0.0);
    QObject::connect(&socket, &QAbstractSocket::stateChanged, &context,
                     [=, &figures, &closed](QAbstractSocket::SocketState s) {
                         if (s == QAbstractSocket::ConnectedState) {
                             *connectedAt = WallSeconds();
                             *connectedCpu = ProcessCpuSeconds();
                         } else if (s == QAbstractSocket::UnconnectedState && *connectedAt > 0.0 &&
                                    !closed) {
                             closed = true;
                             figures.Seconds = WallSeconds() - *connectedAt;
                             figures.CpuSeconds = ProcessCpuSeconds() - *connectedCpu;
                         }
                     });
}

// The main window against the server until the server closes after frames DT packets.
bool Ingest(std::uint16_t port, int frames, const QString& ini, IngestRun& out)
{
    WriteIngestSettings(ini, port);
    auto state = std::make_unique<ProgramState>();
    ovqt_displayMainWindow window(*state, ini);
    window.resize(1200, 800);
    window.show();
    bool closed = false;
    TimeConnection(window.link->pksdSocket(), window, out.Figures, closed);
    QObject::connect(window.statusBar(), &QStatusBar::messageChanged, &window,
                     [&](const QString& text) { out.Messages += text.isEmpty() ? 0 : 1; });
    // The ring is drawn from once it has been filled, so the first picture's memory is in.
    std::int32_t lastIndex = 0;
    bool drawn = false;
    QObject::connect(window.link, &PksdLink::dataIngested, &window, [&] {
        const std::int32_t index = state->Store.RingIndex;
        if (!drawn && index < lastIndex) {
            window.DrawDT();
            drawn = true;
        }
        lastIndex = index;
    });
    // Resident memory sampled through the run; warm-up is its first tenth.
    QElapsedTimer since;
    since.start();
    std::vector<std::pair<double, std::int64_t>> samples;
    samples.reserve(kMaxSamples);
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &window, [&] {
        if (!closed && samples.size() < kMaxSamples)
            samples.emplace_back(since.elapsed() / 1000.0, ResidentBytes());
    });
    sampler.start(kSampleMs);
    window.LoadSettings();
    if (!QTest::qWaitFor([&] { return closed; }, kRunTimeoutMs))
        return false;
    sampler.stop();
    window.DrawDT();
    out.EndResident = ResidentBytes();
    const double warmEnd = since.elapsed() / 1000.0 * kWarmUpShare;
    for (const auto& [at, resident] : samples) {
        if (at >= warmEnd) {
            out.WarmResident = resident;
            out.WarmFrames = static_cast<std::int64_t>(frames * kWarmUpShare);
            break;
        }
    }
    out.Figures.Frames = frames;
    out.RingInStep = state->Store.RingIndex == frames % kRingSlots;
    window.ClosePksd();
    return true;
}

// Live generation (encoding included), recorded once for the replay; live gets the read-only
// rate of live data.
bool RecordCapture(const QString& simPath, const QString& capture, Run& live)
{
    PksdSimProcess sim(simPath);
    if (!sim.Start(kSimUnits + CountOptions(kCapturePackets) +
                   QStringList{QStringLiteral("--record"), capture}) ||
        !ReadOnly(sim.Port(), live))
        return false;
    PksdSimProcess probe(simPath);
    return probe.Start(kSimUnits + CountOptions(kLiveProbePackets)) && ReadOnly(probe.Port(), live);
}

// One round: the read-only reference and the ingest, one right after the other, so that both
// meet the same load of the machine.
struct Round
{
    double Rate = 0.0;
    double ReferenceRate = 0.0;
    double Ratio() const { return ReferenceRate > 0.0 ? Rate / ReferenceRate : 0.0; }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void PrintRates(const IngestRun& ingest, const Run& reference, const Run& live,
                std::size_t capturePackets, const std::vector<Round>& rounds)
{
    std::vector<double> rates;
    std::vector<double> references;
    std::vector<double> ratios;
    for (const Round& r : rounds) {
        rates.push_back(r.Rate);
        references.push_back(r.ReferenceRate);
        ratios.push_back(r.Ratio());
    }
    const double rate = Median(rates);
    const double ratio = Median(ratios);
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    const bool rateMet = rate >= kGoalFramesPerSecond && ratio >= kGoalRatio && ingest.RingInStep;
    Print(QStringLiteral("source: pksd-sim --replay of a %1-packet capture --loop --fast "
                         "(live generation reaches %2 frames/s read only)")
              .arg(capturePackets)
              .arg(live.Rate(), 0, 'f', 0));
    Print(QStringLiteral("ingest: %1 frames/s, reference %2 frames/s (read only), ratio %3 "
                         "(median of %4 interleaved rounds, spread %5-%6), goal >= 50000 "
                         "frames/s and ratio >= 0.5, %7%8")
              .arg(rate, 0, 'f', 0)
              .arg(Median(references), 0, 'f', 0)
              .arg(ratio, 0, 'f', 2)
              .arg(rounds.size())
              .arg(*low, 0, 'f', 2)
              .arg(*high, 0, 'f', 2)
              .arg(QLatin1String(Verdict(rateMet)))
              .arg(ingest.RingInStep ? QString() : QStringLiteral(" (frames lost)")));
    const double usPerFrame =
        ingest.Figures.CpuSeconds * 1e6 / static_cast<double>(ingest.Figures.Frames);
    const double referenceUs = reference.CpuSeconds * 1e6 / static_cast<double>(reference.Frames);
    Print(QStringLiteral("ingest cpu: %1 us/frame (reference %2 us/frame read only; the server's "
                         "CPU not counted)")
              .arg(usPerFrame, 0, 'f', 2)
              .arg(referenceUs, 0, 'f', 2));
}

void PrintCosts(const IngestRun& ingest, const StatusLineCost& cost, int frames)
{
    const double framesPerMessage =
        ingest.Messages > 0 ? static_cast<double>(frames) / static_cast<double>(ingest.Messages)
                            : 0.0;
    // Only the last packet of a receive pass is formatted and shown.
    const double perPacket =
        framesPerMessage > 0.0 ? (cost.FormatNs + cost.MessageNs) / framesPerMessage : 0.0;
    Print(QStringLiteral("status line: %1 ns per packet (ingest step %2 ns; formatting %3 ns and "
                         "status bar %4 ns per message, one message per %5 frames)")
              .arg(perPacket, 0, 'f', 0)
              .arg(cost.IngestNs, 0, 'f', 0)
              .arg(cost.FormatNs, 0, 'f', 0)
              .arg(cost.MessageNs, 0, 'f', 0)
              .arg(framesPerMessage, 0, 'f', 1));
    const double growthMb =
        static_cast<double>(ingest.EndResident - ingest.WarmResident) / (1024.0 * 1024.0);
    const bool memoryMet = ingest.WarmResident > 0 && growthMb < kMemoryGoalMb;
    Print(QStringLiteral("memory: %1 MB growth over %2 frames beyond the ring (after a warm-up "
                         "of the first tenth), goal < 1 MB, %3")
              .arg(growthMb, 0, 'f', 3)
              .arg(frames - ingest.WarmFrames)
              .arg(QLatin1String(Verdict(memoryMet))));
}

void PrintHealthCost(const HealthCost& cost)
{
    const double growth =
        cost.IngestOffNs > 0.0 ? (cost.IngestOnNs / cost.IngestOffNs - 1.0) * 100.0 : 0.0;
    Print(QStringLiteral("health on ingest: %1 ns per packet with health, %2 ns without, %3%4 %, "
                         "goal <= 5 %, %5")
              .arg(cost.IngestOnNs, 0, 'f', 0)
              .arg(cost.IngestOffNs, 0, 'f', 0)
              .arg(QLatin1String(growth < 0.0 ? "-" : "+"))
              .arg(std::abs(growth), 0, 'f', 1)
              .arg(QLatin1String(Verdict(cost.IngestOffNs > 0.0 && growth <= kHealthGoalPercent))));
    Print(QStringLiteral("health judgement: %1 us for %2 channels, goal < 1 ms, %3")
              .arg(cost.JudgeUs, 0, 'f', 1)
              .arg(cost.JudgedChannels)
              .arg(QLatin1String(Verdict(cost.JudgeUs < kJudgeGoalUs))));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Ingest rate of the main window."));
    parser.addHelpOption();
    const QCommandLineOption framesOption(QStringLiteral("frames"),
                                          QStringLiteral("DT frames per run (default 1000000)."),
                                          QStringLiteral("N"), QStringLiteral("1000000"));
    parser.addOption(framesOption);
    const QCommandLineOption roundsOption(
        QStringLiteral("rounds"),
        QStringLiteral("Rounds of reference and ingest, interleaved (default 5)."),
        QStringLiteral("N"), QStringLiteral("5"));
    parser.addOption(roundsOption);
    parser.process(app);
    const int roundCount = std::max(parser.value(roundsOption).toInt(), 1);
    const int frames = std::max(parser.value(framesOption).toInt(), 2 * kRingSlots);
    const QString simPath = QStringLiteral(PKSD_SIM_PATH);

    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("capture.frames"));
    Run live;
    QFile file(capture);
    if (!RecordCapture(simPath, capture, live) || !file.open(QIODevice::ReadOnly)) {
        Print(QStringLiteral("ingest: pksd-sim did not serve the capture"));
        return 1;
    }
    const std::vector<QByteArray> payloads = ClientDtPayloads(file.readAll());

    // The replay of the capture, looped, serves both clients in turn.
    PksdSimProcess sim(simPath);
    Run reference;
    IngestRun ingest;
    const QString ini = dir.filePath(QStringLiteral("ovqt_display.ini"));
    if (!sim.Start(QStringList{QStringLiteral("--replay"), capture, QStringLiteral("--loop")} +
                   CountOptions(frames))) {
        Print(QStringLiteral("ingest: pksd-sim did not start"));
        return 1;
    }
    // The reference's speed swings with the machine's load; one pair of runs says little.
    std::vector<Round> rounds;
    for (int i = 0; i < roundCount; ++i) {
        reference = Run{};
        ingest = IngestRun{};
        if (!ReadOnly(sim.Port(), reference) || !Ingest(sim.Port(), frames, ini, ingest)) {
            Print(QStringLiteral("ingest: a run did not finish"));
            return 1;
        }
        rounds.push_back({ingest.Figures.Rate(), reference.Rate()});
    }
    sim.Stop();
    PrintRates(ingest, reference, live, payloads.size(), rounds);

    auto state = std::make_unique<ProgramState>();
    ovqt_displayMainWindow window(*state, ini);
    window.show();
    PrintCosts(ingest, MeasureStatusLineCost(payloads, *window.statusBar()), frames);
    PrintHealthCost(MeasureHealthCost(payloads, kJudgedChannels));
    return 0;
}
