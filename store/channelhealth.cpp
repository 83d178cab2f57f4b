#include "store/channelhealth.h"

#include "packets/dataformat.h"
#include "packets/dtpacket.h"

#include <algorithm>
#include <cmath>

namespace {

// Milliseconds as a whole number; a rate far below any recorder's makes spans no clock could
// tell apart, so they are held to a thousand years rather than overflow.
std::int64_t WholeMs(double ms)
{
    constexpr double kLongestMs = 1000.0 * 365.25 * 86400000.0;
    if (std::isnan(ms))
        return 0;
    return static_cast<std::int64_t>(std::clamp(ms, -kLongestMs, kLongestMs));
}

constexpr int kClipRunSamples = 3;
// A packet more than this many sample intervals off the previous one's end is a gap or overlap.
constexpr double kGapIntervals = 1.5;

// Keeps a state that no longer holds until it has been gone for holdMs.
bool Held(bool holds, bool was, std::int64_t& goneSinceMs, std::int64_t nowMs, std::int64_t holdMs)
{
    if (holds) {
        goneSinceMs = -1;
        return true;
    }
    if (!was)
        return false;
    if (goneSinceMs < 0)
        goneSinceMs = nowMs;
    return nowMs - goneSinceMs < holdMs;
}

// Made for the machine's widest vector instructions: the baseline has no vector min or max of
// 32-bit integers, and this pass is most of what watching costs the ingest.
__attribute__((target_clones("avx2", "sse4.1", "default"))) void
MinMax(const std::int32_t* samples, int n, std::int32_t& lo, std::int32_t& hi)
{
    std::int32_t l = samples[0];
    std::int32_t h = samples[0];
    for (int i = 1; i < n; ++i) {
        l = std::min(l, samples[i]);
        h = std::max(h, samples[i]);
    }
    lo = l;
    hi = h;
}

void LogGaps(ChannelHealth& h, std::int64_t nowMs)
{
    if (h.GapsNoted == 0 && h.OverlapsNoted == 0)
        return;
    const std::int64_t minute = nowMs / kMsecPerMinute;
    GapMinute& m = h.GapLog[static_cast<std::size_t>(minute % kGapMinutes)];
    if (m.Minute != minute)
        m = GapMinute{minute, 0, 0, 0};
    m.Gaps += h.GapsNoted;
    m.Overlaps += h.OverlapsNoted;
    m.MissingMs += h.MissingNotedMs;
    h.GapsNoted = 0;
    h.OverlapsNoted = 0;
    h.MissingNotedMs = 0;
}

void SumLastHour(ChannelHealth& h, std::int64_t nowMs)
{
    const std::int64_t minute = nowMs / kMsecPerMinute;
    h.GapsHour = 0;
    h.OverlapsHour = 0;
    h.MissingHourMs = 0;
    for (const GapMinute& m : h.GapLog) {
        if (m.Minute < 0 || m.Minute > minute || minute - m.Minute >= kGapMinutes)
            continue;
        h.GapsHour += m.Gaps;
        h.OverlapsHour += m.Overlaps;
        h.MissingHourMs += m.MissingMs;
    }
}

} // namespace

std::int32_t DefaultFullScale(std::uint16_t format)
{
    return format == FormatInt16 ? 32767 : 8388607;
}

std::int64_t AbsoluteMs(const DayTime& t)
{
    // Msec is never negative, so adding a half and cutting rounds, without a library call.
    return std::int64_t{t.Day} * 86400000 + static_cast<std::int64_t>(t.Msec + 0.5);
}

void NoteHealthOfPacket(ChannelHealth& h, const DtPacket& packet, const DayTime& prevEnd,
                        double rate, const HealthThresholds& t)
{
    const bool hadPacket = h.Heard;
    h.Heard = true;
    ++h.Packets;
    if (!t.Enabled)
        return;
    const int n = std::min<int>(packet.SampleCount, kMaxSamples);
    const bool rateKnown = rate > 0.0 && std::isfinite(rate);
    const double intervalMs = rateKnown ? 1000.0 / rate : 0.0;
    const std::int64_t startMs = AbsoluteMs(packet.Time);
    h.SpanMs = WholeMs(n * intervalMs);

    if (hadPacket && rateKnown) {
        const double offMs = TimeDiff(packet.Time, prevEnd, TimeUnitMsec);
        if (offMs > kGapIntervals * intervalMs) {
            ++h.GapsNoted;
            h.MissingNotedMs += WholeMs(offMs);
        } else if (offMs < -kGapIntervals * intervalMs) {
            ++h.OverlapsNoted;
        }
    }

    h.FullScale = DefaultFullScale(packet.Format);
    const std::int32_t* samples = packet.Samples;
    std::int32_t lo = 0;
    std::int32_t hi = 0;
    if (n > 0)
        MinMax(samples, n, lo, hi);
    h.LastMin = lo;
    h.LastMax = hi;
    if (n == 0)
        return;

    // Only a packet that reaches full scale needs its samples walked for runs.
    const std::int32_t clip = h.ClipCount >= 0 ? h.ClipCount : h.FullScale;
    if (clip > 0 && (hi >= clip || lo <= -clip)) {
        for (int i = 0; i < n; ++i) {
            if (samples[i] >= clip || samples[i] <= -clip) {
                if (++h.ClipRun >= kClipRunSamples)
                    h.ClipSeen = true;
            } else {
                h.ClipRun = 0;
            }
        }
    } else {
        h.ClipRun = 0;
    }

    const std::int64_t flatCounts = t.HealthFlatCounts;
    if (flatCounts <= 0 || t.HealthFlatSeconds <= 0) {
        h.RunOpen = false;
        return;
    }
    if (h.RunOpen && std::int64_t{std::max(h.RunMax, hi)} - std::min(h.RunMin, lo) <= flatCounts) {
        h.RunMin = std::min(h.RunMin, lo);
        h.RunMax = std::max(h.RunMax, hi);
        return;
    }
    // The run starts again with the packet's latest samples that lie within the counts of each
    // other; a live signal ends this walk after a few samples.
    int first = n - 1;
    std::int32_t runLo = samples[first];
    std::int32_t runHi = runLo;
    while (first > 0) {
        const std::int32_t nextLo = std::min(runLo, samples[first - 1]);
        const std::int32_t nextHi = std::max(runHi, samples[first - 1]);
        if (std::int64_t{nextHi} - nextLo > flatCounts)
            break;
        runLo = nextLo;
        runHi = nextHi;
        --first;
    }
    h.RunOpen = true;
    h.RunMin = runLo;
    h.RunMax = runHi;
    h.RunStartMs = startMs + WholeMs(first * intervalMs);
}

HealthState WorstOf(std::uint32_t states)
{
    for (int i = 0; i < kHealthStates; ++i) {
        if (states & (1U << i))
            return static_cast<HealthState>(i);
    }
    return HealthState::Ok;
}

void JudgeChannelHealth(ChannelHealth& h, const DayTime& lastEnd, bool selected,
                        const HealthThresholds& t, std::int64_t nowMs)
{
    const bool heard = h.Heard;
    if (!t.Enabled) {
        h.States = 0;
        h.Worst = heard || selected ? HealthState::Ok : HealthState::Idle;
        return;
    }
    if (!heard) {
        h.States = selected ? HealthBit(HealthState::NeverHeard) : 0;
        h.Worst = selected ? HealthState::NeverHeard : HealthState::Idle;
        return;
    }
    const std::int64_t endMs = AbsoluteMs(lastEnd);
    if (h.Packets != h.PacketsJudged || h.LastHeardMs < 0) {
        h.PacketsJudged = h.Packets;
        h.LastHeardMs = nowMs;
        h.ArrivalDelayMs = nowMs - endMs;
    }
    if (h.ClipSeen) {
        h.ClipSeen = false;
        h.LastClipMs = nowMs;
    }
    LogGaps(h, nowMs);
    SumLastHour(h, nowMs);

    h.DelayMs = nowMs - endMs;
    h.SilentMs = nowMs - h.LastHeardMs;
    const std::int64_t holdMs = std::max(kMinHoldMs, 2 * h.SpanMs);
    std::uint32_t states = 0;

    const std::int64_t silentMs = std::int64_t{t.HealthSilentSeconds} * 1000;
    if (silentMs > 0 && h.SilentMs > std::max(silentMs, 3 * h.SpanMs))
        states |= HealthBit(HealthState::Silent);

    // Judged by the delay the latest packet came with, so a slow channel whose packets cover
    // minutes is not late between them; a stall shows once it outlasts one more packet.
    const std::int64_t lateMs = std::int64_t{t.HealthLateSeconds} * 1000;
    const bool late = lateMs > 0 && (h.ArrivalDelayMs > lateMs || h.ArrivalDelayMs < -lateMs ||
                                     h.DelayMs > lateMs + h.SpanMs);
    if (Held(late, (h.States & HealthBit(HealthState::Late)) != 0, h.LateGoneMs, nowMs, holdMs))
        states |= HealthBit(HealthState::Late);

    if (h.LastClipMs >= 0 && nowMs - h.LastClipMs < kClipHoldMs)
        states |= HealthBit(HealthState::Clipped);

    const std::int64_t flatMs = std::int64_t{t.HealthFlatSeconds} * 1000;
    const bool flat =
        flatMs > 0 && t.HealthFlatCounts > 0 && h.RunOpen && endMs - h.RunStartMs >= flatMs;
    if (Held(flat, (h.States & HealthBit(HealthState::Flat)) != 0, h.FlatGoneMs, nowMs, holdMs))
        states |= HealthBit(HealthState::Flat);

    if (h.GapsHour + h.OverlapsHour > 0)
        states |= HealthBit(HealthState::Gaps);

    h.States = states;
    h.Worst = WorstOf(states);
}
