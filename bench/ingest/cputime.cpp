#include "bench/ingest/cputime.h"

#include <time.h>

namespace {

double Read(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

double ProcessCpuSeconds()
{
    return Read(CLOCK_PROCESS_CPUTIME_ID);
}

double WallSeconds()
{
    return Read(CLOCK_MONOTONIC);
}
