#include "display/timeaxis.h"

#include "display/displaystate.h"
#include "display/saturate.h"
#include "packets/daytime.h"
#include "packets/numbertext.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdint>

double TickStepMsec(int timeRange)
{
    const double v = timeRange * 166.66666666666666;
    if (v >= 1000) {
        double seconds = std::trunc(v * 0.001);
        if (v > 60000)
            seconds = std::trunc(v * 1.6666666666666667e-05) * 60;
        return seconds * 1000;
    }
    return std::max(std::trunc(v * 0.1) * 10, 200.0);
}

QString TickLabelText(double msecOfDay)
{
    const std::int64_t m = TruncToInt64(msecOfDay);
    // "%02d:%02d:%4.1lf", the seconds rounded as C rounds them.
    QString text =
        QString::asprintf("%02d:%02d:", static_cast<int>(m / 3600000),
                          static_cast<int>((m % 3600000) / 60000)) +
        QString::fromStdString(FormatFixed(static_cast<double>(m % 60000) * 0.001, 1, 4));
    if (text.size() > 6 && text[6] == QLatin1Char(' '))
        text[6] = QLatin1Char('0');
    if (text.size() > 9 && text[9] == QLatin1Char('0'))
        text.truncate(8);
    return text;
}

std::vector<TimeTick> TimeTicks(const DayTime& axisTime, int timeRange, int x0, int x1)
{
    std::vector<TimeTick> ticks;
    if (timeRange <= 0)
        return ticks;
    const double range = timeRange;
    const double step = TickStepMsec(timeRange);
    DayTime s = TimeAdd(axisTime, -range * 1000.0);
    s.Msec = std::trunc(s.Msec * 1.6666666666666667e-05) * 60000;
    // The loop covers at most the window plus the minute before it; the cap only guards against
    // times so large that adding a step no longer moves them.
    const double maxRounds = (range + 60.0) * 1000.0 / step + 3.0;
    for (double round = 0; round < maxRounds; ++round) {
        const double ahead = TimeDiff(axisTime, s, TimeUnitSec);
        if (!(ahead > 0))
            break;
        const int x = TruncToInt32(x1 - ahead * (static_cast<double>(x1) - x0) / range);
        if (x0 < x && x < x1)
            ticks.push_back({x, s.Msec});
        s = TimeAdd(s, step);
    }
    return ticks;
}

void DrawTimeAxis(const DayTime& axisTime, int x0, int x1, int ya, int yb, QPainter& p,
                  const QColor& textColor, const QColor& axesColor, const DisplayState& ds)
{
    const QFontMetrics fm = p.fontMetrics();
    const QPen grid(axesColor, 1, Qt::DotLine);
    const QPen text(textColor, 1, Qt::SolidLine);
    // In a band lower than a line of text the times would overprint the next band's.
    const bool fits = std::int64_t{yb} - ya >= fm.ascent() + fm.descent();
    for (const TimeTick& tick : TimeTicks(axisTime, ds.TimeRange, x0, x1)) {
        p.setPen(grid);
        p.drawLine(tick.X, ya, tick.X, yb);
        p.setPen(text);
        const QString label = TickLabelText(tick.MsecOfDay);
        const int half = fm.horizontalAdvance(label) / 2;
        if (ds.TimeLable && fits && x0 + half + 1 < tick.X && tick.X < x1 - half)
            p.drawText(QPoint(tick.X - half, SaturateInt32(std::int64_t{ya} + fm.ascent() + 1)),
                       label);
    }
    p.setPen(QPen(textColor, 1, Qt::SolidLine));
}
