#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct SeedName;

// Where the miniSEED records of the export go: one stream, or an archive of day files.
class RecordSink
{
public:
    virtual ~RecordSink() = default;

    // True when the channel already holds a record starting at start (MseedTime), so the
    // packet that begins there was archived before.
    virtual bool Holds(const SeedName& name, std::int64_t start) = 0;
    // Appends the records of one packet whose first sample is at start, all of them or none.
    // Empty on success, else why not; after a failure the sink takes nothing more.
    virtual QString Append(const SeedName& name, std::int64_t start,
                           const std::vector<QByteArray>& records) = 0;
};
