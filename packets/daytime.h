#pragma once

#include <cstdint>
#include <string>

// The one time value of the program: a day number (day 0 is 1 January of year 0 in a calendar
// where every fourth year is a leap year) and the milliseconds into that day.
struct DayTime
{
    std::int32_t Day = 0;
    double Msec = 0.0;
};

inline constexpr double kMsecPerDay = 86400000.0;

enum TimeUnit : int
{
    TimeUnitMsec = 0,
    TimeUnitSec = 1,
    TimeUnitMin = 2,
    TimeUnitHour = 3,
    TimeUnitDay = 4
};

// Time from b to a (positive when a is later), in the given unit; unknown units give ms.
double TimeDiff(const DayTime& a, const DayTime& b, int unit);
// t moved by delta milliseconds; the result has 0 <= Msec < 86,400,000. A result beyond the
// day numbers is held at the first or last representable time; a NaN offset moves nothing.
DayTime TimeAdd(const DayTime& t, double deltaMsec);

// Day numbers of calendar dates (no range checks: day of year 0 or 400 is fine).
std::int32_t DayNumberFromDoy(int year, int dayOfYear);
std::int32_t DayNumberFromYmd(int year, int month, int day);

struct CalendarDate
{
    int Year = 0;
    int Month = 1;
    int Day = 1;
    int DayOfYear = 1;
};
CalendarDate CalendarFromDay(std::int32_t day);

// "%04d.%02d.%02d %02d:%02d:%02d.%03d". Writes at most size bytes including the NUL and
// returns the length it wanted, like snprintf; the buffer form is for the ingest path.
int FormatTime(const DayTime& t, char* out, std::size_t size);
std::string FormatTime(const DayTime& t);

// "%4d%3d%2d%2d%2d%d" (year, day of year, h, m, s, tenths of ms) and
// "%4d%2d%2d%2d%2d%2d%d" (year, month, day, h, m, s, tenths of ms).
DayTime ParseTimeDoy(const char* text);
DayTime ParseTimeYmd(const char* text);
