#pragma once

#include "packets/daytime.h"

#include <cstdint>

// Conversions between milliseconds since 1970-01-01 UTC and the packets' time value.
DayTime DayTimeFromEpochMs(std::int64_t ms);
std::int64_t EpochMsFromDayTime(const DayTime& t);
