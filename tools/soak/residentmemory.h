#pragma once

#include <cstdint>

// Resident memory of this process in bytes, from /proc/self/statm; 0 when it cannot be read.
std::int64_t ResidentBytes();
