#pragma once

#include <array>
#include <cstdint>
#include <cstring>

// Hand-made recorder packets for the store tests: only the fields the store's code reads.
namespace packetbytes {

using Packet = std::array<std::uint8_t, 1024>;

// Writes decimal digits as BCD nibbles, starting at nibble nibbleIndex (two per byte, high first).
inline void PutDigits(Packet& p, int nibbleIndex, const char* digits)
{
    for (int i = 0; digits[i] != '\0'; ++i, ++nibbleIndex) {
        const auto d = static_cast<std::uint8_t>(digits[i] - '0');
        std::uint8_t& byte = p[static_cast<std::size_t>(nibbleIndex / 2)];
        byte = (nibbleIndex % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (d << 4))
                                      : static_cast<std::uint8_t>((byte & 0xF0) | d);
    }
}

inline void PutNumber(Packet& p, int nibbleIndex, int value, int digitCount)
{
    char text[8] = {};
    for (int i = digitCount - 1; i >= 0; --i, value /= 10)
        text[i] = static_cast<char>('0' + value % 10);
    PutDigits(p, nibbleIndex, text);
}

inline void PutText(Packet& p, std::size_t offset, const char* text)
{
    std::memcpy(p.data() + offset, text, std::strlen(text));
}

// Common header: yy 06, the given day of year and time of day.
inline void PutHeader(Packet& p, const char* type, std::uint16_t dasId, int dayOfYear, int hour,
                      int minute, int second, int msec)
{
    PutText(p, 0, type);
    PutNumber(p, 4, 1, 2); // experiment
    PutNumber(p, 6, 6, 2); // year 2006
    p[4] = static_cast<std::uint8_t>(dasId >> 8);
    p[5] = static_cast<std::uint8_t>(dasId & 0xFF);
    PutNumber(p, 12, dayOfYear, 3);
    PutNumber(p, 15, hour, 2);
    PutNumber(p, 17, minute, 2);
    PutNumber(p, 19, second, 2);
    PutNumber(p, 21, msec, 3);
    PutNumber(p, 24, 1024, 4);
    PutNumber(p, 28, 1, 4);
}

struct DtFields
{
    std::uint16_t DasId = 0x00A3;
    int Stream = 1;
    int Channel = 2;
    int SampleCount = 100;
    std::uint8_t FormatByte = 0x16;
    int DayOfYear = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 1;
    int Msec = 0;
};

// A 16-bit integer packet whose samples run 0, 1, 2, ...
inline Packet BuildDt(const DtFields& f)
{
    Packet p{};
    PutHeader(p, "DT", f.DasId, f.DayOfYear, f.Hour, f.Minute, f.Second, f.Msec);
    PutNumber(p, 36, f.Stream, 2);
    PutNumber(p, 38, f.Channel, 2);
    PutNumber(p, 40, f.SampleCount, 4);
    p[23] = f.FormatByte;
    for (int i = 0; i < f.SampleCount && i < 500; ++i) {
        p[24 + 2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i >> 8);
        p[25 + 2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i & 0xFF);
    }
    return p;
}

// An event header (or trailer) of stream 0 with the name "ST1" at 100 samples per second, whose
// position 2 carries 2mV and a velocity sensor of 20 V per m/s; the rest of the positions blank.
inline Packet BuildEventHeader(const char* type, std::uint16_t dasId, bool channelBank)
{
    Packet p{};
    std::memset(p.data() + 16, ' ', p.size() - 16);
    PutHeader(p, type, dasId, 1, 0, 0, 0, 0);
    PutNumber(p, 32, 1, 4);
    PutNumber(p, 36, 0, 2);
    p[22] = channelBank ? 4 : 0;
    p[23] = 0x16;
    PutText(p, 60, "ST1 ");
    PutText(p, 88, " 100CON");
    PutText(p, 288 + 8 * 2, "2mV     ");
    PutText(p, 544 + 6 * 2, "20    ");
    p[640 + 2] = 'V';
    return p;
}

} // namespace packetbytes
