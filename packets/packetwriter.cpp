#include "packetwriter.h"

#include "steimencoder.h"

#include "packets/daytime.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

void PutBigEndian16(std::uint8_t* p, std::uint16_t value)
{
    p[0] = static_cast<std::uint8_t>(value >> 8);
    p[1] = static_cast<std::uint8_t>(value & 0xFF);
}

void PutBigEndian32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 3; i >= 0; --i, value >>= 8)
        p[i] = static_cast<std::uint8_t>(value & 0xFF);
}

// Blank-padded text of exactly width characters; longer texts are cut.
void PutText(std::uint8_t* p, std::size_t width, const std::string& text)
{
    std::memset(p, ' ', width);
    std::memcpy(p, text.data(), std::min(width, text.size()));
}

// "yyyydddhhmmssmmm" of a time.
void PutTimeText(std::uint8_t* p, const DayTime& t)
{
    const CalendarDate date = CalendarFromDay(t.Day);
    const auto ms = static_cast<long long>(t.Msec);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%03d%02lld%02lld%02lld%03lld", date.Year % 10000,
                  date.DayOfYear % 1000, ms / 3600000 % 100, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    std::memcpy(p, text, 16);
}

std::int16_t Saturate16(std::int32_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(
        v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

} // namespace

void WriteBcd(std::uint8_t* bytes, std::uint16_t digitCount, std::uint32_t value, bool startLow)
{
    // Nibble positions counted from the high nibble of bytes[0].
    const unsigned first = startLow ? 1U : 0U;
    for (unsigned i = digitCount; i-- > 0; value /= 10) {
        const unsigned nibble = first + i;
        const auto digit = static_cast<std::uint8_t>(value % 10);
        std::uint8_t& byte = bytes[nibble / 2];
        byte = nibble % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | (digit << 4))
                               : static_cast<std::uint8_t>((byte & 0xF0) | digit);
    }
}

void WritePacketHeader(std::uint8_t* packet, const char type[2], const PacketHeader& header,
                       std::uint16_t byteCount)
{
    const CalendarDate date = CalendarFromDay(header.Time.Day);
    const auto ms = static_cast<std::uint32_t>(std::clamp(header.Time.Msec, 0.0, kMsecPerDay - 1));
    packet[0] = static_cast<std::uint8_t>(type[0]);
    packet[1] = static_cast<std::uint8_t>(type[1]);
    WriteBcd(packet + 2, 2, header.Experiment);
    WriteBcd(packet + 3, 2, static_cast<std::uint32_t>(date.Year % 100));
    PutBigEndian16(packet + 4, header.DasId);
    WriteBcd(packet + 6, 3, static_cast<std::uint32_t>(date.DayOfYear));
    WriteBcd(packet + 7, 2, ms / 3600000, true);
    WriteBcd(packet + 8, 2, ms / 60000 % 60, true);
    WriteBcd(packet + 9, 2, ms / 1000 % 60, true);
    WriteBcd(packet + 10, 3, ms % 1000, true);
    WriteBcd(packet + 12, 4, byteCount);
    WriteBcd(packet + 14, 4, header.Sequence);
}

int WriteDtPacket(PacketBytes& packet, const DtFields& fields,
                  std::span<const std::int32_t> samples)
{
    packet.fill(0);
    if (samples.empty())
        return 0;
    WritePacketHeader(packet.data(), "DT", fields.Header);
    WriteBcd(packet.data() + 16, 4, fields.Event);
    WriteBcd(packet.data() + 18, 2, fields.Stream);
    WriteBcd(packet.data() + 19, 2, fields.Channel);
    packet[23] = static_cast<std::uint8_t>(fields.Format);

    int taken = 0;
    switch (fields.Format) {
    case DtFormat::Int16:
        taken = static_cast<int>(std::min<std::size_t>(samples.size(), kMaxInt16Samples));
        for (int i = 0; i < taken; ++i)
            PutBigEndian16(packet.data() + 24 + 2 * i,
                           static_cast<std::uint16_t>(Saturate16(samples[i])));
        break;
    case DtFormat::Int32:
        taken = static_cast<int>(std::min<std::size_t>(samples.size(), kMaxInt32Samples));
        for (int i = 0; i < taken; ++i)
            PutBigEndian32(packet.data() + 24 + 4 * i, static_cast<std::uint32_t>(samples[i]));
        break;
    case DtFormat::Steim1:
    case DtFormat::Steim2: {
        const SteimLevel level =
            fields.Format == DtFormat::Steim1 ? SteimLevel::Steim1 : SteimLevel::Steim2;
        taken = EncodeSteimFrames(
            std::span<std::uint8_t, kSteimDataBytes>(packet.data() + 64, kSteimDataBytes), level,
            samples);
        if (taken <= 0) {
            packet.fill(0);
            return 0;
        }
        break;
    }
    }
    WriteBcd(packet.data() + 20, 4, static_cast<std::uint32_t>(taken));
    return taken;
}

void WriteEventHeader(PacketBytes& packet, const EventHeaderFields& fields)
{
    packet.fill(0);
    std::memset(packet.data() + 24, ' ', packet.size() - 24);
    WritePacketHeader(packet.data(), fields.Trailer ? "ET" : "EH", fields.Header);
    WriteBcd(packet.data() + 16, 4, fields.Event);
    WriteBcd(packet.data() + 18, 2, fields.Stream);
    packet[22] = fields.ChannelBank ? 4 : 0;
    packet[23] = fields.FormatByte;
    PutText(packet.data() + 60, 4, fields.Name);
    PutText(packet.data() + 88, 4, fields.SampleRate);
    PutText(packet.data() + 92, 3, fields.EventKind);
    PutTimeText(packet.data() + 96, fields.Header.Time);
    PutTimeText(packet.data() + 112, fields.Header.Time);
    for (std::size_t i = 0; i < fields.Positions.size(); ++i) {
        const EventPositionText& position = fields.Positions[i];
        PutText(packet.data() + 288 + 8 * i, 8, position.BitWeight);
        PutText(packet.data() + 544 + 6 * i, 6, position.VoltsPerUnit);
        packet[640 + i] = static_cast<std::uint8_t>(position.Unit);
    }
}

std::vector<std::uint8_t> MakeFrame(std::uint16_t type, std::span<const std::uint8_t> payload)
{
    std::vector<std::uint8_t> frame(kFrameHeaderBytes + payload.size());
    WriteFrameHeader(std::span(frame).first<kFrameHeaderBytes>(), type,
                     static_cast<std::uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), frame.begin() + kFrameHeaderBytes);
    return frame;
}
