#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Numbers in the recorders' texts and in the program's own texts always use a '.', whatever
// locale the desktop sets for the process; these never consult it. Formatting rounds the exact
// binary value as C's printf does (41.25 with one decimal gives "41.2").

// "%g": six significant digits, trailing zeros dropped, exponent form when very small or large.
std::string FormatG(double value);
// The same into out, NUL-terminated (an empty text when size is too small); for hot paths.
void FormatG(double value, char* out, std::size_t size);

// "%*.*f": precision decimals, right-aligned in at least width characters.
std::string FormatFixed(double value, int precision, int width = 0);

// The decimal number at the start of text, as strtod reads it in the "C" locale: leading
// blanks skipped, an optional sign, digits with an optional '.' and exponent. Nothing when no
// number starts there or it lies beyond a double. used, when given, gets the characters read.
std::optional<double> ReadDecimal(std::string_view text, std::size_t* used = nullptr);
