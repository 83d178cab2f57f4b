#include "app/settingsstore.h"

#include "app/programstate.h"
#include "display/viewcommands.h"
#include "store/channelsettings.h"
#include "store/packetring.h"
#include "store/rgb.h"

#include <QColor>
#include <QSettings>
#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>

namespace {

QString Key(const char* name)
{
    return QStringLiteral("/ovqt_dislay/") + QLatin1String(name);
}

// An unquoted text with commas comes back from the INI file as a list.
QString Text(const QVariant& v)
{
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

// Read wide: a text beyond 32 bits converts to a wrapped int that still reports success.
std::optional<int> Int(const QSettings& s, const char* name)
{
    bool ok = false;
    const qlonglong v = s.value(Key(name)).toLongLong(&ok);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(v);
}

int IntIn(const QSettings& s, const char* name, int low, int high, int fallback)
{
    const auto v = Int(s, name);
    return v && *v >= low && *v <= high ? *v : fallback;
}

int Flag(const QSettings& s, const char* name, int fallback)
{
    return IntIn(s, name, 0, 1, fallback);
}

QColor ColorOf(const QSettings& s, const char* name, const QColor& fallback)
{
    const QByteArray text = Text(s.value(Key(name))).toLatin1();
    const auto rgb = ParseColorText(std::string_view(text.constData(), text.size()));
    return rgb ? QColor(rgb->Red, rgb->Green, rgb->Blue) : fallback;
}

QString ColorText(const QColor& c)
{
    const Rgb rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                  static_cast<std::uint8_t>(c.blue())};
    return QString::fromStdString(FormatColorText(rgb));
}

} // namespace

QList<std::pair<QString, QVariant>> SettingsSnapshot(const ProgramState& state)
{
    const ConnectionState& c = state.Connection;
    const DisplayState& d = state.Display;
    return {
        {Key("TextColor"), ColorText(d.textColor)},
        {Key("AxesColor"), ColorText(d.axesColor)},
        {Key("BackGroundColor"), ColorText(d.backgroundColor)},
        {Key("PksdHost"), c.PksdHost},
        {Key("PksdPort"), static_cast<int>(c.PksdPort)},
        {Key("SortColumn"), state.Catalogue.SortColumn},
        {Key("SortOrder"), state.Catalogue.SortOrder},
        {Key("KeepSel"), state.Store.KeepSel},
        {Key("AutoStartMonitor"), c.AutoStartMonitor},
        {Key("AutoStartPKSD"), c.AutoStartPKSD},
        {Key("TimeRange"), d.TimeRange},
        {Key("TimeShift"), d.TimeShift},
        {Key("NringBuffer"), static_cast<int>(state.Store.NringBuffer)},
        {Key("TimeLable"), d.TimeLable},
        {Key("MinMaxLable"), d.MinMaxLable},
        {Key("MeanRangeLable"), d.MeanRangeLable},
        {Key("VoltsLable"), d.VoltsLable},
        {Key("ZeroDcOffset"), d.ZeroDcOffset},
        {Key("AmpScale"), d.AmpScale},
        {Key("TimeScale"), d.TimeScale},
        {Key("ScaleFactor"), d.ScaleFactor},
    };
}

void ReadStoredSettings(const QSettings& s, ProgramState& state)
{
    ConnectionState& c = state.Connection;
    DisplayState& d = state.Display;
    PacketStore& store = state.Store;
    constexpr int kMaxInt = std::numeric_limits<int>::max();

    c.PksdHost =
        s.contains(Key("PksdHost")) ? Text(s.value(Key("PksdHost"))) : QStringLiteral("localhost");
    c.PksdPort = static_cast<std::uint16_t>(IntIn(s, "PksdPort", 0, 65535, 2543));
    store.KeepSel = Flag(s, "KeepSel", 1);
    d.textColor = ColorOf(s, "TextColor", QColor(255, 255, 0));
    d.axesColor = ColorOf(s, "AxesColor", QColor(0, 255, 255));
    d.backgroundColor = ColorOf(s, "BackGroundColor", QColor(0, 0, 0));
    c.AutoStartMonitor = Flag(s, "AutoStartMonitor", c.AutoStartMonitor);
    c.AutoStartPKSD = Flag(s, "AutoStartPKSD", c.AutoStartPKSD);
    state.Catalogue.SortColumn = IntIn(s, "SortColumn", 0, 4, 0);
    state.Catalogue.SortOrder = IntIn(s, "SortOrder", 0, 1, 1);
    // Below one second the monitor timer would spin.
    d.TimeRange = IntIn(s, "TimeRange", 1, kMaxInt, 120);
    d.TimeShift = Int(s, "TimeShift").value_or(d.TimeShift);
    // The byte count of larger rings is checked when the ring is allocated.
    store.NringBuffer = IntIn(s, "NringBuffer", 1, kMaxInt, 1000);
    d.TimeLable = Flag(s, "TimeLable", d.TimeLable);
    d.MinMaxLable = Flag(s, "MinMaxLable", d.MinMaxLable);
    d.MeanRangeLable = Flag(s, "MeanRangeLable", d.MeanRangeLable);
    d.VoltsLable = IntIn(s, "VoltsLable", 0, 2, d.VoltsLable);
    d.ZeroDcOffset = Flag(s, "ZeroDcOffset", d.ZeroDcOffset);
    d.AmpScale = IntIn(s, "AmpScale", 0, 3, d.AmpScale);
    // Absolute scaling keeps DC removal off, as the command that chooses it does.
    if (d.AmpScale == 1)
        d.ZeroDcOffset = 0;
    d.TimeScale = IntIn(s, "TimeScale", 0, 4, d.TimeScale);

    bool ok = false;
    const double factor = s.value(Key("ScaleFactor")).toDouble(&ok);
    // Zero, negative or non-finite factors would collapse or flip every trace.
    if (ok && std::isfinite(factor) && factor >= kMinScaleFactor && factor <= kMaxScaleFactor)
        d.ScaleFactor = factor;
}

void WriteStoredSettings(QSettings& s, const ProgramState& state)
{
    for (const auto& [key, value] : SettingsSnapshot(state))
        s.setValue(key, value);
    SaveChannelSettings(s, state.Catalogue);
}

QString StartupRingFailureText(std::int64_t slotCount)
{
    const auto kilobytes = static_cast<long long>(RingBytes(slotCount) / 1024);
    return QString::asprintf("Couldn't allocate %lldkB", kilobytes);
}
