#pragma once

#include "tools/inspect/seednames.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

class QIODevice;
struct DtPacket;

// How a packet's samples went into miniSEED.
enum class RecordWay
{
    Copied, // the packet's 15 Steim frames, unchanged, in one 1024-byte record
    Steim2, // encoded again by libmseed
    Int32   // Steim-2 cannot hold a difference beyond 30 bits
};

// Writes 1024-byte big-endian miniSEED 2 records with libmseed, one packet at a time.
class MseedRecords
{
public:
    explicit MseedRecords(QIODevice& out);

    // The samples of decoded (the decoding of packet) at rate, starting at the packet's time.
    // Steim frames are copied where libmseed decodes them to exactly these samples with a
    // matching last sample, else the samples are encoded again. Empty on success, else why not.
    QString Write(const SeedName& name, const DtPacket& decoded,
                  std::span<const std::uint8_t> packet, double rate, RecordWay& way);

    int Records() const { return records_; }
    // The output refused a record: nothing more can be written.
    bool OutputFailed() const { return outputFailed_; }

private:
    bool Pack(const SeedName& name, const DtPacket& decoded, double rate, int encoding,
              std::vector<QByteArray>& records);
    QString Append(const std::vector<QByteArray>& records);

    QIODevice& out_;
    int records_ = 0;
    int sequence_ = 0;
    bool outputFailed_ = false;
};
