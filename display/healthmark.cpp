#include "display/healthmark.h"

#include "display/displaystate.h"
#include "packets/daytime.h"
#include "store/dasstreamchaninfo.h"
#include "store/healthtext.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

namespace {

constexpr int kPadding = 2;
// The mark stays readable where the label font is tiny.
constexpr double kMinMarkPoints = 9.0;

bool Unwell(HealthState s)
{
    return s != HealthState::Ok && s != HealthState::Idle;
}

} // namespace

QColor WarningColor()
{
    return QColor(192, 0, 0);
}

void DrawHealthMark(QPainter& p, const DasStreamChanInfo& e, int x0, int x1, int ya, int yb,
                    const QFont& traceFont)
{
    if (!Unwell(e.Health.Worst) || yb - ya < 3 || x1 - x0 < 3)
        return;
    const QString text = HealthMarkText(e.Health);
    QFont font = traceFont;
    font.setBold(true);
    if (font.pointSizeF() < kMinMarkPoints)
        font.setPointSizeF(kMinMarkPoints);
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(text) + 2 * kPadding;
    const int h = fm.height() + kPadding;
    const QRect band(x0 + 1, ya + 1, x1 - x0 - 1, yb - ya - 1);
    const QRect box = QRect(x1 - w, ya + 1, w, h).intersected(band);
    p.save();
    p.setClipRect(box);
    p.fillRect(box, QColor(255, 255, 255));
    p.setFont(font);
    p.setPen(WarningColor());
    p.drawText(box.left() + kPadding, box.top() + fm.ascent() + kPadding / 2, text);
    p.restore();
}

bool AxisFromNoData(const DasStreamChanInfo& e, const DisplayState& ds)
{
    const DayTime none = TimeAdd(DayTime{}, ds.TimeShift * 1000.0);
    return e.AxisTime.Day == none.Day && e.AxisTime.Msec == none.Msec;
}
