#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <cstring>

// Frames and recorder packets for the link tests, with only the fields ingest reads.
namespace linkframes {

using Packet = std::array<std::uint8_t, 1024>;

inline void PutBcd(Packet& p, int nibble, int value, int digits)
{
    for (int i = digits - 1; i >= 0; --i, value /= 10) {
        std::uint8_t& byte = p[static_cast<std::size_t>((nibble + i) / 2)];
        const auto d = static_cast<std::uint8_t>(value % 10);
        byte = ((nibble + i) % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (d << 4))
                                       : static_cast<std::uint8_t>((byte & 0xF0) | d);
    }
}

inline void PutText(Packet& p, std::size_t offset, const char* text)
{
    std::memcpy(p.data() + offset, text, std::strlen(text));
}

// Common header of 2006, day 1, 00:00:<second>.000.
inline void PutHeader(Packet& p, const char* type, std::uint16_t dasId, int second)
{
    PutText(p, 0, type);
    PutBcd(p, 6, 6, 2);
    p[4] = static_cast<std::uint8_t>(dasId >> 8);
    p[5] = static_cast<std::uint8_t>(dasId);
    PutBcd(p, 12, 1, 3);
    PutBcd(p, 19, second, 2);
}

// A 16-bit packet of 100 samples.
inline Packet Dt(std::uint16_t dasId, int stream, int channel, int second = 1)
{
    Packet p{};
    PutHeader(p, "DT", dasId, second);
    PutBcd(p, 36, stream, 2);
    PutBcd(p, 38, channel, 2);
    PutBcd(p, 40, 100, 4);
    p[23] = 0x16;
    for (std::size_t i = 0; i < 100; ++i)
        p[25 + 2 * i] = static_cast<std::uint8_t>(i);
    return p;
}

// "EH" or "ET" of stream 0 at 100 samples per second, describing channel 2 only.
inline Packet EventHeader(const char* type, std::uint16_t dasId)
{
    Packet p{};
    std::memset(p.data() + 16, ' ', p.size() - 16);
    PutHeader(p, type, dasId, 0);
    PutBcd(p, 36, 0, 2);
    p[22] = 0;
    p[23] = 0x16;
    PutText(p, 60, "ST1 ");
    PutText(p, 88, " 100CON");
    PutText(p, 288 + 8 * 2, "2mV     ");
    PutText(p, 544 + 6 * 2, "20    ");
    p[640 + 2] = 'V';
    return p;
}

// A frame whose length field says length, followed by the first payloadBytes of payload.
inline QByteArray Frame(std::uint16_t type, std::int32_t length, const std::uint8_t* payload,
                        std::size_t payloadBytes)
{
    const auto raw = static_cast<std::uint32_t>(length);
    const char header[6] = {static_cast<char>(type >> 8), static_cast<char>(type),
                            static_cast<char>(raw >> 24), static_cast<char>(raw >> 16),
                            static_cast<char>(raw >> 8),  static_cast<char>(raw)};
    QByteArray frame(header, 6);
    frame.append(reinterpret_cast<const char*>(payload), static_cast<qsizetype>(payloadBytes));
    return frame;
}

inline QByteArray Frame(const Packet& p, std::size_t length = 1024, std::uint16_t type = 0)
{
    return Frame(type, static_cast<std::int32_t>(length), p.data(), length);
}

} // namespace linkframes
