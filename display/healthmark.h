#pragma once

#include <QColor>

class QFont;
class QPainter;
class QString;
struct DasStreamChanInfo;
struct DisplayState;

// The warning colour of the status bar's fields and of the marks on the traces.
QColor WarningColor();

// The mark of an unwell channel: its state and age in the warning colour, bold, on a ground of
// its own inside the top right corner of the band ya..yb whose trace area ends at x1, cut to
// the band. A well channel gets none.
void DrawHealthMark(QPainter& p, const DasStreamChanInfo& e, int x0, int x1, int ya, int yb,
                    const QFont& traceFont);

// True when the channel's window end comes from no data at all (it never had a packet and
// nothing else sets its window): it gets no time axis.
bool AxisFromNoData(const DasStreamChanInfo& e, const DisplayState& ds);
