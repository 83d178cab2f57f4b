#include "store/storeaccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// The system's words for why path does not allow mode (R_OK, W_OK, X_OK), or empty.
QString Refusal(const QString& path, int mode)
{
    if (::access(QFile::encodeName(path).constData(), mode) == 0)
        return {};
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The folder that holds path, or the nearest one above it that exists: the store creates the
// missing ones on writing.
QString ExistingFolderOf(const QString& path)
{
    QFileInfo folder(QFileInfo(path).absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder = QFileInfo(folder.absolutePath());
    return folder.absoluteFilePath();
}

} // namespace

QString StoreReadProblem(const QSettings& s)
{
    const QString path = s.fileName();
    const QFileInfo folder(QFileInfo(path).absolutePath());
    // A folder that may not be entered hides the file: the store then reads as empty.
    if (folder.exists()) {
        if (const QString reason = Refusal(folder.absoluteFilePath(), X_OK); !reason.isEmpty())
            return reason;
    }
    if (s.status() == QSettings::FormatError)
        return QStringLiteral("the file is not in the settings format");
    if (s.status() == QSettings::AccessError) {
        const QString reason = Refusal(path, R_OK);
        return reason.isEmpty() ? QStringLiteral("the file could not be read") : reason;
    }
    return {};
}

QString WriteStoreFile(const QString& path, bool fresh, const std::function<void(QSettings&)>& fill)
{
    const QFileInfo info(path);
    // The store makes its folder when there is none; so does its save.
    if (!QDir().mkpath(info.absolutePath()))
        return Refusal(ExistingFolderOf(path), W_OK | X_OK);
    QFile original(path);
    QByteArray text;
    if (info.exists() && !fresh) {
        if (!original.open(QIODevice::ReadOnly))
            return original.errorString();
        text = original.readAll();
        original.close();
    }
    QTemporaryFile copy(path + QStringLiteral(".XXXXXX"));
    if (!copy.open())
        return copy.errorString();
    if (copy.write(text) != text.size() || !copy.flush())
        return copy.errorString();
    copy.close();
    {
        QSettings s(copy.fileName(), QSettings::IniFormat);
        fill(s);
        s.sync();
        if (s.status() != QSettings::NoError)
            return QStringLiteral("the file could not be written");
    }
    // The new file keeps the old one's permissions; a first one gets the usual ones.
    QFile::setPermissions(copy.fileName(), info.exists() ? info.permissions()
                                                         : QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(QFile::encodeName(copy.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

bool KeepCopyBeside(const QString& path, QString& copyPath, QString& reason)
{
    copyPath.clear();
    if (!QFileInfo::exists(path))
        return true;
    reason = Refusal(path, R_OK);
    if (!reason.isEmpty())
        return false;
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = path + QStringLiteral(".unreadable-%1").arg(n);
        if (QFileInfo::exists(candidate))
            continue;
        QFile file(path);
        if (file.copy(candidate)) {
            copyPath = candidate;
            return true;
        }
        reason = file.errorString();
        return false;
    }
    reason = QStringLiteral("no free name for a copy beside it");
    return false;
}
