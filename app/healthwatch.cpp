#include "app/healthwatch.h"

#include "display/cpuclock.h"
#include "store/channelcatalogue.h"
#include "store/channelhealth.h"
#include "store/healthboard.h"

HealthWatch::HealthWatch(HealthBoard& board, ChannelCatalogue& cat, QObject* parent)
    : QObject(parent), board_(board), cat_(cat)
{
    clock_ = [] { return AbsoluteMs(CpuClockNow()); };
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &HealthWatch::Judge);
    timer_.start();
}

void HealthWatch::SetClock(std::function<std::int64_t()> utcMsecNow)
{
    clock_ = std::move(utcMsecNow);
}

void HealthWatch::Judge()
{
    emit judged(JudgeHealth(board_, cat_, clock_()));
}
