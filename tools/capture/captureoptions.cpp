#include "tools/capture/captureoptions.h"

#include "link/connectionstate.h"
#include "link/pksdlink.h"
#include "packets/numbertext.h"
#include "store/storedvalues.h"
#include "tools/inspect/seednames.h"

#include <QDateTime>
#include <QSettings>

#include <cmath>
#include <optional>

namespace {

constexpr std::int64_t kBytesPerMb = 1000000;

std::optional<long long> WholeNumber(const QString& text, long long low, long long high)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

// Seconds as the operator types them, with a '.' whatever the desktop's locale.
std::optional<double> Seconds(const QString& text)
{
    const std::string bytes = text.toStdString();
    std::size_t used = 0;
    const std::optional<double> value = ReadDecimal(bytes, &used);
    if (!value || used != bytes.size() || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

// Takes the value of one option; false with line.Error set when it is unusable.
bool TakeValue(const QString& name, const QString& value, CaptureCommandLine& line)
{
    CaptureOptions& o = line.Options;
    if (name == QLatin1String("--host") && !value.isEmpty()) {
        o.Host = value;
    } else if (name == QLatin1String("--port")) {
        const auto port = WholeNumber(value, 1, 65535);
        o.Port = port ? static_cast<int>(*port) : -1;
        if (!port)
            line.Error = QStringLiteral("--port needs a number from 1 to 65535");
    } else if (name == QLatin1String("--output") && !value.isEmpty()) {
        o.Output = value;
    } else if (name == QLatin1String("--sds") && !value.isEmpty()) {
        o.Sds = value;
    } else if (name == QLatin1String("--names") && !value.isEmpty()) {
        o.NamesFile = value;
    } else if (name == QLatin1String("--network")) {
        o.Network = value.toLatin1();
        if (!IsNetworkCode(o.Network))
            line.Error = QStringLiteral("--network needs 1 or 2 upper-case letters or digits");
    } else if (name == QLatin1String("--rotate-mb")) {
        const auto mb = WholeNumber(value, 1, 1000000);
        o.RotateBytes = mb ? *mb * kBytesPerMb : 0;
        if (!mb)
            line.Error = QStringLiteral("--rotate-mb needs a whole number from 1 to 1000000");
    } else if (name == QLatin1String("--duration")) {
        o.DurationSeconds = Seconds(value).value_or(0.0);
        if (o.DurationSeconds <= 0.0 || o.DurationSeconds > 1e9)
            line.Error = QStringLiteral("--duration needs a number of seconds above 0");
    } else if (name == QLatin1String("--reconnect-ms")) {
        const auto ms = WholeNumber(value, 1, 3600000);
        o.ReconnectMs = ms ? static_cast<int>(*ms) : kReconnectIntervalMs;
        if (!ms)
            line.Error = QStringLiteral("--reconnect-ms needs a number from 1 to 3600000");
    } else {
        line.Error = QStringLiteral("%1 needs a value").arg(name);
    }
    return line.Error.isEmpty();
}

bool TakesValue(const QString& name)
{
    static const char* const kNames[] = {"--host",      "--port",     "--output",
                                         "--sds",       "--network",  "--names",
                                         "--rotate-mb", "--duration", "--reconnect-ms"};
    for (const char* known : kNames) {
        if (name == QLatin1String(known))
            return true;
    }
    return false;
}

} // namespace

CaptureCommandLine ParseCaptureCommandLine(const QStringList& arguments)
{
    CaptureCommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.Help = true;
            continue;
        }
        QString value;
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        if (equals > 0) {
            value = arg.mid(equals + 1);
            arg.truncate(equals);
        } else if (TakesValue(arg) && i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        if (!TakesValue(arg)) {
            line.Error = QStringLiteral("unknown argument %1").arg(arguments[i]);
            return line;
        }
        // A forgotten value must not swallow the next option: "--output --duration 5" would
        // otherwise write a file named --duration and run until killed.
        if (value.startsWith(QLatin1String("--"))) {
            line.Error = QStringLiteral("%1 needs a value, not %2 (a path that begins with -- is "
                                        "written ./%2)")
                             .arg(arg, value);
            return line;
        }
        if (!TakeValue(arg, value, line))
            return line;
    }
    const CaptureOptions& o = line.Options;
    if (o.Sds.isEmpty() && (!o.NamesFile.isEmpty() || o.Network != CaptureOptions().Network)) {
        line.Error = QStringLiteral("--network and --names go with --sds");
        return line;
    }
    line.Valid = true;
    return line;
}

QByteArray CaptureUsageText()
{
    return "Usage: tremvue-capture [--host H] [--port P] [--output FILE] [--rotate-mb N]\n"
           "                       [--sds ROOT [--network NN] [--names MAP]] [--duration S]\n"
           "Connects to PKSD as the monitor does and writes every frame it receives, whole\n"
           "and as received, to FILE; tremvue-inspect --frames and pksd-sim --replay read it.\n"
           "With --sds it also archives every data packet as miniSEED as it arrives.\n"
           "\n"
           "  --host H          PKSD host (default: PksdHost of the monitor's settings,\n"
           "                    else localhost)\n"
           "  --port P          PKSD port (default: PksdPort of the monitor's settings,\n"
           "                    else " +
           QByteArray::number(kDefaultPksdPort) +
           ")\n"
           "  --output FILE     capture file, never overwritten (default:\n"
           "                    capture-YYYYMMDD-HHMMSS.pksd, the start time in UTC)\n"
           "  --sds ROOT        archive each data packet as a 1024-byte miniSEED record in\n"
           "                    the day file of its first sample, ROOT/YEAR/NET/STA/CHA.D/\n"
           "                    NET.STA.LOC.CHA.D.YEAR.DOY, as tremvue-inspect --sds does;\n"
           "                    without --output no capture file is written\n"
           "  --network NN      SEED network code of the archive's default names (XX)\n"
           "  --names MAP       SEED names per channel, as tremvue-inspect reads them\n"
           "  --rotate-mb N     start a new file before one would pass N MB (1,000,000\n"
           "                    bytes); the files are FILE with .0001, .0002 ... before\n"
           "                    its suffix\n"
           "  --duration S      stop after S seconds (default: run until SIGINT or SIGTERM)\n"
           "  --reconnect-ms N  for testing: wait N ms instead of 10 s before reconnecting\n"
           "  --help            print this text\n"
           "\n"
           "After a refused connection, an error or a close by PKSD it connects again every\n"
           "10 seconds, as the monitor does. Progress goes to standard error.\n"
           "\n"
           "A restart appends to the archive's day files; a packet whose channel's day file\n"
           "holds a record with the same start time (PKSD sending recent data again) is not\n"
           "written twice.\n"
           "\n"
           "Exit status: 0 when stopped by --duration, SIGINT or SIGTERM; 1 when the capture\n"
           "file or the archive could not be created or written (a full disk): the files\n"
           "hold whole frames and whole records only; 2 on bad usage; 3 when the run ended\n"
           "without a single frame received.\n"
           "An option's value may not begin with --; write a path such as ./--name.\n";
}

void ApplyStoredConnection(CaptureOptions& options, const QSettings& store)
{
    if (options.Host.isEmpty())
        options.Host =
            StoredText(store, StoredKey("PksdHost")).value_or(ConnectionState{}.PksdHost);
    if (options.Host.isEmpty())
        options.Host = ConnectionState{}.PksdHost;
    if (options.Port < 0)
        options.Port = StoredInt(store, StoredKey("PksdPort"), 0, 65535).value_or(kDefaultPksdPort);
}

QString DefaultCaptureName(const QDateTime& utc)
{
    return QStringLiteral("capture-") + utc.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QStringLiteral(".pksd");
}
