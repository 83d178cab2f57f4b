#include "epochtime.h"

#include <cmath>

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

std::int32_t EpochDay()
{
    return DayNumberFromYmd(1970, 1, 1);
}

} // namespace

DayTime DayTimeFromEpochMs(std::int64_t ms)
{
    std::int64_t days = ms / kMsPerDay;
    std::int64_t rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    return DayTime{static_cast<std::int32_t>(EpochDay() + days), static_cast<double>(rest)};
}

std::int64_t EpochMsFromDayTime(const DayTime& t)
{
    return (static_cast<std::int64_t>(t.Day) - EpochDay()) * kMsPerDay +
           static_cast<std::int64_t>(std::llround(t.Msec));
}
