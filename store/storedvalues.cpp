#include "store/storedvalues.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <cmath>

std::unique_ptr<QSettings> OpenSettingsStore(const QString& file)
{
    auto s =
        file.isEmpty()
            ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("Orvane"), QStringLiteral("ovqt_display"))
            : std::make_unique<QSettings>(file, QSettings::IniFormat);
    // QSettings parses INI sections only as keys are asked for, and finds a key's section by
    // the sorted section names: a hand-written "[ovqt_dislay/DasStreamChanInfo/...]" sorts
    // between "[ovqt_dislay]" and most of its keys and hides them. Listing the keys parses all.
    s->allKeys();
    return s;
}

QString StoredKey(const char* name)
{
    return QStringLiteral("/ovqt_dislay/") + QLatin1String(name);
}

std::optional<QString> StoredText(const QSettings& s, const QString& key)
{
    const QVariant v = s.value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

std::optional<int> StoredInt(const QSettings& s, const QString& key, int low, int high)
{
    bool ok = false;
    const qlonglong v = s.value(key).toLongLong(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return static_cast<int>(v);
}

std::optional<int> StoredFlag(const QSettings& s, const QString& key)
{
    return StoredInt(s, key, 0, 1);
}

std::optional<double> StoredDouble(const QSettings& s, const QString& key)
{
    bool ok = false;
    const double v = s.value(key).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<Rgb> StoredColor(const QSettings& s, const QString& key)
{
    const std::optional<QString> text = StoredText(s, key);
    return text ? ParseColorText(*text) : std::nullopt;
}
