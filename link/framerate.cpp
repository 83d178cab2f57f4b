#include "link/framerate.h"

void FrameRate::Restart(std::int64_t nowMs, std::int64_t frames)
{
    next_ = 0;
    notes_ = 0;
    Update(nowMs, frames);
}

double FrameRate::Update(std::int64_t nowMs, std::int64_t frames)
{
    const int oldest = notes_ < kNotes ? 0 : next_;
    const std::int64_t spanMs = nowMs - ms_[oldest];
    const double rate = notes_ > 0 && spanMs > 0
                            ? static_cast<double>(frames - frames_[oldest]) * 1000.0 / spanMs
                            : 0.0;
    ms_[next_] = nowMs;
    frames_[next_] = frames;
    next_ = (next_ + 1) % kNotes;
    if (notes_ < kNotes)
        ++notes_;
    return rate;
}
