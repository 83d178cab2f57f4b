#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

// A trace or display colour as stored: red, green, blue, each 0 to 255.
struct Rgb
{
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The colour text of the settings store and the selection list: "(%d,%d,%d)".
QString ColorText(const Rgb& c);
// Three integers in the "(%d,%d,%d)" form; components are clamped to 0..255.
std::optional<Rgb> ParseColorText(std::string_view text);
std::optional<Rgb> ParseColorText(const QString& text);
