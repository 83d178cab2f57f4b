#include "display/cpuclock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstdio>

DayTime DayTimeFromUtc(const QDateTime& utc)
{
    const QDate d = utc.date();
    const QTime t = utc.time();
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%04d", d.year(), d.month(), d.day(),
                  t.hour(), t.minute(), t.second(), t.msec() * 10);
    return ParseTimeYmd(text);
}

DayTime CpuClockNow()
{
    return DayTimeFromUtc(QDateTime::currentDateTimeUtc());
}
