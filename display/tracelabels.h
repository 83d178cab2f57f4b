#pragma once

#include <QString>

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

// The channel label left of x0 and, as the label flags ask, the Min and Max labels left of x0
// and the name, Mean and Range labels right of x1. Uses the painter's pen and font.
void DrawTraceLabels(QPainter& p, const DasStreamChanInfo& e, int x0, int x1, int ya, int yb,
                     const DisplayState& ds);
