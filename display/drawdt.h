#pragma once

class QPainter;
class QRect;
struct ChannelCatalogue;
struct DayTime;
struct DisplayState;
struct PacketStore;

// Redraws the whole picture: background, and for every active channel its band with frame,
// labels, time axis and trace, windowed by the time mode and scaled by the scale mode. Writes
// the plot's working values into the active catalogue entries. cpuNow is the computer's clock
// (time mode 4). False when the plot area collapses and nothing was drawn; true when the
// window should be repainted.
bool DrawDT(QPainter& p, const QRect& windowRect, int menuBarHeight, int statusBarHeight,
            const DisplayState& ds, ChannelCatalogue& cat, const PacketStore& store,
            const DayTime& cpuNow);
