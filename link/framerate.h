#pragma once

#include <array>
#include <cstdint>

// Frames per second over the last ten refreshes. A slow stream arrives in bursts (a few packets
// every few seconds), so a one-second window would read 0 between them.
class FrameRate
{
public:
    // Starts counting afresh from this moment and frame count.
    void Restart(std::int64_t nowMs, std::int64_t frames);

    // Notes the count at this moment; returns the rate since the oldest note kept.
    double Update(std::int64_t nowMs, std::int64_t frames);

private:
    static constexpr int kNotes = 10;
    std::array<std::int64_t, kNotes> ms_{};
    std::array<std::int64_t, kNotes> frames_{};
    int next_ = 0;  // where the next note goes
    int notes_ = 0; // notes kept, up to kNotes
};
