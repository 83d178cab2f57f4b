#include "replaysource.h"

#include "epochtime.h"

#include "packets/packetheader.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr qsizetype kFrameHeader = 6;
constexpr std::int32_t kMaxPayload = 1024;

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
    if (capture_.size() - offset_ < kFrameHeader)
        return false;
    const auto* header = reinterpret_cast<const std::uint8_t*>(capture_.constData() + offset_);
    const auto type = static_cast<std::uint16_t>((header[0] << 8) | header[1]);
    const auto length =
        static_cast<std::int32_t>((static_cast<std::uint32_t>(header[2]) << 24) |
                                  (static_cast<std::uint32_t>(header[3]) << 16) |
                                  (static_cast<std::uint32_t>(header[4]) << 8) | header[5]);
    if (length < 0 || length > kMaxPayload || capture_.size() - offset_ - kFrameHeader < length)
        return false;

    packet.FrameType = type;
    packet.Payload = capture_.mid(offset_ + kFrameHeader, length);
    offset_ += kFrameHeader + length;

    packet.DueMs = lastDueMs_;
    if (IsRecorderPacket(packet.Payload)) {
        const PacketHeader parsed =
            ParsePacketHeader(reinterpret_cast<const std::uint8_t*>(packet.Payload.constData()));
        const std::int64_t packetMs = EpochMsFromDayTime(parsed.Time);
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
