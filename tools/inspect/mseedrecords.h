#pragma once

#include "tools/inspect/seednames.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

struct DayTime;
struct DtPacket;

// How a packet's samples went into miniSEED.
enum class RecordWay
{
    Copied, // the packet's 15 Steim frames, unchanged, in one 1024-byte record
    Steim2, // encoded again by libmseed
    Int32   // Steim-2 cannot hold a difference beyond 30 bits
};

// Makes 1024-byte big-endian miniSEED 2 records with libmseed, one packet at a time, numbered
// on from one packet to the next.
class MseedRecords
{
public:
    // The samples of decoded (the decoding of packet) at rate, starting at the packet's time.
    // Steim frames are copied where libmseed decodes them to exactly these samples with a
    // matching last sample, else the samples are encoded again. Empty on success, else why not.
    QString Encode(const SeedName& name, const DtPacket& decoded,
                   std::span<const std::uint8_t> packet, double rate, RecordWay& way,
                   std::vector<QByteArray>& records);

private:
    bool Pack(const SeedName& name, const DtPacket& decoded, double rate, int encoding,
              std::vector<QByteArray>& records);

    int sequence_ = 0;
};

// A record's start time as libmseed counts it: microseconds since 1970-01-01 UTC.
std::int64_t MseedTime(const DayTime& t);
