#include "tools/inspect/inspectrun.h"

#include "packets/byteorder.h"

#include <QFile>
#include <QIODevice>

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    bool packets = false;
    bool frames = false;
    bool optionsEnded = false;
    for (const QString& arg : arguments) {
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            line.Files.append(arg);
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg == QLatin1String("--packets")) {
            packets = true;
        } else if (arg == QLatin1String("--frames")) {
            frames = true;
        } else if (arg == QLatin1String("--samples")) {
            line.Options.Samples = true;
        } else if (arg == QLatin1String("--json")) {
            line.Options.Json = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.Help = true;
        } else {
            line.Error = QStringLiteral("unknown option %1").arg(arg);
            return line;
        }
    }
    if (line.Help) {
        line.Valid = true;
        return line;
    }
    if (packets == frames) {
        line.Error = packets ? QStringLiteral("--packets and --frames exclude each other")
                             : QStringLiteral("one of --packets or --frames is needed");
        return line;
    }
    if (line.Files.isEmpty()) {
        line.Error = QStringLiteral("no input named");
        return line;
    }
    line.Options.Mode = frames ? InputMode::Frames : InputMode::Packets;
    line.Valid = true;
    return line;
}

QByteArray UsageText()
{
    return "Usage: tremvue-inspect (--packets | --frames) [--samples] [--json] FILE...\n"
           "Prints the recorder packets in each FILE (- reads standard input).\n"
           "\n"
           "  --packets  FILE holds consecutive raw 1024-byte recorder packets\n"
           "  --frames   FILE holds a PKSD frame stream (2-byte type, 4-byte length, payload)\n"
           "  --samples  list the decoded samples of each data packet\n"
           "  --json     print one JSON object per line\n"
           "  --help     print this text\n"
           "\n"
           "Exit status: 0 when every input was read whole, 1 when an input cannot be\n"
           "opened, 2 on bad usage, 3 when an input was damaged or cut short (a truncated\n"
           "packet or frame, a bad frame length, a read error). 1 wins over 3.\n";
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
    PacketReport report(line.Options, out);
    int status = ExitOk;
    for (const QString& name : line.Files) {
        report.SetFileName(name);
        if (name == QLatin1String("-")) {
            ReadStream(in, line.Options.Mode, report);
            continue;
        }
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            err.write("tremvue-inspect: cannot open " + name.toLocal8Bit() + ": " +
                      file.errorString().toLocal8Bit() + '\n');
            status = ExitCannotOpen;
            continue;
        }
        ReadStream(file, line.Options.Mode, report);
    }
    if (status == ExitOk && report.Damaged()) {
        status = ExitDamaged;
    }
    return status;
}
