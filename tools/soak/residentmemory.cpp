#include "tools/soak/residentmemory.h"

#include <unistd.h>

#include <cstdio>

std::int64_t ResidentBytes()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr)
        return 0;
    long long size = 0;
    long long resident = 0;
    const int fields = std::fscanf(f, "%lld %lld", &size, &resident);
    std::fclose(f);
    if (fields != 2)
        return 0;
    return static_cast<std::int64_t>(resident) * sysconf(_SC_PAGESIZE);
}
