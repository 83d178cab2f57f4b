#pragma once

#include <array>
#include <cstdint>
#include <cstring>

// Byte-level packet building for the decoder tests: every field is written explicitly, so a
// test shows exactly which bytes it feeds the decoder.
namespace rawpacket {

using Packet = std::array<std::uint8_t, 1024>;

// Writes value as digitCount BCD digits starting at nibble nibbleIndex (two per byte, high first).
inline void PutBcd(std::uint8_t* p, int nibbleIndex, unsigned value, int digitCount)
{
    for (int i = digitCount - 1; i >= 0; --i, value /= 10) {
        const auto d = static_cast<std::uint8_t>(value % 10);
        std::uint8_t& byte = p[(nibbleIndex + i) / 2];
        byte = ((nibbleIndex + i) % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (d << 4))
                                            : static_cast<std::uint8_t>((byte & 0xF0) | d);
    }
}

inline void Put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
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
    p[4] = static_cast<std::uint8_t>(h.DasId >> 8);
    p[5] = static_cast<std::uint8_t>(h.DasId);
    PutBcd(p.data(), 12, h.DayOfYear, 3);
    PutBcd(p.data(), 15, h.Hour, 2);
    PutBcd(p.data(), 17, h.Minute, 2);
    PutBcd(p.data(), 19, h.Second, 2);
    PutBcd(p.data(), 21, h.Msec, 3);
    PutBcd(p.data(), 24, 1024, 4);
    PutBcd(p.data(), 28, h.Sequence, 4);
}

// A DT packet with its identification fields; the caller fills the data area.
inline Packet DtPacketBytes(std::uint8_t formatByte, unsigned sampleCount, unsigned stream = 0,
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

} // namespace rawpacket
