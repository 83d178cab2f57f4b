#pragma once

#include "packets/bcd.h"

#include <cstddef>
#include <cstdint>
#include <span>

// An event header ("EH") or trailer ("ET") describes one stream of a unit. The fields read:
//
//   bytes    coding                          field
//   0-15     common header (packetheader.h)  type "EH" or "ET", unit id
//   16-17    4 BCD digits                    event number (not read)
//   18       2 BCD digits                    stream, from 0
//   22       1 byte                          flags: bit of value 4 set, the positions below
//                                            describe channels 16-31 instead of 0-15
//   23       1 byte                          data format (dataformat.h); others: unusable
//   60-63    4 ASCII characters              name: the first blank-separated word
//   88-91    ASCII decimal number            sample rate
//   92-94    3 ASCII letters                 event kind: CON CRS EVT EXT LVL RAD TIM VOT TML
//                                            CMD; others: unusable
//   96-111   16 ASCII digits                 first time, "yyyydddhhmmssmmm" (not read)
//   112-127  16 ASCII digits                 trigger time, the same form (not read)
//   288-415  16 x 8 ASCII characters         bit weight per position: a number and "mV", "uV",
//                                            "nV" or "V"
//   544-639  16 x 6 ASCII characters         sensor output per ground unit, a decimal number
//   640-655  16 ASCII letters                ground unit: D (M), V (M/S), A (M/S^2), G (G)
//
// Numbers are read with a '.' as the recorders write them, never by the desktop's locale.

inline constexpr int kEventPositions = 16;
inline constexpr std::size_t kEventHeaderSize = 944;

inline constexpr BcdField kEhEventField{16, 4};
inline constexpr BcdField kEhStreamField{18, 2};
inline constexpr std::size_t kEhFlagsOffset = 22;
inline constexpr std::uint8_t kEhChannelBankFlag = 4;
inline constexpr std::size_t kEhFormatOffset = 23;
inline constexpr TextField kEhNameField{60, 4};
inline constexpr TextField kEhRateField{88, 4};
inline constexpr TextField kEhKindField{92, 3};
inline constexpr TextField kEhFirstTimeField{96, 16};
inline constexpr TextField kEhTriggerTimeField{112, 16};
// Per position: the first one's field, and the distance from one position to the next.
inline constexpr TextField kEhBitWeightField{288, 8};
inline constexpr TextField kEhVoltsPerUnitField{544, 6};
inline constexpr std::size_t kEhUnitOffset = 640;

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

// Parses an EH/ET packet; the fixed positions the packet is too short for read as blanks.
// False for an unknown data format or event kind code.
bool ParseEventHeader(std::span<const std::uint8_t> packet, EventHeaderInfo& info);
