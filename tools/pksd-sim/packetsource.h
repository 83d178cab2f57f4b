#pragma once

#include <QByteArray>

#include <cstdint>

inline constexpr std::uint16_t kDataFrameType = 2;

struct OutgoingPacket
{
    std::uint16_t FrameType = kDataFrameType;
    QByteArray Payload;
    std::int64_t DueMs = 0; // wall-clock time (ms since 1970 UTC) from which it may be sent
};

// The packets one connection is served, in order.
class PacketSource
{
public:
    virtual ~PacketSource() = default;
    // False when there is nothing more to send.
    virtual bool Next(OutgoingPacket& packet) = 0;
};
