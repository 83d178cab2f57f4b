#pragma once

#include "daytime.h"

#include <cstdint>

inline constexpr int kMaxSamples = 2000;
inline constexpr int kSteimFrames = 15;
inline constexpr int kSteimDataOffset = 64;
inline constexpr int kIntDataOffset = 24;

enum SampleFormat : std::uint16_t
{
    FormatInt16 = 1,
    FormatInt32 = 2,
    FormatSteim1 = 3,
    FormatSteim2 = 5,
};

// One decoded data packet, as held in a ring slot. SampleCount 0 marks an empty slot.
struct DtPacket
{
    DayTime Time;
    std::uint16_t Experiment = 0;
    std::uint16_t DasId = 0;
    std::uint16_t Sequence = 0;
    std::uint16_t Event = 0;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    std::uint16_t SampleCount = 0;
    std::uint16_t Format = 0;
    std::int32_t Samples[kMaxSamples];
};

// Decodes a 1024-byte DT packet straight into slot. False for an unknown data format byte.
bool DecodeDtPacket(DtPacket& slot, const std::uint8_t* packet);

// data addresses the 960 bytes of 15 frames (byte 64 of the packet); samples holds at least
// sampleCount values (never more than kMaxSamples are written). Returns differences consumed.
int DecodeSteim1(std::int32_t* samples, const std::uint8_t* data, int sampleCount);
int DecodeSteim2(std::int32_t* samples, const std::uint8_t* data, int sampleCount);
