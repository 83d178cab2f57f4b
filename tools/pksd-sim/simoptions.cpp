#include "simoptions.h"

#include "packets/numbertext.h"

#include "epochtime.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace {

struct OptionEntry
{
    const char* name;
    const char* valueName; // nullptr for a flag
    const char* help;
};

// clang-format off
constexpr OptionEntry kOptions[] = {
    {"listen", "HOST:PORT", "Address to listen on (default 127.0.0.1:2543). Port 0 picks a free "
                            "port. The first line on stdout is \"listening HOST:PORT\"."},
    {"units", "LIST", "Comma-separated hexadecimal unit ids (default 9A3C)."},
    {"streams", "N", "Streams per unit, 1-99 (default 1)."},
    {"channels", "N", "Channels per stream, 1-32 (default 3)."},
    {"rate", "SPS", "Sample rate, 0.1-1000 samples per second (default 100)."},
    {"format", "FORMAT", "steim1, steim2, int16, int32 or mixed (varies by unit and channel); "
                         "default steim2."},
    {"max-samples", "N", "At most N samples per data packet (default: as many as fit)."},
    {"backfill", "SECONDS", "Start the data SECONDS in the past and send it at once until it "
                            "has caught up with the clock."},
    {"start", "TIME", "Start the data at TIME, YYYY-MM-DDTHH:MM:SS[.mmm] in UTC (years "
                      "1988-2087), instead of the clock; the pacing goes on from it."},
    {"count", "N", "Send N data packets per connection, then idle (or close with "
                   "--close-at-end). Default 0: no limit."},
    {"close-at-end", nullptr, "Close the connection after --count packets or the end of a replay "
                              "instead of keeping it open idle."},
    {"seed", "N", "Seed of the simulated signals and of random faults (default 1)."},
    {"experiment", "N", "Experiment number in the packet headers, 0-99 (default 1)."},
    {"fast", nullptr, "Send as fast as the socket takes the data instead of in real time."},
    {"silent", nullptr, "Answer the handshake, then send nothing and keep the connection open "
                        "(a hung server)."},
    {"replay", "FILE", "Serve the frames of FILE (as written by --record) instead of simulated "
                       "units, paced by the packet times; stops at a frame whose length is "
                       "outside 0-1024."},
    {"loop", nullptr, "With --replay, start the capture again each time it ends (bound the "
                      "connection with --count)."},
    {"record", "FILE", "Write every byte sent to any client to FILE, connections one after "
                       "another."},
    {"verbose", nullptr, "Log \"sent DT unit stream channel sequence count\" per data packet."},
    {"fault-bad-length", "N", "Every Nth frame declares a length of 1025, or a negative one "
                              "(alternately)."},
    {"fault-short-dt", "N", "Every Nth data packet is preceded by a DT frame of 1000 bytes."},
    {"fault-unknown-type", "N", "Every Nth frame is preceded by a frame with payload type XX."},
    {"fault-et", "N", "Every Nth data packet is followed by an ET copy of the stream's EH."},
    {"fault-type0", "N", "Every Nth frame has frame type 0."},
    {"fault-garbage", "N", "Every Nth frame is preceded by 1-2048 random bytes."},
    {"close-after", "N", "Close each connection after N frames."},
    {"refuse", "SECONDS", "After a connection closes, refuse new connections for SECONDS."},
    {"faults-random", nullptr, "Inject one of the faults above at random, about once in 50 "
                               "frames (chosen by --seed)."},
    {"fault-stop", "TARGET,AFTER[,FOR]", "Stop sending the data of TARGET, a unit (9A3C) or a channel "
                                       "(9A3C/1/2: stream and channel from 1), after AFTER seconds "
                                       "of data; resume FOR seconds of data later (omitted: never). "
                                       "The data of the pause is lost."},
    {"fault-constant", "TARGET,VALUE", "Every sample of TARGET is VALUE, -8388607 to 8388607."},
    {"fault-clip", "TARGET", "Drive TARGET into full scale: runs of samples at +-8388607 (2^23-1), "
                           "or +-32767 in 16-bit packets."},
    {"fault-shift", "UNIT,SECONDS", "Shift the packet times of UNIT by SECONDS against the clock "
                                    "(negative: behind it)."},
    {"fault-drop", "TARGET,N", "Do not send every Nth data packet of each channel of TARGET, N from 2; "
                             "the sequence numbers skip them. The --fault-stop to --fault-drop "
                             "options may repeat; they need simulated units."},
};
// clang-format on

bool ParseInt(const QString& text, long long low, long long high, long long& value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= low && value <= high;
}

bool ParseDouble(const QString& text, double low, double high, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value >= low && value <= high;
}

bool ParseListen(const QString& text, SimOptions& options)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    long long port = 0;
    if (colon <= 0 || !ParseInt(text.mid(colon + 1), 0, 65535, port))
        return false;
    options.ListenHost = text.left(colon);
    options.ListenPort = static_cast<std::uint16_t>(port);
    return true;
}

bool ParseUnits(const QString& text, SimOptions& options)
{
    options.Units.clear();
    for (const QString& item : text.split(QLatin1Char(','))) {
        bool ok = false;
        const uint unit = item.trimmed().toUInt(&ok, 16);
        if (!ok || unit > 0xFFFF)
            return false;
        options.Units.push_back(static_cast<std::uint16_t>(unit));
    }
    return !options.Units.empty();
}

bool ParseFormat(const QString& text, FormatChoice& format)
{
    static const struct
    {
        const char* name;
        FormatChoice format;
    } kFormats[] = {{"steim1", FormatChoice::Steim1},
                    {"steim2", FormatChoice::Steim2},
                    {"int16", FormatChoice::Int16},
                    {"int32", FormatChoice::Int32},
                    {"mixed", FormatChoice::Mixed}};
    for (const auto& entry : kFormats) {
        if (text == QLatin1String(entry.name)) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

// The rate is written as at most 4 characters in the event headers.
bool RateFitsHeader(double rate)
{
    return FormatG(rate).size() <= 4;
}

constexpr long long kMaxCount = 1000000000;

// The years a packet header's two year digits can tell.
constexpr int kFirstYear = 1988;
constexpr int kLastYear = 2087;

bool ParseStart(const QString& text, std::int64_t& ms)
{
    static const QRegularExpression kPattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d{3}))?$"));
    const QRegularExpressionMatch match = kPattern.match(text);
    if (!match.hasMatch())
        return false;
    auto field = [&match](int n) { return match.captured(n).toInt(); };
    const int year = field(1);
    const int month = field(2);
    const int day = field(3);
    const CalendarDate date = CalendarFromDay(DayNumberFromYmd(year, month, day));
    // A date such as 30 February comes back as another day.
    if (year < kFirstYear || year > kLastYear || date.Year != year || date.Month != month ||
        date.Day != day || field(4) > 23 || field(5) > 59 || field(6) > 59)
        return false;
    const double msec = ((field(4) * 60.0 + field(5)) * 60.0 + field(6)) * 1000.0 + field(7);
    ms = EpochMsFromDayTime(DayTime{DayNumberFromYmd(year, month, day), msec});
    return true;
}

// Reads the parsed options; a refused value leaves its reason in message.
class OptionReader
{
public:
    OptionReader(const QCommandLineParser& parser, QString& message)
        : parser_(parser), message_(message)
    {}

    bool IsSet(const char* name) const { return parser_.isSet(QLatin1String(name)); }
    QString Value(const char* name) const { return parser_.value(QLatin1String(name)); }

    bool Bad(const char* name) const { return Bad(name, Value(name)); }
    bool Bad(const char* name, const QString& value) const
    {
        message_ =
            QStringLiteral("bad value for --") + QLatin1String(name) + QStringLiteral(": ") + value;
        return false;
    }
    QStringList Values(const char* name) const { return parser_.values(QLatin1String(name)); }

    // An absent option keeps its default.
    bool Integer(const char* name, long long low, long long high, int& out) const
    {
        long long v = 0;
        if (!IsSet(name))
            return true;
        if (!ParseInt(Value(name), low, high, v))
            return Bad(name);
        out = static_cast<int>(v);
        return true;
    }

    bool Double(const char* name, double low, double high, double& out) const
    {
        return !IsSet(name) || ParseDouble(Value(name), low, high, out) || Bad(name);
    }

private:
    const QCommandLineParser& parser_;
    QString& message_;
};

void AddOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Packet server stand-in: serves simulated recorder packets, or a capture, to monitor "
        "clients over TCP. Each client first sends its three opening messages; the log on stderr "
        "says whether they match what a monitor sends. Then come one event header per stream "
        "(per 16 channels) and the data packets, in frames of 1030 bytes. Injected faults are "
        "logged as lines that start with \"fault \"."));
    for (const OptionEntry& entry : kOptions) {
        if (entry.valueName != nullptr)
            parser.addOption(QCommandLineOption(QLatin1String(entry.name),
                                                QLatin1String(entry.help),
                                                QLatin1String(entry.valueName)));
        else
            parser.addOption(
                QCommandLineOption(QLatin1String(entry.name), QLatin1String(entry.help)));
    }
}

bool ReadUnits(const OptionReader& in, SimOptions& options)
{
    if (in.IsSet("listen") && !ParseListen(in.Value("listen"), options))
        return in.Bad("listen");
    if (in.IsSet("units") && !ParseUnits(in.Value("units"), options))
        return in.Bad("units");
    if (!in.Integer("streams", 1, 99, options.Streams) ||
        !in.Integer("channels", 1, 32, options.Channels) ||
        !in.Double("rate", 0.1, 1000.0, options.Rate))
        return false;
    if (!RateFitsHeader(options.Rate))
        return in.Bad("rate");
    if (in.IsSet("format") && !ParseFormat(in.Value("format"), options.Format))
        return in.Bad("format");
    if (!in.Integer("max-samples", 1, 2000, options.MaxSamples) ||
        !in.Double("backfill", 0.0, 86400.0, options.BackfillSeconds) ||
        !in.Integer("count", 0, kMaxCount, options.Count) ||
        !in.Integer("experiment", 0, 99, options.Experiment))
        return false;
    if (in.IsSet("seed")) {
        bool ok = false;
        options.Seed = in.Value("seed").toULongLong(&ok);
        if (!ok)
            return in.Bad("seed");
    }
    return true;
}

bool ReadServing(const OptionReader& in, SimOptions& options, QString& message)
{
    options.CloseAtEnd = in.IsSet("close-at-end");
    options.Fast = in.IsSet("fast");
    options.Silent = in.IsSet("silent");
    options.Verbose = in.IsSet("verbose");
    options.ReplayFile = in.Value("replay");
    options.Loop = in.IsSet("loop");
    options.RecordFile = in.Value("record");
    if (options.Loop && options.ReplayFile.isEmpty()) {
        message = QStringLiteral("--loop needs --replay");
        return false;
    }
    if (in.IsSet("start")) {
        std::int64_t ms = 0;
        if (!ParseStart(in.Value("start"), ms))
            return in.Bad("start");
        options.StartMs = ms;
    }
    return true;
}

bool ReadDataFaults(const OptionReader& in, SimOptions& options, QString& message)
{
    using Adder = bool (*)(const QString&, const UnitLayout&, DataFaults&);
    const struct
    {
        const char* name;
        Adder add;
    } kFaults[] = {{"fault-stop", AddStopFault},
                   {"fault-constant", AddConstantFault},
                   {"fault-clip", AddClipFault},
                   {"fault-shift", AddShiftFault},
                   {"fault-drop", AddDropFault}};
    const UnitLayout layout{options.Units, options.Streams, options.Channels};
    for (const auto& entry : kFaults) {
        for (const QString& value : in.Values(entry.name)) {
            if (!entry.add(value, layout, options.Data))
                return in.Bad(entry.name, value);
        }
    }
    // A capture's packets are served as they were recorded.
    if (!options.ReplayFile.isEmpty() && (options.Data.Any() || options.StartMs)) {
        message = QStringLiteral("--start and the data faults need simulated units, not --replay");
        return false;
    }
    return true;
}

bool ReadFaults(const OptionReader& in, FaultOptions& faults)
{
    const struct
    {
        const char* name;
        int& field;
    } kEvery[] = {{"fault-bad-length", faults.BadLength},
                  {"fault-short-dt", faults.ShortDt},
                  {"fault-unknown-type", faults.UnknownType},
                  {"fault-et", faults.Trailer},
                  {"fault-type0", faults.Type0},
                  {"fault-garbage", faults.Garbage},
                  {"close-after", faults.CloseAfter}};
    for (const auto& entry : kEvery) {
        if (!in.Integer(entry.name, 1, kMaxCount, entry.field))
            return false;
    }
    faults.Random = in.IsSet("faults-random");
    return in.Double("refuse", 0.0, 3600.0, faults.RefuseSeconds);
}

} // namespace

ParseOutcome ParseSimOptions(const QStringList& arguments, SimOptions& options, QString& message)
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    AddOptions(parser);
    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return ParseOutcome::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return ParseOutcome::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return ParseOutcome::Error;
    }
    const OptionReader in(parser, message);
    const bool ok = ReadUnits(in, options) && ReadServing(in, options, message) &&
                    ReadFaults(in, options.Faults) && ReadDataFaults(in, options, message);
    return ok ? ParseOutcome::Run : ParseOutcome::Error;
}
