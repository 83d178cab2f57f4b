#include "tools/capture/capturefile.h"

#include "tools/inspect/wholewrite.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

CaptureFile::CaptureFile(QString name, std::int64_t rotateBytes)
    : name_(std::move(name)), rotateBytes_(rotateBytes)
{}

CaptureFile::~CaptureFile()
{
    Close();
}

QString CaptureFile::Open()
{
    return OpenNext();
}

QString CaptureFile::OpenNext()
{
    ++number_;
    current_ = rotateBytes_ > 0 ? NumberedName(name_, number_) : name_;
    // A capture from the field is never written over.
    fd_ = ::open(QFile::encodeName(current_).constData(),
                 O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    size_ = 0;
    if (fd_ < 0)
        return QStringLiteral("cannot create %1: %2").arg(current_, SystemError(errno));
    return {};
}

QString CaptureFile::Write(std::span<const std::uint8_t> frame)
{
    if (fd_ < 0)
        return QStringLiteral("no capture file is open");
    if (rotateBytes_ > 0 && size_ > 0 &&
        size_ + static_cast<std::int64_t>(frame.size()) > rotateBytes_) {
        Close();
        if (QString error = OpenNext(); !error.isEmpty())
            return error;
    }
    if (QString error = WriteWhole(fd_, size_, frame); !error.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(current_, error);
    size_ += static_cast<std::int64_t>(frame.size());
    return {};
}

void CaptureFile::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

QString NumberedName(const QString& name, int number)
{
    const QString digits = QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
    const QFileInfo info(name);
    const QString suffix = info.suffix();
    // A dot in a folder name or a leading dot is no suffix.
    if (suffix.isEmpty() || info.fileName() == QLatin1Char('.') + suffix)
        return name + QLatin1Char('.') + digits;
    return name.left(name.size() - suffix.size()) + digits + QLatin1Char('.') + suffix;
}
