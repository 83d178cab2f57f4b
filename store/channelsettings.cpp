#include "store/channelsettings.h"

#include "store/dasstreamchaninfo.h"
#include "store/rgb.h"
#include "store/storedvalues.h"

#include <QSettings>
#include <QString>
#include <QStringList>

namespace {

const QString kChannelRoot = QStringLiteral("/ovqt_dislay/DasStreamChanInfo");

// The channel's own full scale for the clipping check, kept only where one was set.
void ReadClipCount(const QSettings& s, const QString& key, DasStreamChanInfo& entry)
{
    entry.Health.ClipCount = StoredInt(s, key + u"/HealthClipCount", 0).value_or(-1);
}

} // namespace

QString ChannelKey(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel)
{
    return kChannelRoot + QString::asprintf("/%04X%02d%02d", static_cast<unsigned>(dasId),
                                            static_cast<int>(stream), static_cast<int>(channel));
}

QString UnitIdName(std::uint16_t dasId)
{
    return QString::asprintf("%04X", static_cast<unsigned>(dasId));
}

void ReadChannelSettings(const QSettings* s, DasStreamChanInfo& entry)
{
    const QString key = ChannelKey(entry.DasId, entry.Stream, entry.Channel);
    QString name;
    QString unitCode = QStringLiteral("Unk");
    if (s) {
        entry.Active = StoredFlag(*s, key + u"/Active").value_or(entry.Active);
        name = StoredText(*s, key + u"/Name").value_or(QString());
        // A rate that is not a positive number would put the channel's window anywhere.
        const double rate = StoredDouble(*s, key + u"/SampleRate").value_or(0.0);
        entry.SampleRate = rate > 0.0 ? rate : 0.0;
        entry.BitWeight = StoredDouble(*s, key + u"/BitWeight").value_or(0.0);
        entry.VoltsPerUnit = StoredDouble(*s, key + u"/VoltsPerUnit").value_or(0.0);
        unitCode = StoredText(*s, key + u"/UnitCode").value_or(unitCode);
        entry.TraceColor = StoredColor(*s, key + u"/TraceColor").value_or(entry.TraceColor);
        ReadClipCount(*s, key, entry);
    }
    if (name.isEmpty())
        name = UnitIdName(entry.DasId);
    entry.Name = name.left(kMaxNameLength);
    entry.UnitCode = unitCode.left(kMaxUnitCodeLength);
}

void ReadChannelDisplaySettings(const QSettings* s, DasStreamChanInfo& entry)
{
    if (!s)
        return;
    const QString key = ChannelKey(entry.DasId, entry.Stream, entry.Channel);
    entry.Active = StoredFlag(*s, key + u"/Active").value_or(entry.Active);
    entry.TraceColor = StoredColor(*s, key + u"/TraceColor").value_or(entry.TraceColor);
    ReadClipCount(*s, key, entry);
}

void SaveChannelSettings(QSettings& s, std::span<const DasStreamChanInfo> entries)
{
    s.beginGroup(kChannelRoot);
    const QStringList stored = s.childGroups();
    // Whole subgroups go, so a key left by hand does not keep an empty group alive.
    for (const QString& k : stored)
        s.remove(k);
    s.endGroup();

    for (const DasStreamChanInfo& e : entries) {
        const QString key = ChannelKey(e.DasId, e.Stream, e.Channel);
        s.setValue(key + u"/Active", e.Active);
        s.setValue(key + u"/Name", e.Name);
        s.setValue(key + u"/SampleRate", e.SampleRate);
        s.setValue(key + u"/BitWeight", e.BitWeight);
        s.setValue(key + u"/VoltsPerUnit", e.VoltsPerUnit);
        s.setValue(key + u"/UnitCode", e.UnitCode);
        s.setValue(key + u"/TraceColor", ColorText(e.TraceColor));
        if (e.Health.ClipCount >= 0)
            s.setValue(key + u"/HealthClipCount", e.Health.ClipCount);
    }
}
