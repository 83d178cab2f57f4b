#pragma once

#include "tools/inspect/recordsink.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <unordered_set>

// An archive in the SeisComP Data Structure: each record goes to the day file of its first
// sample, ROOT/YEAR/NET/STA/CHA.D/NET.STA.LOC.CHA.D.YEAR.DOY. Files are appended to, never
// rewritten. The first time a run touches a day file it reads the start times of the records
// already there, so a packet archived before (a restart, a server sending recent data again)
// is recognised and not written twice; a partial record at the end (a run killed mid-write
// on a file system that allows it) is cut off first.
class SdsArchive final : public RecordSink
{
public:
    // note receives what the archive did on its own: partial records cut, files it cannot read.
    SdsArchive(QString root, std::function<void(const QString&)> note);
    ~SdsArchive() override;
    SdsArchive(const SdsArchive&) = delete;
    SdsArchive& operator=(const SdsArchive&) = delete;

    bool Holds(const SeedName& name, std::int64_t start) override;
    QString Append(const SeedName& name, std::int64_t start,
                   const std::vector<QByteArray>& records) override;

    int FilesOpened() const { return opened_; }

private:
    struct DayFile
    {
        int Fd = -1;
        std::int64_t Size = 0;
        std::unordered_set<std::int64_t> Starts;
        std::uint64_t LastUse = 0;
    };

    // The day file for name at start, opened and indexed; null with error set when it cannot be.
    DayFile* Open(const SeedName& name, std::int64_t start, QString& error);
    QString Index(const QString& path, DayFile& file);
    void CloseLeastUsed();

    QString root_;
    std::function<void(const QString&)> note_;
    std::map<QString, DayFile> files_;
    std::uint64_t uses_ = 0;
    int opened_ = 0;
};

// The day file's path: root/2026/XX/9A3C/HHZ.D/XX.9A3C.00.HHZ.D.2026.341 for a start time
// (MseedTime) on 7 December 2026.
QString SdsPath(const QString& root, const SeedName& name, std::int64_t start);
