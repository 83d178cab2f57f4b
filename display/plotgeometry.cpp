#include "display/plotgeometry.h"

#include <QRect>

bool ComputePlotGeometry(const QRect& windowRect, int menuBarHeight, int statusBarHeight,
                         int labelAreaWidth, PlotGeometry& g)
{
    g.Left = windowRect.left();
    g.Top = windowRect.top();
    g.Right = windowRect.right();
    g.Bottom = windowRect.bottom();
    g.X0 = g.Left + labelAreaWidth;
    g.X1 = g.Right - labelAreaWidth;
    g.Y0 = g.Top + menuBarHeight + 2;
    g.Y1 = g.Bottom - statusBarHeight;
    return g.X0 < g.X1 && g.Y0 < g.Y1;
}

void DropLabelAreas(PlotGeometry& g, bool minMaxLabels, bool meanRangeLabels)
{
    if (!minMaxLabels)
        g.X0 = g.Left + 1;
    if (!meanRangeLabels)
        g.X1 = g.Right - 1;
}
