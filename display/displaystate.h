#pragma once

#include <QColor>
#include <QFont>

// How the traces are drawn. One instance for the program, owned by the main window.
struct DisplayState
{
    int AmpScale = 0; // 0 individual, 1 absolute, 2 common, 3 lock
    double ScaleFactor = 1.0;
    int ZeroDcOffset = 0;
    int TimeScale = 0; // 0 channel, 1 common, 2 stream, 3 unit, 4 computer clock
    int TimeRange = 120;
    int TimeShift = 0;
    int TimeLable = 1;
    int MinMaxLable = 1;
    int MeanRangeLable = 1;
    int VoltsLable = 0; // 0 counts, 1 volts, 2 ground units
    QColor textColor{255, 255, 0};
    QColor axesColor{0, 255, 255};
    QColor backgroundColor{0, 0, 0};
    QFont traceFont{QStringLiteral("Arial"), 7, QFont::Light};
};
