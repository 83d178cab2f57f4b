#include "app/settingsstore.h"

#include "app/programstate.h"
#include "display/viewcommands.h"
#include "store/channelsettings.h"
#include "store/packetring.h"
#include "store/rgb.h"
#include "store/storedvalues.h"

#include <QColor>
#include <QSettings>

#include <climits>
#include <optional>

namespace {

QString Key(const char* name)
{
    return StoredKey(name);
}

// Each reader keeps the value the record holds, its default at start-up, when the store has
// nothing usable.
void ReadInt(const QSettings& s, const char* name, int& field, int low = INT_MIN,
             int high = INT_MAX)
{
    field = StoredInt(s, Key(name), low, high).value_or(field);
}

void ReadFlag(const QSettings& s, const char* name, int& field)
{
    field = StoredFlag(s, Key(name)).value_or(field);
}

void ReadColor(const QSettings& s, const char* name, QColor& field)
{
    if (const std::optional<Rgb> rgb = StoredColor(s, Key(name)))
        field = QColor(rgb->Red, rgb->Green, rgb->Blue);
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

    c.PksdHost = StoredText(s, Key("PksdHost")).value_or(c.PksdHost);
    c.PksdPort =
        static_cast<std::uint16_t>(StoredInt(s, Key("PksdPort"), 0, 65535).value_or(c.PksdPort));
    ReadFlag(s, "KeepSel", store.KeepSel);
    ReadColor(s, "TextColor", d.textColor);
    ReadColor(s, "AxesColor", d.axesColor);
    ReadColor(s, "BackGroundColor", d.backgroundColor);
    ReadFlag(s, "AutoStartMonitor", c.AutoStartMonitor);
    ReadFlag(s, "AutoStartPKSD", c.AutoStartPKSD);
    ReadInt(s, "SortColumn", state.Catalogue.SortColumn, 0, 4);
    ReadInt(s, "SortOrder", state.Catalogue.SortOrder, 0, 1);
    ReadInt(s, "TimeRange", d.TimeRange, kMinTimeRange, kMaxTimeRange);
    ReadInt(s, "TimeShift", d.TimeShift);
    // The byte count of larger rings is checked when the ring is allocated.
    ReadInt(s, "NringBuffer", store.NringBuffer, 1);
    ReadFlag(s, "TimeLable", d.TimeLable);
    ReadFlag(s, "MinMaxLable", d.MinMaxLable);
    ReadFlag(s, "MeanRangeLable", d.MeanRangeLable);
    ReadInt(s, "VoltsLable", d.VoltsLable, LabelCounts, LabelGround);
    ReadFlag(s, "ZeroDcOffset", d.ZeroDcOffset);
    ReadInt(s, "AmpScale", d.AmpScale, ScaleIndividual, ScaleLock);
    // Absolute scaling keeps DC removal off, as the command that chooses it does.
    if (d.AmpScale == ScaleAbsolute)
        d.ZeroDcOffset = 0;
    ReadInt(s, "TimeScale", d.TimeScale, TimePerChannel, TimeCpuClock);

    ReadInt(s, "NoDataWarning", c.NoDataWarning, 0);
    ReadInt(s, "NoDataReconnect", c.NoDataReconnect, 0);

    HealthThresholds& h = state.Catalogue.Health;
    ReadInt(s, "HealthSilentSeconds", h.HealthSilentSeconds, 0);
    ReadInt(s, "HealthLateSeconds", h.HealthLateSeconds, 0);
    ReadInt(s, "HealthFlatSeconds", h.HealthFlatSeconds, 0);
    ReadInt(s, "HealthFlatCounts", h.HealthFlatCounts, 0);

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
