#pragma once

#include "packets/bcd.h"
#include "packets/daytime.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The 16 bytes every recorder packet starts with. BCD fields are read high nibble first; a field
// that starts at a low nibble says so.
//
//   bytes      coding                            field
//   0-1        2 ASCII letters                   packet type: "DT", "EH", "ET"
//   2          2 BCD digits                      experiment
//   3          2 BCD digits                      year in the century (00-87: 20yy, 88-99: 19yy)
//   4-5        unsigned 16-bit big-endian        unit id
//   6 .. 7hi   3 BCD digits                      day of year, from 1
//   7lo .. 8hi 2 BCD digits                      hour
//   8lo .. 9hi 2 BCD digits                      minute
//   9lo .. 10hi 2 BCD digits                     second
//   10lo .. 11 3 BCD digits                      millisecond
//   12-13      4 BCD digits                      byte count (not read)
//   14-15      4 BCD digits                      sequence number
//
// The time is that of the packet's first sample.

inline constexpr std::size_t kPacketSize = 1024;
inline constexpr std::size_t kPacketHeaderSize = 16;

inline constexpr std::size_t kPacketTypeOffset = 0;
inline constexpr BcdField kExperimentField{2, 2};
inline constexpr BcdField kYearField{3, 2};
inline constexpr std::size_t kDasIdOffset = 4;
inline constexpr BcdField kDayOfYearField{6, 3};
inline constexpr BcdField kHourField{7, 2, true};
inline constexpr BcdField kMinuteField{8, 2, true};
inline constexpr BcdField kSecondField{9, 2, true};
inline constexpr BcdField kMsecField{10, 3, true};
inline constexpr BcdField kByteCountField{12, 4};
inline constexpr BcdField kSequenceField{14, 4};

struct PacketHeader
{
    std::uint16_t Experiment = 0;
    std::uint16_t DasId = 0;
    std::uint16_t Sequence = 0;
    DayTime Time;
};

// Nothing when the bytes are fewer than kPacketHeaderSize.
std::optional<PacketHeader> ParsePacketHeader(std::span<const std::uint8_t> packet);
