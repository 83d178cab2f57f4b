#pragma once

#include <QString>

#include <vector>

class QColor;
class QPainter;
struct DayTime;
struct DisplayState;

// Distance between two grid lines of a window of timeRange seconds, in milliseconds: a sixth of
// the window, cut to whole minutes above one minute, to whole seconds above one second, and to
// tens of milliseconds (at least 200) below.
double TickStepMsec(int timeRange);

// "hh:mm:ss.s" of a time of day, without the tenths when they are 0.
QString TickLabelText(double msecOfDay);

struct TimeTick
{
    int X = 0;
    double MsecOfDay = 0.0;
};

// Grid lines strictly between x0 and x1 of the window of timeRange seconds ending at axisTime:
// on the whole minute at or before the window start and every step after it.
std::vector<TimeTick> TimeTicks(const DayTime& axisTime, int timeRange, int x0, int x1);

// Dotted grid lines in axesColor across the band and, if TimeLable is on, the time of day above
// each where it fits. Leaves the pen solid in textColor.
void DrawTimeAxis(const DayTime& axisTime, int x0, int x1, int ya, int yb, QPainter& p,
                  const QColor& textColor, const QColor& axesColor, const DisplayState& ds);
