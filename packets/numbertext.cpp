#include "packets/numbertext.h"

#include <charconv>
#include <system_error>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

void FormatG(double value, char* out, std::size_t size)
{
    if (size == 0)
        return;
    const auto r = std::to_chars(out, out + size - 1, value, std::chars_format::general, 6);
    *(r.ec == std::errc() ? r.ptr : out) = '\0';
}

std::string FormatG(double value)
{
    char text[32];
    FormatG(value, text, sizeof text);
    return text;
}

std::string FormatFixed(double value, int precision, int width)
{
    // Room for the largest double in fixed form with a few decimals.
    char text[400];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                                 precision < 0 ? 0 : (precision > 17 ? 17 : precision));
    std::string out(text, r.ec == std::errc() ? r.ptr : text);
    if (static_cast<int>(out.size()) < width)
        out.insert(0, static_cast<std::size_t>(width) - out.size(), ' ');
    return out;
}

std::optional<double> ReadDecimal(std::string_view text, std::size_t* used)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    // from_chars takes a '-' but not a '+'.
    bool plus = false;
    if (pos < text.size() && text[pos] == '+') {
        plus = true;
        ++pos;
    }
    if (plus && pos < text.size() && text[pos] == '-')
        return std::nullopt;
    double value = 0.0;
    const char* begin = text.data() + pos;
    const auto r = std::from_chars(begin, text.data() + text.size(), value);
    if (r.ec == std::errc::invalid_argument)
        return std::nullopt;
    if (used)
        *used = static_cast<std::size_t>(r.ptr - text.data());
    // Out of range: strtod gives the infinity or the zero of that sign; callers refuse both.
    if (r.ec == std::errc::result_out_of_range)
        return std::nullopt;
    return value;
}
