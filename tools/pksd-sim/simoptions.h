#pragma once

#include "channelfaults.h"
#include "link/connectionstate.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

enum class FormatChoice
{
    Steim1,
    Steim2,
    Int16,
    Int32,
    Mixed
};

// Every Nth frame (0: never) gets the fault.
struct FaultOptions
{
    int BadLength = 0;
    int ShortDt = 0;
    int UnknownType = 0;
    int Trailer = 0;
    int Type0 = 0;
    int Garbage = 0;
    int CloseAfter = 0;
    double RefuseSeconds = 0.0;
    bool Random = false;
};

struct SimOptions
{
    QString ListenHost = QStringLiteral("127.0.0.1");
    std::uint16_t ListenPort = kDefaultPksdPort;
    std::vector<std::uint16_t> Units{0x9A3C};
    int Streams = 1;
    int Channels = 3;
    double Rate = 100.0;
    FormatChoice Format = FormatChoice::Steim2;
    int MaxSamples = 0; // 0: as many as the packet holds
    double BackfillSeconds = 0.0;
    int Count = 0; // DT packets per connection, 0: unlimited
    bool CloseAtEnd = false;
    std::uint64_t Seed = 1;
    int Experiment = 1;
    std::optional<std::int64_t> StartMs; // ms since 1970 UTC; unset: the clock
    bool Fast = false;
    bool Silent = false; // handshake, then nothing
    bool Verbose = false;
    QString ReplayFile;
    bool Loop = false; // the replay starts again at the end of the capture
    QString RecordFile;
    FaultOptions Faults;
    DataFaults Data;
};

enum class ParseOutcome
{
    Run,
    Help,
    Error
};

// On Help, message holds the usage text; on Error, the reason.
ParseOutcome ParseSimOptions(const QStringList& arguments, SimOptions& options, QString& message);
