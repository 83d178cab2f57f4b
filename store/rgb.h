#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A trace or display colour as stored: red, green, blue, each 0 to 255.
struct Rgb
{
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// "(%d,%d,%d)"
std::string FormatColorText(const Rgb& c);
// Three integers in the "(%d,%d,%d)" form; components are clamped to 0..255.
std::optional<Rgb> ParseColorText(std::string_view text);
