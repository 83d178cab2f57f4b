#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kEventPositions = 16;
inline constexpr std::size_t kEventHeaderSize = 944;

enum class UnitKind : std::uint8_t
{
    None,
    D,
    V,
    A,
    G
};

struct EventPosition
{
    double BitWeight = 0.0; // volts per count; 0 when unusable
    double VoltsPerUnit = 0.0;
    UnitKind Kind = UnitKind::None;
};

struct EventHeaderInfo
{
    std::uint16_t DasId = 0;
    std::uint16_t Stream = 0;
    bool ChannelBank = false;
    char Name[5] = {}; // at most 4 characters, NUL-terminated
    double SampleRate = 0.0;
    EventPosition Positions[kEventPositions];
};

// "M", "M/S", "M/S^2", "G" or "Unk".
const char* UnitCodeText(UnitKind kind);

// Parses an EH/ET packet of length bytes; bytes beyond length are read as blanks.
// False for an unknown data format or event kind code.
bool ParseEventHeader(const std::uint8_t* packet, std::size_t length, EventHeaderInfo& info);
