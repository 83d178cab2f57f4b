#pragma once

#include "packets/dtpacket.h"

#include <cstddef>
#include <cstdint>
#include <span>

enum class SteimLevel
{
    Steim1,
    Steim2
};

// Encodes the leading samples into 15 Steim frames, as many as fit, and returns how many were
// taken; -1 when the encoder refuses the data (a Steim-2 difference beyond 30 bits). The first
// sample is the forward integration constant; the reverse constant is the last sample taken.
int EncodeSteimFrames(std::span<std::uint8_t, kSteimDataBytes> frames, SteimLevel level,
                      std::span<const std::int32_t> samples);
