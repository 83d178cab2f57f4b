#pragma once

#include "packets/bigendian.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

// Recorder packets and frames written byte by byte for the tests: every field the readers take
// is put explicitly, so a test shows exactly what it feeds them and does not share a writer's
// mistakes.
namespace testpackets {

using Packet = std::array<std::uint8_t, 1024>;

// value as digitCount BCD digits from nibble nibbleIndex on (two per byte, high first).
inline void PutBcd(std::uint8_t* p, int nibbleIndex, unsigned value, int digitCount)
{
    for (int i = digitCount - 1; i >= 0; --i, value /= 10) {
        const auto d = static_cast<std::uint8_t>(value % 10);
        std::uint8_t& byte = p[(nibbleIndex + i) / 2];
        byte = ((nibbleIndex + i) % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (d << 4))
                                            : static_cast<std::uint8_t>((byte & 0xF0) | d);
    }
}

inline void PutText(Packet& p, std::size_t offset, const char* text)
{
    std::memcpy(p.data() + offset, text, std::strlen(text));
}

struct Header
{
    const char* Type = "DT";
    unsigned Experiment = 7;
    unsigned Year = 6; // yy
    std::uint16_t DasId = 0x9A3C;
    unsigned DayOfYear = 1;
    unsigned Hour = 12;
    unsigned Minute = 34;
    unsigned Second = 56;
    unsigned Msec = 789;
    unsigned Sequence = 4321;
};

inline void PutHeader(Packet& p, const Header& h)
{
    std::memcpy(p.data(), h.Type, 2);
    PutBcd(p.data(), 4, h.Experiment, 2);
    PutBcd(p.data(), 6, h.Year, 2);
    WriteBig16(p.data() + 4, h.DasId);
    PutBcd(p.data(), 12, h.DayOfYear, 3);
    PutBcd(p.data(), 15, h.Hour, 2);
    PutBcd(p.data(), 17, h.Minute, 2);
    PutBcd(p.data(), 19, h.Second, 2);
    PutBcd(p.data(), 21, h.Msec, 3);
    PutBcd(p.data(), 24, 1024, 4);
    PutBcd(p.data(), 28, h.Sequence, 4);
}

// A DT packet with its identification fields; the caller fills the data area.
inline Packet DtBytes(std::uint8_t formatByte, unsigned sampleCount, unsigned stream = 0,
                      unsigned channel = 0, const Header& h = Header{})
{
    Packet p{};
    PutHeader(p, h);
    PutBcd(p.data(), 32, 17, 4); // event
    PutBcd(p.data(), 36, stream, 2);
    PutBcd(p.data(), 38, channel, 2);
    PutBcd(p.data(), 40, sampleCount, 4);
    p[23] = formatByte;
    return p;
}

// A 16-bit packet of unit dasId, 2006 day 1 at 00:00:second, whose samples run 0, 1, 2, ...
inline Packet Int16Dt(std::uint16_t dasId, unsigned stream, unsigned channel, unsigned second = 1,
                      unsigned sampleCount = 100)
{
    const Header h{.DasId = dasId, .Hour = 0, .Minute = 0, .Second = second, .Msec = 0};
    Packet p = DtBytes(0x16, sampleCount, stream, channel, h);
    for (unsigned i = 0; i < sampleCount && i < 500; ++i) {
        WriteBig16(p.data() + 24 + 2 * i, static_cast<std::uint16_t>(i));
    }
    return p;
}

// An event header ("EH") or trailer ("ET") of stream 0, named "ST1", at 100 samples per second,
// whose position 2 carries 2mV and a velocity sensor of 20 V per m/s; other positions blank.
inline Packet EventHeaderBytes(const char* type, std::uint16_t dasId, bool channelBank = false)
{
    Packet p{};
    std::memset(p.data() + 16, ' ', p.size() - 16);
    PutHeader(p, {.Type = type, .DasId = dasId});
    PutBcd(p.data(), 36, 0, 2);
    p[22] = channelBank ? 4 : 0;
    p[23] = 0x16;
    PutText(p, 60, "ST1 ");
    PutText(p, 88, " 100CON");
    PutText(p, 288 + 8 * 2, "2mV     ");
    PutText(p, 544 + 6 * 2, "20    ");
    p[640 + 2] = 'V';
    return p;
}

// A frame whose length field says length, followed by the bytes given.
inline QByteArray FrameBytes(std::uint16_t type, std::int32_t length,
                             std::span<const std::uint8_t> payload)
{
    std::uint8_t header[6];
    WriteBig16(header, type);
    WriteBig32(header + 2, static_cast<std::uint32_t>(length));
    QByteArray frame(reinterpret_cast<const char*>(header), 6);
    frame.append(reinterpret_cast<const char*>(payload.data()),
                 static_cast<qsizetype>(payload.size()));
    return frame;
}

// The whole packet, or its first length bytes, in a frame that states that length.
inline QByteArray FrameOf(const Packet& p, std::size_t length = 1024, std::uint16_t type = 0)
{
    return FrameBytes(type, static_cast<std::int32_t>(length), std::span(p).first(length));
}

} // namespace testpackets
