#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

struct ChannelCatalogue;
struct HealthBoard;

// Judges every channel's health once a second against the computer's UTC clock.
class HealthWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(HealthWatch)

public:
    HealthWatch(HealthBoard& board, ChannelCatalogue& cat, QObject* parent = nullptr);

    // Milliseconds of UTC since day 0 (the AbsoluteMs scale); tests move time by hand.
    void SetClock(std::function<std::int64_t()> utcMsecNow);
    QTimer& judgeTimer() { return timer_; }

public slots:
    void Judge();

signals:
    // After each judgement; marksChanged when a drawn band's mark would read otherwise.
    void judged(bool marksChanged);

private:
    HealthBoard& board_;
    ChannelCatalogue& cat_;
    QTimer timer_;
    std::function<std::int64_t()> clock_;
};
