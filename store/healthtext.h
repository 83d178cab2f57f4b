#pragma once

#include "store/channelhealth.h"

#include <QString>

#include <cstdint>

struct HealthCounts;

// "never heard", "silent", "late", "clipped", "flat", "gaps", "OK", "not selected".
QString HealthStateWord(HealthState s);

// A span as the operator reads it: "42 s" under a minute, then whole minutes ("5 min"), hours
// ("3 h") and days ("2 d"). The sign is dropped.
QString HealthSpanText(std::int64_t ms);

// A signed data delay: "42 s" behind the clock, "-42 s" ahead of it.
QString HealthDelayText(std::int64_t ms);

// The band's mark: the worst state with its age, "silent 5 min", "late 42 s", "ahead 3 min",
// "clipped", "flat", "3 gaps", "1 overlap", "never heard"; empty while the channel is well.
QString HealthMarkText(const ChannelHealth& h);
// The mark of a channel that was never heard.
QString NeverHeardMarkText();

// The status-bar summary: "12 channels OK", or the worst first, "2 of 12 channels silent · 1
// flat"; "No channels" before any is known.
QString HealthFieldText(const HealthCounts& counts);
