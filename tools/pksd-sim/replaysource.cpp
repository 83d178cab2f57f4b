#include "replaysource.h"

#include "epochtime.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "packets/packetheader.h"

#include <QFile>

#include <algorithm>

namespace {

bool IsRecorderPacket(const QByteArray& payload)
{
    if (payload.size() < static_cast<qsizetype>(kPacketHeaderSize))
        return false;
    return payload.startsWith("DT") || payload.startsWith("EH") || payload.startsWith("ET");
}

} // namespace

ReplaySource::ReplaySource(const QByteArray& capture, std::int64_t startMs, bool loop)
    : capture_(capture), startMs_(startMs), lastDueMs_(startMs), loop_(loop)
{}

bool ReplaySource::Load(const QString& path, QByteArray& capture, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    capture = file.readAll();
    return true;
}

bool ReplaySource::Next(OutgoingPacket& packet)
{
    if (NextInCapture(packet))
        return true;
    // A capture without a single usable frame would loop without end.
    if (!loop_ || offset_ == 0)
        return false;
    offset_ = 0;
    haveFirst_ = false;
    startMs_ = lastDueMs_;
    return NextInCapture(packet);
}

bool ReplaySource::NextInCapture(OutgoingPacket& packet)
{
    const Frame frame = ReadFrame(ByteSpan(capture_).subspan(static_cast<std::size_t>(offset_)));
    if (frame.Outcome != FrameOutcome::Whole)
        return false;

    packet.FrameType = frame.Type;
    packet.Payload = capture_.mid(offset_ + static_cast<qsizetype>(kFrameHeaderBytes),
                                  static_cast<qsizetype>(frame.Payload.size()));
    offset_ += static_cast<qsizetype>(frame.Size());

    packet.DueMs = lastDueMs_;
    const std::optional<PacketHeader> parsed = ParsePacketHeader(frame.Payload);
    if (IsRecorderPacket(packet.Payload) && parsed) {
        const std::int64_t packetMs = EpochMsFromDayTime(parsed->Time);
        if (!haveFirst_) {
            firstPacketMs_ = packetMs;
            haveFirst_ = true;
        }
        // Interleaved channels step back in time; never let the schedule run backwards.
        packet.DueMs = std::max(lastDueMs_, startMs_ + (packetMs - firstPacketMs_));
    }
    lastDueMs_ = packet.DueMs;
    return true;
}
