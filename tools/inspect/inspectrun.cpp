#include "tools/inspect/inspectrun.h"

#include "packets/byteorder.h"
#include "tools/inspect/exportrun.h"
#include "tools/inspect/gapreport.h"
#include "tools/inspect/seednames.h"
#include "tools/inspect/visitorpair.h"

#include <QFile>
#include <QIODevice>

namespace {

bool IsValueOption(const QString& arg)
{
    return arg == QLatin1String("--mseed") || arg == QLatin1String("--sds") ||
           arg == QLatin1String("--network") || arg == QLatin1String("--names");
}

void TakeValue(const QString& option, const QString& value, CommandLine& line)
{
    if (value.isEmpty()) {
        line.Error = QStringLiteral("%1 needs a value").arg(option);
    } else if (option == QLatin1String("--mseed")) {
        line.Mseed = value;
    } else if (option == QLatin1String("--sds")) {
        line.Sds = value;
    } else if (option == QLatin1String("--names")) {
        line.NamesFile = value;
    } else {
        line.Network = value.toLatin1();
        if (!IsNetworkCode(line.Network))
            line.Error = QStringLiteral("--network needs 1 or 2 upper-case letters or digits");
    }
}

// The checks that need the whole command line.
QString Inconsistency(const CommandLine& line, bool packets, bool frames, bool exportOnly)
{
    if (packets == frames)
        return packets ? QStringLiteral("--packets and --frames exclude each other")
                       : QStringLiteral("one of --packets or --frames is needed");
    if (line.Files.isEmpty())
        return QStringLiteral("no input named");
    const bool exporting = !line.Mseed.isEmpty() || !line.Sds.isEmpty();
    if (!line.Mseed.isEmpty() && !line.Sds.isEmpty())
        return QStringLiteral("--mseed and --sds exclude each other");
    if (!exporting && exportOnly)
        return QStringLiteral("--network and --names go with --mseed or --sds");
    if (exporting && line.Options.Samples)
        return QStringLiteral("--samples does not go with --mseed or --sds");
    if (line.Gaps && (line.Options.Samples || !line.Mseed.isEmpty() || !line.Sds.isEmpty()))
        return QStringLiteral("--gaps goes with neither --samples, --mseed nor --sds");
    return {};
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    bool packets = false;
    bool frames = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size() && line.Error.isEmpty(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            line.Files.append(arg);
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (IsValueOption(arg)) {
            TakeValue(arg, i + 1 < arguments.size() ? arguments[++i] : QString(), line);
        } else if (arg == QLatin1String("--packets") || arg == QLatin1String("--frames")) {
            (arg == QLatin1String("--packets") ? packets : frames) = true;
        } else if (arg == QLatin1String("--samples")) {
            line.Options.Samples = true;
        } else if (arg == QLatin1String("--json")) {
            line.Options.Json = true;
        } else if (arg == QLatin1String("--gaps")) {
            line.Gaps = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.Help = true;
        } else {
            line.Error = QStringLiteral("unknown option %1").arg(arg);
        }
    }
    if (!line.Error.isEmpty() || line.Help) {
        line.Valid = line.Error.isEmpty();
        return line;
    }
    const bool exportOnly =
        !line.NamesFile.isEmpty() || arguments.contains(QStringLiteral("--network"));
    line.Error = Inconsistency(line, packets, frames, exportOnly);
    line.Options.Mode = frames ? InputMode::Frames : InputMode::Packets;
    line.Options.List = line.Mseed.isEmpty() && line.Sds.isEmpty() && !line.Gaps;
    line.Valid = line.Error.isEmpty();
    return line;
}

QByteArray UsageText()
{
    return "Usage: tremvue-inspect (--packets | --frames) [--samples] [--json] FILE...\n"
           "       tremvue-inspect (--packets | --frames) --gaps [--json] FILE...\n"
           "       tremvue-inspect (--packets | --frames) (--mseed OUT | --sds ROOT)\n"
           "                       [--network NN] [--names MAP] [--json] FILE...\n"
           "Prints the recorder packets in each FILE (- reads standard input), or each\n"
           "channel's gaps, or exports their data packets to miniSEED.\n"
           "\n"
           "  --packets     FILE holds consecutive raw 1024-byte recorder packets\n"
           "  --frames      FILE holds a PKSD frame stream (2-byte type, 4-byte length,\n"
           "                payload), as tremvue-capture and pksd-sim --record write it\n"
           "  --samples     list the decoded samples of each data packet\n"
           "  --json        print one JSON object per line\n"
           "  --gaps        instead of listing the packets, tell for each channel its first\n"
           "                and last sample time, packets, samples, and every gap and\n"
           "                overlap with its start and length: a packet that starts more\n"
           "                than 1.5 sample intervals after, or before, the time after the\n"
           "                last sample of the packet before it; only problems are listed\n"
           "                besides\n"
           "  --mseed OUT   write the samples of every data packet to OUT as 1024-byte\n"
           "                miniSEED 2 records instead of listing the packets; only\n"
           "                problems and a summary are printed\n"
           "  --sds ROOT    the same, into the day files of an archive under ROOT laid out\n"
           "                as ROOT/YEAR/NET/STA/CHA.D/NET.STA.LOC.CHA.D.YEAR.DOY, each record\n"
           "                in the file of its first sample's day; files are appended to,\n"
           "                and a packet whose start the channel's file holds is not\n"
           "                written again\n"
           "  --network NN  SEED network code of the default names (default XX)\n"
           "  --names MAP   SEED names per channel, lines of UNIT STREAM CHANNEL\n"
           "                NET.STA.LOC.CHA (stream and channel from 0, as in the packets)\n"
           "  --help        print this text\n"
           "\n"
           "Default SEED names: network NN, station the unit id (9A3C), location the stream\n"
           "(00), channel the band code for the rate, H, and Z N E for channels 0-2, the\n"
           "digit for 3-9, A B C D F G ... X for 10-31.\n"
           "\n"
           "Damage is reported in the listing and on standard error too.\n"
           "\n"
           "Exit status: 0 when every input was read whole, 1 when an input cannot be\n"
           "opened or OUT or the archive cannot be written, 2 on bad usage (or a bad MAP\n"
           "line), 3 when an input was damaged or cut short (a truncated packet or frame,\n"
           "a bad frame length, a read error, a frame stream read with --packets) or, with\n"
           "--mseed or --sds, a data packet was not exported. 1 wins over 3.\n";
}

int ReadInputs(const CommandLine& line, PacketVisitor& visitor, PacketReport& report, QIODevice& in,
               QIODevice& err)
{
    int status = ExitOk;
    for (const QString& name : line.Files) {
        report.SetFileName(name);
        if (name == QLatin1String("-")) {
            ReadStream(in, line.Options.Mode, visitor);
            continue;
        }
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            err.write("tremvue-inspect: cannot open " + name.toLocal8Bit() + ": " +
                      file.errorString().toLocal8Bit() + '\n');
            status = ExitCannotOpen;
            continue;
        }
        ReadStream(file, line.Options.Mode, visitor);
    }
    return status;
}

int RunGaps(const CommandLine& line, QIODevice& in, QIODevice& out, QIODevice& err)
{
    PacketReport report(line.Options, out, &err);
    GapReport gaps;
    VisitorPair both(report, gaps);
    const int status = ReadInputs(line, both, report, in, err);
    out.write(gaps.Result(line.Options.Json));
    return status == ExitOk && report.Damaged() ? ExitDamaged : status;
}

int RunInspect(const QStringList& arguments, QIODevice& in, QIODevice& out, QIODevice& err)
{
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.Valid) {
        err.write("tremvue-inspect: " + line.Error.toLocal8Bit() + '\n' + UsageText());
        return ExitUsage;
    }
    if (line.Help) {
        out.write(UsageText());
        return ExitOk;
    }
    DetectByteOrder();
    if (line.Gaps)
        return RunGaps(line, in, out, err);
    if (!line.Options.List)
        return RunExport(line, in, out, err);
    PacketReport report(line.Options, out, &err);
    const int status = ReadInputs(line, report, report, in, err);
    return status == ExitOk && report.Damaged() ? ExitDamaged : status;
}
