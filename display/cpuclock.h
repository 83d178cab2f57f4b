#pragma once

#include "packets/daytime.h"

class QDateTime;

// A UTC date and time to the millisecond, read through the system's own time text.
DayTime DayTimeFromUtc(const QDateTime& utc);

// The computer's clock now, in UTC.
DayTime CpuClockNow();
