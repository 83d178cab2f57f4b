#pragma once

#include "tools/inspect/mseedexport.h"
#include "tools/inspect/packetreport.h"
#include "tools/inspect/sdsarchive.h"
#include "tools/inspect/seednames.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>

class QIODevice;

// The live archive of a capture: the data packets of every frame received, as miniSEED day
// files under one root, exactly as tremvue-inspect --sds makes them from a capture file.
class CaptureArchive
{
public:
    // Problems with packets, and what the archive does on its own, go to err.
    CaptureArchive(const QString& root, QByteArray network, QIODevice& err);
    CaptureArchive(const CaptureArchive&) = delete;
    CaptureArchive& operator=(const CaptureArchive&) = delete;

    // The operator's SEED names. Empty on success, else why not.
    QString LoadNames(const QString& path);
    // One whole frame as received. Empty on success, else why the archive cannot be written;
    // nothing more can be archived then.
    QString Take(std::span<const std::uint8_t> frame);
    // The end of the run: packets still waiting for their channel's rate are reported.
    void Finish();
    QByteArray Summary() const;

private:
    QString root_;
    SeedNameTable names_; // empty: the default names
    PacketReport report_;
    SdsArchive archive_;
    MseedExport exporter_;
    std::uint64_t offset_ = 0;
};
