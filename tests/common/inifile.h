#pragma once

#include "store/storedvalues.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

// A settings file in dir holding exactly text under the store's group, as an editor leaves it.
// A fresh name each time: the settings cache cannot tell apart two files of one size written
// within the same second.
inline QString WriteIni(const QTemporaryDir& dir, const QByteArray& text)
{
    static int serial = 0;
    const QString path = dir.filePath(QStringLiteral("store%1.ini").arg(++serial));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("[ovqt_dislay]\n" + text + "\n");
    return path;
}

inline std::unique_ptr<QSettings> IniWith(const QTemporaryDir& dir, const QByteArray& text)
{
    return OpenSettingsStore(WriteIni(dir, text));
}
