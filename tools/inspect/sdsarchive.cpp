#include "tools/inspect/sdsarchive.h"

#include "tools/inspect/seednames.h"
#include "tools/inspect/wholewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <libmseed.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

// Enough for every channel's file of today and yesterday in a large camp.
constexpr std::size_t kMaxOpenFiles = 256;
// miniSEED 2 records are at most 2^20 bytes long.
constexpr qsizetype kLargestRecord = qsizetype{1} << 20;
constexpr qint64 kReadPiece = 4 * kLargestRecord;

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Year and day of year of a start time, as libmseed counts both.
BTime DayOf(std::int64_t start)
{
    BTime time{};
    ms_hptime2btime(start, &time);
    return time;
}

QByteArray Concatenated(const std::vector<QByteArray>& records)
{
    QByteArray bytes;
    for (const QByteArray& record : records)
        bytes += record;
    return bytes;
}

} // namespace

QString SdsPath(const QString& root, const SeedName& name, std::int64_t start)
{
    const BTime day = DayOf(start);
    const QString year = QString::number(day.year);
    const QString doy = QStringLiteral("%1").arg(day.day, 3, 10, QLatin1Char('0'));
    const QString network = QString::fromLatin1(name.Network);
    const QString station = QString::fromLatin1(name.Station);
    const QString channel = QString::fromLatin1(name.Channel);
    const QString file =
        QStringList{
            network, station, QString::fromLatin1(name.Location), channel, QStringLiteral("D"),
            year,    doy}
            .join(QLatin1Char('.'));
    return QDir(root).filePath(
        QStringList{year, network, station, channel + QStringLiteral(".D"), file}.join(
            QLatin1Char('/')));
}

SdsArchive::SdsArchive(QString root, std::function<void(const QString&)> note)
    : root_(std::move(root)), note_(std::move(note))
{}

SdsArchive::~SdsArchive()
{
    for (auto& [path, file] : files_)
        ::close(file.Fd);
}

bool SdsArchive::Holds(const SeedName& name, std::int64_t start)
{
    QString error;
    const DayFile* file = Open(name, start, error);
    // A file that cannot be opened is reported by the write that follows.
    return file && file->Starts.count(start) > 0;
}

QString SdsArchive::Append(const SeedName& name, std::int64_t start,
                           const std::vector<QByteArray>& records)
{
    QString error;
    DayFile* file = Open(name, start, error);
    if (!file)
        return error;
    const QByteArray bytes = Concatenated(records);
    error = WriteWhole(file->Fd, file->Size,
                       {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size())});
    if (!error.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(SdsPath(root_, name, start), error);
    file->Size += bytes.size();
    file->Starts.insert(start);
    return {};
}

SdsArchive::DayFile* SdsArchive::Open(const SeedName& name, std::int64_t start, QString& error)
{
    const QString path = SdsPath(root_, name, start);
    if (auto it = files_.find(path); it != files_.end()) {
        it->second.LastUse = ++uses_;
        return &it->second;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        error = QStringLiteral("cannot make the folder %1").arg(QFileInfo(path).path());
        return nullptr;
    }
    if (files_.size() >= kMaxOpenFiles)
        CloseLeastUsed();
    DayFile file;
    file.Fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file.Fd < 0) {
        error = QStringLiteral("cannot open %1: %2").arg(path, SystemError());
        return nullptr;
    }
    if (error = Index(path, file); !error.isEmpty()) {
        ::close(file.Fd);
        return nullptr;
    }
    ++opened_;
    file.LastUse = ++uses_;
    return &files_.emplace(path, std::move(file)).first->second;
}

QString SdsArchive::Index(const QString& path, DayFile& file)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, in.errorString());
    // Read in pieces: a day of a fast channel in 32-bit samples is hundreds of megabytes.
    QByteArray buffer;
    qsizetype at = 0;
    std::int64_t offset = 0; // of buffer[at] in the file
    for (;;) {
        if (buffer.size() - at < kLargestRecord && !in.atEnd()) {
            buffer = buffer.mid(at) + in.read(kReadPiece);
            at = 0;
        }
        if (at == buffer.size())
            break;
        MSRecord* msr = nullptr;
        const int status =
            msr_parse(buffer.data() + at, static_cast<int>(buffer.size() - at), &msr, -1, 0, 0);
        if (status == MS_NOERROR) {
            file.Starts.insert(msr->starttime);
            at += msr->reclen;
            offset += msr->reclen;
            msr_free(&msr);
            continue;
        }
        msr_free(&msr);
        const bool more = !in.atEnd();
        if (status > 0 && more && buffer.size() - at < kLargestRecord)
            continue; // the record goes on in the next piece
        if (status > 0 && !more) {
            // The end of a record that never got written whole.
            if (::ftruncate(file.Fd, static_cast<off_t>(offset)) != 0)
                return QStringLiteral("cannot cut the partial record at the end of %1: %2")
                    .arg(path, SystemError());
            note_(QStringLiteral("cut %1 bytes of a partial record off the end of %2")
                      .arg(buffer.size() - at)
                      .arg(path));
        } else {
            note_(QStringLiteral("%1 is not miniSEED from byte %2 on; new records go after it")
                      .arg(path)
                      .arg(offset));
            offset = in.size();
        }
        break;
    }
    file.Size = offset;
    return {};
}

void SdsArchive::CloseLeastUsed()
{
    auto oldest = files_.begin();
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (it->second.LastUse < oldest->second.LastUse)
            oldest = it;
    }
    ::close(oldest->second.Fd);
    files_.erase(oldest);
}
