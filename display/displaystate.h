#pragma once

#include <QColor>
#include <QFont>

// The display modes as the settings store keeps them. Other values come only from an edited
// store; they behave like the first of each list.

// AmpScale: how each trace's band is scaled.
enum AmpScaleMode : int
{
    ScaleIndividual = 0,
    ScaleAbsolute = 1,
    ScaleCommon = 2, // "Range Scaling": every trace gets the largest span
    ScaleLock = 3,
};

// TimeScale: where each trace's window ends.
enum TimeScaleMode : int
{
    TimePerChannel = 0,
    TimeCommon = 1,
    TimePerStream = 2,
    TimePerUnit = 3,
    TimeCpuClock = 4,
};

// VoltsLable: the units of the labels.
enum LabelUnits : int
{
    LabelCounts = 0,
    LabelVolts = 1,
    LabelGround = 2,
};

// The time window is at least a second wide (the monitor ticks every TimeRange x 50 ms) and at
// most a day: the axis labels times of day, which would repeat and mislead beyond one.
inline constexpr int kMinTimeRange = 1;
inline constexpr int kMaxTimeRange = 86400;

// How the traces are drawn. One instance for the program, owned by the main window.
struct DisplayState
{
    int AmpScale = ScaleIndividual;
    double ScaleFactor = 1.0;
    int ZeroDcOffset = 0;
    int TimeScale = TimePerChannel;
    int TimeRange = 120;
    int TimeShift = 0;
    int TimeLable = 1;
    int MinMaxLable = 1;
    int MeanRangeLable = 1;
    int VoltsLable = LabelCounts;
    QColor textColor{255, 255, 0};
    QColor axesColor{0, 255, 255};
    QColor backgroundColor{0, 0, 0};
    QFont traceFont{QStringLiteral("Arial"), 7, QFont::Light};
};
