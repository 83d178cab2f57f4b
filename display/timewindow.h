#pragma once

struct ChannelCatalogue;
struct DayTime;
struct DisplayState;

// Resets the working values of every active entry for a new redraw (the scale limits survive
// in lock mode) and sets its AxisTime to its latest data plus the shift. Returns the number of
// active entries.
int ResetChannels(ChannelCatalogue& cat, const DisplayState& ds);

// Moves the window ends of the active entries as the time mode asks. cpuNow is the computer's
// clock, read by the caller, used only in TimeCpuClock.
void ApplyTimeMode(ChannelCatalogue& cat, const DisplayState& ds, const DayTime& cpuNow);
