#include "tools/soak/monitorsettings.h"

#include <QSettings>

void WriteMonitorSettings(const QString& iniFile, const MonitorSettings& settings)
{
    QSettings s(iniFile, QSettings::IniFormat);
    auto key = [](const char* name) -> QString {
        return QStringLiteral("/ovqt_dislay/") + QLatin1String(name);
    };
    s.setValue(key("PksdHost"), QStringLiteral("127.0.0.1"));
    s.setValue(key("PksdPort"), settings.Port);
    s.setValue(key("AutoStartPKSD"), 1);
    s.setValue(key("AutoStartMonitor"), 1);
    s.setValue(key("KeepSel"), settings.KeepSel);
    s.setValue(key("NringBuffer"), settings.NringBuffer);
    s.setValue(key("TimeRange"), settings.TimeRange);
    for (const ChannelChoice& c : settings.Channels)
        s.setValue(QStringLiteral("/ovqt_dislay/DasStreamChanInfo/%1%2%3/Active")
                       .arg(QStringLiteral("%1").arg(c.DasId, 4, 16, QLatin1Char('0')).toUpper())
                       .arg(c.Stream, 2, 10, QLatin1Char('0'))
                       .arg(c.Channel, 2, 10, QLatin1Char('0')),
                   c.Active ? 1 : 0);
    s.sync();
}
