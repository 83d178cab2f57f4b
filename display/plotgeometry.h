#pragma once

class QRect;

// The picture's rectangle (inclusive edges) and the plot area inside it, x0..x1 between the
// label areas and y0..y1 between the menu bar and the status bar.
struct PlotGeometry
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int X0 = 0;
    int X1 = 0;
    int Y0 = 0;
    int Y1 = 0;
};

// False when the plot area collapses. labelAreaWidth is reserved on either side.
bool ComputePlotGeometry(const QRect& windowRect, int menuBarHeight, int statusBarHeight,
                         int labelAreaWidth, PlotGeometry& g);

// The label areas are reserved only while their labels are shown.
void DropLabelAreas(PlotGeometry& g, bool minMaxLabels, bool meanRangeLabels);
