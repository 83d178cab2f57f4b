// The live archive's cost: 100 channels at 100 samples per second, simulated in Steim-2 as the
// units send it, turned into SDS day files as tremvue-capture --sds does, in CPU time per
// second of data, against the cost of writing the same frames to a capture file in the same
// run; and the archive's size against the data packets'.
#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "tools/inspect/mseedexport.h"
#include "tools/inspect/packetreport.h"
#include "tools/inspect/sdsarchive.h"
#include "tools/inspect/wholewrite.h"
#include "tools/pksd-sim/simoptions.h"
#include "tools/pksd-sim/simulatedsource.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <span>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kUnits = 4;
constexpr int kChannelsPerUnit = 25;
constexpr double kRate = 100.0;
constexpr double kDataSeconds = 1800.0;
constexpr double kGoalCorePercent = 1.0;
constexpr double kGoalSizeRatio = 1.05;
constexpr std::int64_t kStartMs = 1767225000000; // 2025-12-31 23:50 UTC: a day change inside

std::span<const std::uint8_t> Bytes(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

struct Payload
{
    std::uint16_t FrameType = 0;
    QByteArray Bytes;
};

std::vector<Payload> Session(int& dtPackets)
{
    SimOptions options;
    options.Units = {0x9A01, 0x9A02, 0x9A03, 0x9A04};
    options.Channels = kChannelsPerUnit;
    options.Rate = kRate;
    options.Format = FormatChoice::Steim2;
    SimulatedSource source(options, kStartMs);
    std::vector<Payload> session;
    const std::int64_t samples =
        static_cast<std::int64_t>(kDataSeconds * kRate) * kUnits * kChannelsPerUnit;
    std::int64_t sent = 0;
    dtPackets = 0;
    auto decoded = std::make_unique<DtPacket>();
    OutgoingPacket packet;
    while (sent < samples && source.Next(packet)) {
        session.push_back({packet.FrameType, packet.Payload});
        if (packet.Payload.startsWith("DT") && DecodeDtPacket(*decoded, Bytes(packet.Payload))) {
            ++dtPackets;
            sent += decoded->SampleCount;
        }
    }
    return session;
}

double CpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

qint64 FolderBytes(const QString& root)
{
    qint64 bytes = 0;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    DetectByteOrder();
    int dtPackets = 0;
    const std::vector<Payload> session = Session(dtPackets);
    QTemporaryDir dir;

    // The reference: every frame appended whole to one file, as the frame capture does.
    const int fd = ::open(QFile::encodeName(dir.filePath(QStringLiteral("frames"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND, 0644);
    double start = CpuSeconds();
    std::int64_t size = 0;
    for (const Payload& p : session) {
        WriteWhole(fd, size, Bytes(p.Bytes));
        size += p.Bytes.size();
    }
    const double frameSeconds = CpuSeconds() - start;
    ::close(fd);

    const QString root = dir.filePath(QStringLiteral("sds"));
    QBuffer problems;
    problems.open(QIODevice::WriteOnly);
    InspectOptions quiet;
    quiet.List = false;
    PacketReport report(quiet, problems);
    SdsArchive archive(root, [](const QString&) {});
    MseedExport exporter(archive, report, "XX", nullptr);
    start = CpuSeconds();
    for (const Payload& p : session)
        exporter.OnPayload(0, p.FrameType, Bytes(p.Bytes));
    exporter.Finish();
    const double archiveSeconds = CpuSeconds() - start;

    const double corePercent = 100.0 * archiveSeconds / kDataSeconds;
    const double sizeRatio =
        static_cast<double>(FolderBytes(root)) / (static_cast<double>(dtPackets) * 1024.0);
    std::printf("archive %d channels at %.0f sps, %.0f s of Steim-2 data: %d data packets, %d "
                "records (%d copied), %d not archived, %d day files\n",
                kUnits * kChannelsPerUnit, kRate, kDataSeconds, dtPackets, exporter.Records(),
                exporter.Copied(), exporter.NotExported(), archive.FilesOpened());
    std::printf("archive cost: %.3f %% of one core (%.3f s CPU); writing the frames alone: "
                "%.3f %%; ratio %.1f; goal < %.1f %%: %s\n",
                corePercent, archiveSeconds, 100.0 * frameSeconds / kDataSeconds,
                frameSeconds > 0.0 ? archiveSeconds / frameSeconds : 0.0, kGoalCorePercent,
                corePercent < kGoalCorePercent ? "met" : "NOT met");
    std::printf("archive size: %.3f of the data packets' bytes; goal within 5 %%: %s\n", sizeRatio,
                sizeRatio <= kGoalSizeRatio && sizeRatio >= 2.0 - kGoalSizeRatio ? "met"
                                                                                 : "NOT met");
    return corePercent < kGoalCorePercent && sizeRatio <= kGoalSizeRatio ? 0 : 1;
}
