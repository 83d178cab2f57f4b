#pragma once

#include "daytime.h"

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kPacketSize = 1024;
inline constexpr std::size_t kPacketHeaderSize = 16;

struct PacketHeader
{
    std::uint16_t Experiment = 0;
    std::uint16_t DasId = 0;
    std::uint16_t Sequence = 0;
    DayTime Time;
};

// packet must hold at least kPacketHeaderSize bytes.
PacketHeader ParsePacketHeader(const std::uint8_t* packet);
