#include "store/rgb.h"

#include <cstdint>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d": blanks, an optional sign, at least one digit. Huge values saturate rather than
// overflow; they are clamped to a component afterwards anyway.
bool ScanInt(std::string_view text, std::size_t& pos, std::int64_t& value)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t firstDigit = pos;
    std::int64_t magnitude = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (magnitude < 1000000000)
            magnitude = magnitude * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == firstDigit)
        return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

bool ScanLiteral(std::string_view text, std::size_t& pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

std::uint8_t Clamp(std::int64_t v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

} // namespace

QString ColorText(const Rgb& c)
{
    return QStringLiteral("(%1,%2,%3)").arg(c.Red).arg(c.Green).arg(c.Blue);
}

// Follows what sscanf("(%d,%d,%d)") counts as three conversions: the closing parenthesis and
// whatever follows the third number are not needed.
std::optional<Rgb> ParseColorText(std::string_view text)
{
    std::size_t pos = 0;
    std::int64_t r = 0;
    std::int64_t g = 0;
    std::int64_t b = 0;
    if (!ScanLiteral(text, pos, '(') || !ScanInt(text, pos, r) || !ScanLiteral(text, pos, ',') ||
        !ScanInt(text, pos, g) || !ScanLiteral(text, pos, ',') || !ScanInt(text, pos, b))
        return std::nullopt;
    return Rgb{Clamp(r), Clamp(g), Clamp(b)};
}

std::optional<Rgb> ParseColorText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return ParseColorText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}
