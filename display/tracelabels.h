#pragma once

#include <QString>

class QFontMetrics;
class QPainter;
struct DasStreamChanInfo;
struct DisplayState;

// "%4X-%02d-%02d" of the unit id, stream + 1 and channel + 1.
QString ChannelLabelText(const DasStreamChanInfo& e);
// "%s-%02d-%02d" of the name, stream + 1 and channel + 1.
QString NameLabelText(const DasStreamChanInfo& e);

// Values at the band's bottom and top edge, the mean and the span, in the label units; the
// first three relative to the mean when ZeroDcOffset is on.
QString MinText(const DasStreamChanInfo& e, const DisplayState& ds);
QString MaxText(const DasStreamChanInfo& e, const DisplayState& ds);
QString MeanText(const DasStreamChanInfo& e, const DisplayState& ds);
QString RangeText(const DasStreamChanInfo& e, const DisplayState& ds);

// The three rows of labels beside a band ya..yb, each a baseline: at the top (Max, Range), in
// the middle (channel, name) and at the bottom (Min, Mean). A row is drawn only where it fits:
// a band lower than a line of text has none (its labels would overprint the neighbours'), and
// the top and bottom rows go first where they would overprint the middle one.
struct LabelRows
{
    bool Top = false;
    bool Middle = false;
    bool Bottom = false;
    int TopLine = 0;
    int MiddleLine = 0;
    int BottomLine = 0;
};
LabelRows FitLabelRows(int ya, int yb, const QFontMetrics& fm);

// The channel label left of x0 and, as the label flags ask, the Min and Max labels left of x0
// and the name, Mean and Range labels right of x1, in the rows that fit. Uses the painter's
// pen and font.
void DrawTraceLabels(QPainter& p, const DasStreamChanInfo& e, int x0, int x1, int ya, int yb,
                     const DisplayState& ds);
