#pragma once

#include "packets/bcd.h"
#include "packets/dataformat.h"
#include "packets/daytime.h"
#include "packets/packetheader.h"

#include <cstddef>
#include <cstdint>
#include <span>

// A data packet ("DT"), 1024 bytes, carries the samples of one channel:
//
//   bytes    coding                         field
//   0-15     common header (packetheader.h) type "DT", unit id, time of the first sample, ...
//   16-17    4 BCD digits                   event number
//   18       2 BCD digits                   stream, from 0
//   19       2 BCD digits                   channel, from 0
//   20-21    4 BCD digits                   number of samples
//   22       1 byte                         flags (not read)
//   23       1 byte                         data format (dataformat.h)
//   24-1023  big-endian signed integers     16-bit: at most 500; 32-bit: at most 250
//   64-1023  15 Steim frames of 64 bytes    Steim-1 and Steim-2 (bytes 24-63 not read)
//
// A Steim frame is 16 big-endian 32-bit words. Word 0 holds a 2-bit code for each word, word 0's
// own in the top bits. In the first frame, word 1 is X0 (the first sample) and word 2 is XN
// (the last sample, not checked). By code, a word holds differences taken from its high bits
// down:
//
//   code  Steim-1              Steim-2 (top two bits of the word, then the differences)
//   0     none                 none
//   1     4 x 8 bits           4 x 8 bits
//   2     2 x 16 bits          01: 1 x 30, 10: 2 x 15, 11: 3 x 10, 00: none
//   3     1 x 32 bits          00: 5 x 6, 01: 6 x 5, 10: 7 x 4 (bits 29-28 unused), 11: none
//
// The first difference of word 3 of the first frame is replaced by X0; every other difference
// is added to the running value, which wraps modulo 2^32.

inline constexpr int kMaxSamples = 2000;
inline constexpr int kSteimFrames = 15;
inline constexpr std::size_t kSteimFrameSize = 64;
inline constexpr std::size_t kSteimDataBytes = kSteimFrames * kSteimFrameSize;
inline constexpr std::size_t kSteimDataOffset = 64;
inline constexpr std::size_t kIntDataOffset = 24;
inline constexpr int kMaxInt16Samples = (kPacketSize - kIntDataOffset) / 2;
inline constexpr int kMaxInt32Samples = (kPacketSize - kIntDataOffset) / 4;

inline constexpr BcdField kDtEventField{16, 4};
inline constexpr BcdField kDtStreamField{18, 2};
inline constexpr BcdField kDtChannelField{19, 2};
inline constexpr BcdField kDtSampleCountField{20, 4};
inline constexpr std::size_t kDtFormatOffset = 23;

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

// Decodes a DT packet straight into slot. False, leaving the slot empty, for an unknown data
// format byte or fewer than 1024 bytes. SampleCount is what the data area really held.
bool DecodeDtPacket(DtPacket& slot, std::span<const std::uint8_t> packet);

// frames: the Steim frames from byte 64 of the packet (whole frames only, at most 15 are read).
// At most min(sampleCount, samples.size()) samples are written. Returns the samples written.
int DecodeSteim1(std::span<std::int32_t> samples, std::span<const std::uint8_t> frames,
                 int sampleCount);
int DecodeSteim2(std::span<std::int32_t> samples, std::span<const std::uint8_t> frames,
                 int sampleCount);
