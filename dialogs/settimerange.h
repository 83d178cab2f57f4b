#pragma once

#include <QString>

class QWidget;

// Asks for the time window's width and shift in seconds, again while the range is below
// kMinTimeRange or above kMaxTimeRange. True when a range was accepted (the caller restarts its
// monitor timer and redraws); false on cancel, which leaves both values as they were before the
// first dialog.
bool SetTimeRange(QWidget* parent, int& TimeRange, int& TimeShift);

// The monitor timer's interval for a range: TimeRange x 50 ms, computed in 64 bits and held to
// what a timer takes (a nine-digit range would overflow an int).
int MonitorIntervalMs(int TimeRange);

// The value of a masked field: blanks dropped; empty, not a number or beyond 32 bits gives 0.
int FieldValue(const QString& text);
