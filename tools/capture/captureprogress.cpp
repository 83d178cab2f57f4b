#include "tools/capture/captureprogress.h"

#include "packets/numbertext.h"

void CaptureProgress::Tick(double seconds)
{
    if (seconds > 0.0)
        rate_ = static_cast<double>(frames_ - framesBefore_) / seconds;
    framesBefore_ = frames_;
}

QByteArray CaptureProgress::Line() const
{
    return "frames " + QByteArray::number(frames_) + "  bytes " + QByteArray::number(bytes_) +
           "  " + QByteArray::fromStdString(FormatFixed(rate_, 1)) + " frames/s  " +
           state_.toLocal8Bit();
}
