#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The counts behind the one-line progress report.
class CaptureProgress
{
public:
    void CountFrame(std::size_t bytes)
    {
        ++frames_;
        bytes_ += static_cast<std::int64_t>(bytes);
    }
    void SetState(const QString& state) { state_ = state; }

    // Measures the rate over the seconds since the previous call.
    void Tick(double seconds);
    // "frames N  bytes N  R frames/s  STATE", with the rate of the latest tick.
    QByteArray Line() const;

    std::int64_t Frames() const { return frames_; }
    std::int64_t Bytes() const { return bytes_; }

private:
    std::int64_t frames_ = 0;
    std::int64_t bytes_ = 0;
    std::int64_t framesBefore_ = 0;
    double rate_ = 0.0;
    QString state_;
};
