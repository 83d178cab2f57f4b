#pragma once

#include <QString>

#include <cstdint>
#include <span>

// Appends bytes at the end of the open file fd, which is size bytes long: all of them, or none.
// A short or failed write is cut back to size before the error comes back, so a file of whole
// records stays one. Empty on success, else the system's reason.
QString WriteWhole(int fd, std::int64_t size, std::span<const std::uint8_t> bytes);
