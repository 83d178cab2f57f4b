#include "packets/daytime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Years from 0 to year - 1 that are divisible by 4 (floor division, so negative years work).
std::int64_t LeapYearsBefore(std::int64_t year)
{
    const std::int64_t n = year + 3;
    return n >= 0 ? n / 4 : -((-n + 3) / 4);
}

std::int32_t ClampDay(std::int64_t day)
{
    if (day > INT32_MAX)
        return INT32_MAX;
    if (day < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(day);
}

DayTime NormalisedParse(std::int64_t day, double msec)
{
    // Exactly 24:00:00 stays on its day; the display relies on that text form.
    if (msec > kMsecPerDay) {
        const double extra = std::ceil(msec / kMsecPerDay) - 1.0;
        day += static_cast<std::int64_t>(extra);
        msec -= extra * kMsecPerDay;
        if (msec > kMsecPerDay) {
            ++day;
            msec -= kMsecPerDay;
        }
    }
    if (msec < 0.0) {
        const double fewer = std::ceil(-msec / kMsecPerDay);
        day -= static_cast<std::int64_t>(fewer);
        msec += fewer * kMsecPerDay;
    }
    return DayTime{ClampDay(day), msec};
}

double TimeOfDayMsec(int hour, int minute, int second, long long tenths)
{
    return hour * 3600000.0 + minute * 60000.0 + second * 1000.0 +
           static_cast<double>(tenths) * 0.1;
}
} // namespace

double TimeDiff(const DayTime& a, const DayTime& b, int unit)
{
    const double d =
        (static_cast<double>(a.Day) - static_cast<double>(b.Day)) * kMsecPerDay + (a.Msec - b.Msec);
    switch (unit) {
    case TimeUnitSec:
        return d * 0.001;
    case TimeUnitMin:
        return d / 60000.0;
    case TimeUnitHour:
        return d / 3600000.0;
    case TimeUnitDay:
        return d / kMsecPerDay;
    default:
        return d;
    }
}

DayTime TimeAdd(const DayTime& t, double deltaMsec)
{
    const double x = t.Msec + deltaMsec;
    if (std::isnan(x))
        return DayTime{t.Day, std::isnan(t.Msec) ? 0.0 : t.Msec};
    const double n = std::floor(x / kMsecPerDay);
    // Days beyond the 32-bit day number (or an infinite offset) end at the first or last
    // representable time instead of converting out of range.
    const double days = static_cast<double>(t.Day) + n;
    if (days > INT32_MAX)
        return DayTime{INT32_MAX, std::nextafter(kMsecPerDay, 0.0)};
    if (days < INT32_MIN)
        return DayTime{INT32_MIN, 0.0};
    double msec = x - n * kMsecPerDay;
    std::int64_t day = static_cast<std::int64_t>(days);
    // Rounding can leave x - n*day a hair outside [0, day) for negative tiny x.
    if (msec >= kMsecPerDay) {
        msec -= kMsecPerDay;
        ++day;
    } else if (msec < 0.0) {
        msec += kMsecPerDay;
        --day;
    }
    if (day > INT32_MAX)
        return DayTime{INT32_MAX, std::nextafter(kMsecPerDay, 0.0)};
    if (day < INT32_MIN)
        return DayTime{INT32_MIN, 0.0};
    return DayTime{static_cast<std::int32_t>(day), msec};
}

std::int32_t DayNumberFromDoy(int year, int dayOfYear)
{
    const std::int64_t y = year;
    return ClampDay(365 * y + LeapYearsBefore(y) + dayOfYear - 1);
}

std::int32_t DayNumberFromYmd(int year, int month, int day)
{
    const std::int64_t y = year;
    std::int64_t before = 0;
    for (int m = 1; m < month && m <= 12; ++m)
        before += kMonthLength[m - 1];
    const int leapExtra = (year % 4 == 0 && month > 2) ? 1 : 0;
    return ClampDay(365 * y + LeapYearsBefore(y) + before + leapExtra + day - 1);
}

CalendarDate CalendarFromDay(std::int32_t day)
{
    std::int64_t q = day / 1461;
    std::int64_t r = day - 1461 * q;
    if (r < 0) {
        --q;
        r += 1461;
    }
    int k = 0;
    if (r > 1095)
        k = 3;
    else if (r > 730)
        k = 2;
    else if (r > 365)
        k = 1;
    CalendarDate c;
    c.Year = static_cast<int>(4 * q + k);
    const bool leap = c.Year % 4 == 0;
    int doy = static_cast<int>(r - 365 * k) + (leap ? 1 : 0);
    c.DayOfYear = doy;
    int month = 1;
    for (; month < 12; ++month) {
        const int len = (month == 2 && leap) ? 29 : kMonthLength[month - 1];
        if (doy <= len)
            break;
        doy -= len;
    }
    c.Month = month;
    c.Day = doy;
    return c;
}

int FormatTime(const DayTime& t, char* out, std::size_t size)
{
    const CalendarDate c = CalendarFromDay(t.Day);
    // Times come normalised from TimeAdd or the parsers; anything else is kept printable.
    double msec = t.Msec;
    if (!(msec >= 0.0))
        msec = 0.0;
    else if (msec > kMsecPerDay)
        msec = kMsecPerDay;
    const int hour = static_cast<int>(std::floor(msec / 3600000.0));
    const int minute = static_cast<int>(std::floor((msec - hour * 3600000.0) / 60000.0));
    const long long rest = static_cast<long long>(msec - hour * 3600000.0 - minute * 60000.0);
    const int second = static_cast<int>(rest / 1000);
    const int millisecond = static_cast<int>(rest % 1000);
    return std::snprintf(out, size, "%04d.%02d.%02d %02d:%02d:%02d.%03d", c.Year, c.Month, c.Day,
                         hour, minute, second, millisecond);
}

std::string FormatTime(const DayTime& t)
{
    char buffer[64];
    const int n = FormatTime(t, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0u);
}

DayTime ParseTimeDoy(const char* text)
{
    int year = 0, doy = 0, hour = 0, minute = 0, second = 0;
    long long tenths = 0;
    if (std::sscanf(text, "%4d%3d%2d%2d%2d%lld", &year, &doy, &hour, &minute, &second, &tenths) < 1)
        return DayTime{};
    return NormalisedParse(DayNumberFromDoy(year, doy),
                           TimeOfDayMsec(hour, minute, second, tenths));
}

DayTime ParseTimeYmd(const char* text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    long long tenths = 0;
    if (std::sscanf(text, "%4d%2d%2d%2d%2d%2d%lld", &year, &month, &day, &hour, &minute, &second,
                    &tenths) < 1)
        return DayTime{};
    return NormalisedParse(DayNumberFromYmd(year, month, day),
                           TimeOfDayMsec(hour, minute, second, tenths));
}
