#include "app/settingsstore.h"

#include "app/programstate.h"
#include "display/viewcommands.h"
#include "store/channelsettings.h"
#include "store/packetring.h"
#include "store/rgb.h"
#include "store/storedvalues.h"

#include <QColor>
#include <QSettings>

#include <limits>
#include <optional>

namespace {

QString Key(const char* name)
{
    return StoredKey(name);
}

std::optional<int> Int(const QSettings& s, const char* name)
{
    return StoredInt(s, Key(name));
}

int IntIn(const QSettings& s, const char* name, int low, int high, int fallback)
{
    return StoredInt(s, Key(name), low, high).value_or(fallback);
}

int Flag(const QSettings& s, const char* name, int fallback)
{
    return IntIn(s, name, 0, 1, fallback);
}

QColor ColorOf(const QSettings& s, const char* name, const QColor& fallback)
{
    const std::optional<Rgb> rgb = StoredColor(s, Key(name));
    return rgb ? QColor(rgb->Red, rgb->Green, rgb->Blue) : fallback;
}

QString ColorTextOf(const QColor& c)
{
    return ColorText(Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue())});
}

} // namespace

QList<std::pair<QString, QVariant>> SettingsSnapshot(const ProgramState& state)
{
    const ConnectionState& c = state.Connection;
    const DisplayState& d = state.Display;
    const HealthThresholds& h = state.Catalogue.Health;
    return {
        {Key("TextColor"), ColorTextOf(d.textColor)},
        {Key("AxesColor"), ColorTextOf(d.axesColor)},
        {Key("BackGroundColor"), ColorTextOf(d.backgroundColor)},
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
        {Key("NoDataWarning"), c.NoDataWarning},
        {Key("NoDataReconnect"), c.NoDataReconnect},
        {Key("HealthSilentSeconds"), h.HealthSilentSeconds},
        {Key("HealthLateSeconds"), h.HealthLateSeconds},
        {Key("HealthFlatSeconds"), h.HealthFlatSeconds},
        {Key("HealthFlatCounts"), h.HealthFlatCounts},
    };
}

void ReadStoredSettings(const QSettings& s, ProgramState& state)
{
    ConnectionState& c = state.Connection;
    DisplayState& d = state.Display;
    PacketStore& store = state.Store;
    constexpr int kMaxInt = std::numeric_limits<int>::max();

    c.PksdHost = StoredText(s, Key("PksdHost")).value_or(QStringLiteral("localhost"));
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
    d.VoltsLable = IntIn(s, "VoltsLable", LabelCounts, LabelGround, d.VoltsLable);
    d.ZeroDcOffset = Flag(s, "ZeroDcOffset", d.ZeroDcOffset);
    d.AmpScale = IntIn(s, "AmpScale", ScaleIndividual, ScaleLock, d.AmpScale);
    // Absolute scaling keeps DC removal off, as the command that chooses it does.
    if (d.AmpScale == ScaleAbsolute)
        d.ZeroDcOffset = 0;
    d.TimeScale = IntIn(s, "TimeScale", TimePerChannel, TimeCpuClock, d.TimeScale);

    c.NoDataWarning = IntIn(s, "NoDataWarning", 0, kMaxInt, c.NoDataWarning);
    c.NoDataReconnect = IntIn(s, "NoDataReconnect", 0, kMaxInt, c.NoDataReconnect);

    HealthThresholds& h = state.Catalogue.Health;
    h.HealthSilentSeconds = IntIn(s, "HealthSilentSeconds", 0, kMaxInt, h.HealthSilentSeconds);
    h.HealthLateSeconds = IntIn(s, "HealthLateSeconds", 0, kMaxInt, h.HealthLateSeconds);
    h.HealthFlatSeconds = IntIn(s, "HealthFlatSeconds", 0, kMaxInt, h.HealthFlatSeconds);
    h.HealthFlatCounts = IntIn(s, "HealthFlatCounts", 0, kMaxInt, h.HealthFlatCounts);

    const std::optional<double> factor = StoredDouble(s, Key("ScaleFactor"));
    // Zero, negative or huge factors would collapse or flip every trace.
    if (factor && *factor >= kMinScaleFactor && *factor <= kMaxScaleFactor)
        d.ScaleFactor = *factor;
}

void WriteStoredSettings(QSettings& s, const ProgramState& state)
{
    for (const auto& [key, value] : SettingsSnapshot(state))
        s.setValue(key, value);
    SaveChannelSettings(s, state.Catalogue.Entries);
}
