#include "store/channelsettings.h"

#include "store/channelcatalogue.h"
#include "store/dasstreamchaninfo.h"
#include "store/rgb.h"

#include <QLatin1StringView>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace {

const QString kChannelRoot = QStringLiteral("/ovqt_dislay/DasStreamChanInfo");

// An unquoted text with commas comes back from the INI file as a list.
QString SettingText(const QVariant& v)
{
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

int ReadInt(const QSettings& s, const QString& key, int fallback)
{
    bool ok = false;
    const int v = s.value(key).toInt(&ok);
    return ok ? v : fallback;
}

double ReadDouble(const QSettings& s, const QString& key, double fallback)
{
    bool ok = false;
    const double v = s.value(key).toDouble(&ok);
    return ok ? v : fallback;
}

void ReadColor(const QSettings& s, const QString& key, Rgb& color)
{
    const QByteArray text = SettingText(s.value(key)).toLatin1();
    if (const auto parsed = ParseColorText(std::string_view(text.constData(), text.size())))
        color = *parsed;
}

} // namespace

void ReadChannelSettings(const QSettings* s, DasStreamChanInfo& entry)
{
    const QString key = ChannelKey(entry.DasId, entry.Stream, entry.Channel);
    QString name;
    QString unitCode = QStringLiteral("Unk");
    if (s) {
        entry.Active = ReadInt(*s, key + u"/Active", 0);
        name = SettingText(s->value(key + u"/Name"));
        entry.SampleRate = ReadDouble(*s, key + u"/SampleRate", 0.0);
        entry.BitWeight = ReadDouble(*s, key + u"/BitWeight", 0.0);
        entry.VoltsPerUnit = ReadDouble(*s, key + u"/VoltsPerUnit", 0.0);
        if (s->contains(key + u"/UnitCode"))
            unitCode = SettingText(s->value(key + u"/UnitCode"));
        ReadColor(*s, key + u"/TraceColor", entry.TraceColor);
    }
    if (name.isEmpty())
        name = QStringLiteral("%1").arg(entry.DasId, 4, 16, QLatin1Char('0')).toUpper();
    entry.Name = name.left(kMaxNameLength);
    entry.UnitCode = unitCode.left(kMaxUnitCodeLength);
}

void ReadChannelDisplaySettings(const QSettings* s, DasStreamChanInfo& entry)
{
    if (!s)
        return;
    const QString key = ChannelKey(entry.DasId, entry.Stream, entry.Channel);
    entry.Active = ReadInt(*s, key + u"/Active", 0);
    ReadColor(*s, key + u"/TraceColor", entry.TraceColor);
}

void SaveChannelSettings(QSettings& s, const ChannelCatalogue& cat)
{
    s.beginGroup(kChannelRoot);
    const QStringList stored = s.childGroups();
    // Whole subgroups go, so a key left by hand does not keep an empty group alive.
    for (const QString& k : stored)
        s.remove(k);
    s.endGroup();

    for (const DasStreamChanInfo& e : cat.Entries) {
        const QString key = ChannelKey(e.DasId, e.Stream, e.Channel);
        s.setValue(key + u"/Active", e.Active);
        s.setValue(key + u"/Name", e.Name);
        s.setValue(key + u"/SampleRate", e.SampleRate);
        s.setValue(key + u"/BitWeight", e.BitWeight);
        s.setValue(key + u"/VoltsPerUnit", e.VoltsPerUnit);
        s.setValue(key + u"/UnitCode", e.UnitCode);
        s.setValue(key + u"/TraceColor", QString::fromStdString(FormatColorText(e.TraceColor)));
    }
}
