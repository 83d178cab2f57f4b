#pragma once

#include "packets/daytime.h"

#include <array>
#include <cstdint>

struct DtPacket;

// What can be wrong with a channel, worst first. A channel may have several at once; it is
// shown by the worst.
enum class HealthState : std::uint8_t
{
    NeverHeard, // selected, but no data packet since the program started
    Silent,     // no data packet for longer than the silent threshold
    Late,       // its data ends far behind or ahead of the computer's clock
    Clipped,    // three or more consecutive samples at full scale lately
    Flat,       // its samples have hardly moved for the flat span
    Gaps,       // gaps or overlaps between its packets in the last hour
    Ok,
    Idle, // neither selected nor heard: not judged
};
inline constexpr int kHealthStates = 8;

inline constexpr std::uint32_t HealthBit(HealthState s)
{
    return 1U << static_cast<unsigned>(s);
}

// Thresholds, as the settings store keeps them; 0 turns a check off.
struct HealthThresholds
{
    int HealthSilentSeconds = 120;
    int HealthLateSeconds = 60;
    int HealthFlatSeconds = 60;
    int HealthFlatCounts = 2;
    bool Enabled = true; // off only to measure what watching costs
};

// Full scale of the converter by sample format: 16-bit data reach 32767, the others 2^23 - 1.
std::int32_t DefaultFullScale(std::uint16_t format);

inline constexpr int kGapMinutes = 60;
inline constexpr std::int64_t kMsecPerMinute = 60000;
// A clipped channel stays clipped this long after its last run at full scale.
inline constexpr std::int64_t kClipHoldMs = 60000;
// A late or flat channel is well again only after its condition has been gone this long, or
// for two of its packets' spans where that is longer, so slow channels do not flicker.
inline constexpr std::int64_t kMinHoldMs = 10000;

struct GapMinute
{
    std::int64_t Minute = -1; // of the clock, in whole minutes; -1 unused
    std::uint32_t Gaps = 0;
    std::uint32_t Overlaps = 0;
    std::int64_t MissingMs = 0;
};

// Health of one catalogue entry. The ingest notes each data packet in the first half without
// reading any clock; once a second the judgement reads the clock and fills the second half.
struct ChannelHealth
{
    // Noted on ingest.
    bool Heard = false;          // a data packet came since start
    std::uint32_t Packets = 0;   // data packets since start; wraps
    std::int32_t FullScale = 0;  // of the latest packet's format
    std::int32_t ClipCount = -1; // the channel's own full scale; -1 its format's, 0 no check
    std::int32_t LastMin = 0;    // of the latest packet's samples
    std::int32_t LastMax = 0;
    std::int64_t SpanMs = 0; // time the latest packet covers
    // The run of latest samples that lie within HealthFlatCounts of each other.
    bool RunOpen = false;
    std::int32_t RunMin = 0;
    std::int32_t RunMax = 0;
    std::int64_t RunStartMs = 0; // data time of its first sample
    std::int32_t ClipRun = 0;    // consecutive samples at full scale, across packets
    bool ClipSeen = false;       // a run of three since the last judgement
    std::uint32_t GapsNoted = 0; // since the last judgement
    std::uint32_t OverlapsNoted = 0;
    std::int64_t MissingNotedMs = 0;

    // Judged once a second.
    std::uint32_t PacketsJudged = 0;
    std::int64_t LastHeardMs = -1;   // the judgement that first saw the latest packet
    std::int64_t ArrivalDelayMs = 0; // data delay at that judgement
    std::int64_t LastClipMs = -1;
    std::int64_t LateGoneMs = -1; // since when the late condition has not held
    std::int64_t FlatGoneMs = -1;
    std::array<GapMinute, kGapMinutes> GapLog{};

    std::uint32_t States = 0; // HealthBit of each state that holds
    HealthState Worst = HealthState::Idle;
    std::int64_t DelayMs = 0;  // clock minus end of the latest packet; positive when behind
    std::int64_t SilentMs = 0; // since the latest packet was first seen
    std::uint32_t GapsHour = 0;
    std::uint32_t OverlapsHour = 0;
    std::int64_t MissingHourMs = 0;
};

// A DayTime as milliseconds since day 0, the scale of every health time.
std::int64_t AbsoluteMs(const DayTime& t);

// Notes a decoded packet of the channel: prevEnd is the time after the previous packet's last
// sample (unused for the first packet), rate the channel's sample rate (0 unknown). No
// allocation, no clock.
void NoteHealthOfPacket(ChannelHealth& h, const DtPacket& packet, const DayTime& prevEnd,
                        double rate, const HealthThresholds& t);

// Judges the channel at nowMs (the computer's UTC clock on the AbsoluteMs scale): lastEnd is the
// time after its latest sample, selected whether it is drawn.
void JudgeChannelHealth(ChannelHealth& h, const DayTime& lastEnd, bool selected,
                        const HealthThresholds& t, std::int64_t nowMs);

// The worst state of a set of HealthBit.
HealthState WorstOf(std::uint32_t states);
