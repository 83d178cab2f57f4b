#pragma once

// miniSEED read back with libmseed, the independent reader of what the tools write.
#include "packets/daytime.h"
#include "packets/dtpacket.h"

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QString>

#include <libmseed.h>

#include <cstdint>
#include <map>
#include <vector>

struct ReadRecord
{
    QByteArray Name; // NET.STA.LOC.CHA
    hptime_t Start = 0;
    double Rate = 0.0;
    int Encoding = 0;
    int Sequence = 0;
    std::vector<std::int32_t> Samples;
    QByteArray Bytes;
};

inline std::vector<ReadRecord> ReadMseed(const QString& path)
{
    std::vector<ReadRecord> out;
    MSRecord* msr = nullptr;
    const QByteArray file = QFile::encodeName(path);
    while (ms_readmsr(&msr, file.constData(), 0, nullptr, nullptr, 1, 1, 0) == MS_NOERROR) {
        const auto* samples = static_cast<const std::int32_t*>(msr->datasamples);
        out.push_back({.Name = QByteArray(msr->network) + '.' + msr->station + '.' + msr->location +
                               '.' + msr->channel,
                       .Start = msr->starttime,
                       .Rate = msr->samprate,
                       .Encoding = msr->encoding,
                       .Sequence = msr->sequence_number,
                       .Samples = {samples, samples + msr->numsamples},
                       .Bytes = QByteArray(msr->record, msr->reclen)});
    }
    ms_readmsr(&msr, nullptr, 0, nullptr, nullptr, 0, 0, 0);
    return out;
}

// Every file under root with its records, by path.
inline std::map<QString, std::vector<ReadRecord>> ReadArchive(const QString& root)
{
    std::map<QString, std::vector<ReadRecord>> files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        files[path] = ReadMseed(path);
    }
    return files;
}

inline hptime_t PacketStart(const DtPacket& p)
{
    const CalendarDate c = CalendarFromDay(p.Time.Day);
    return ms_time2hptime(c.Year, c.DayOfYear, 0, 0, 0, 0) + hptime_t(p.Time.Msec) * 1000;
}

// The samples of each channel (NET.STA.LOC.CHA) archived under root, file after file in path
// order, so in time order for day files. problem tells of a record that does not lie in the
// day file of its first sample, or of a file that is not whole records.
inline std::map<QByteArray, std::vector<std::int32_t>> ArchivedSamples(const QString& root,
                                                                       QString& problem, int& files)
{
    std::map<QByteArray, std::vector<std::int32_t>> samples;
    problem.clear();
    files = 0;
    for (const auto& [path, records] : ReadArchive(root)) {
        ++files;
        qint64 bytes = 0;
        for (const ReadRecord& r : records) {
            bytes += r.Bytes.size();
            BTime day{};
            ms_hptime2btime(r.Start, &day);
            const QString year = QString::number(day.year);
            const QString doy = QStringLiteral("%1").arg(day.day, 3, 10, QLatin1Char('0'));
            const QString name = QString::fromLatin1(r.Name);
            const QStringList code = name.split(QLatin1Char('.'));
            const QString want = QStringLiteral("%1/%2/%3/%4/%5.D/%6.D.%2.%7")
                                     .arg(root, year, code[0], code[1], code[3], name, doy);
            if (path != want)
                problem = QStringLiteral("a record of %1 lies in %2").arg(want, path);
            samples[r.Name].insert(samples[r.Name].end(), r.Samples.begin(), r.Samples.end());
        }
        if (bytes != QFile(path).size())
            problem = path + QStringLiteral(" is not whole records");
    }
    return samples;
}
