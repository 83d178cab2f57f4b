#include "packetwriter.h"

#include "steimencoder.h"

#include "packets/bigendian.h"
#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// Blank-padded text of exactly the field's width; longer texts are cut.
void PutText(std::uint8_t* packet, TextField field, const std::string& text)
{
    std::memset(packet + field.Offset, ' ', field.Width);
    std::memcpy(packet + field.Offset, text.data(), std::min(field.Width, text.size()));
}

// "yyyydddhhmmssmmm" of a time.
void PutTimeText(std::uint8_t* packet, TextField field, const DayTime& t)
{
    const CalendarDate date = CalendarFromDay(t.Day);
    const auto ms = static_cast<long long>(t.Msec);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%03d%02lld%02lld%02lld%03lld", date.Year % 10000,
                  date.DayOfYear % 1000, ms / 3600000 % 100, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    std::memcpy(packet + field.Offset, text, field.Width);
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

void WriteBcd(std::uint8_t* packet, BcdField field, std::uint32_t value)
{
    WriteBcd(packet + field.Offset, field.Digits, value, field.StartLow);
}

void WritePacketHeader(std::uint8_t* packet, const char type[2], const PacketHeader& header,
                       std::uint16_t byteCount)
{
    const CalendarDate date = CalendarFromDay(header.Time.Day);
    const auto ms = static_cast<std::uint32_t>(std::clamp(header.Time.Msec, 0.0, kMsecPerDay - 1));
    std::memcpy(packet + kPacketTypeOffset, type, 2);
    WriteBcd(packet, kExperimentField, header.Experiment);
    WriteBcd(packet, kYearField, static_cast<std::uint32_t>(date.Year % 100));
    WriteBig16(packet + kDasIdOffset, header.DasId);
    WriteBcd(packet, kDayOfYearField, static_cast<std::uint32_t>(date.DayOfYear));
    WriteBcd(packet, kHourField, ms / 3600000);
    WriteBcd(packet, kMinuteField, ms / 60000 % 60);
    WriteBcd(packet, kSecondField, ms / 1000 % 60);
    WriteBcd(packet, kMsecField, ms % 1000);
    WriteBcd(packet, kByteCountField, byteCount);
    WriteBcd(packet, kSequenceField, header.Sequence);
}

int WriteDtPacket(PacketBytes& packet, const DtFields& fields,
                  std::span<const std::int32_t> samples)
{
    packet.fill(0);
    if (samples.empty())
        return 0;
    WritePacketHeader(packet.data(), "DT", fields.Header);
    std::uint8_t* p = packet.data();
    WriteBcd(p, kDtEventField, fields.Event);
    WriteBcd(p, kDtStreamField, fields.Stream);
    WriteBcd(p, kDtChannelField, fields.Channel);
    p[kDtFormatOffset] = DtFormatByte(fields.Format);

    int taken = 0;
    switch (fields.Format) {
    case FormatInt16:
        taken = static_cast<int>(std::min<std::size_t>(samples.size(), kMaxInt16Samples));
        for (int i = 0; i < taken; ++i)
            WriteBig16(p + kIntDataOffset + 2 * i,
                       static_cast<std::uint16_t>(Saturate16(samples[i])));
        break;
    case FormatInt32:
        taken = static_cast<int>(std::min<std::size_t>(samples.size(), kMaxInt32Samples));
        for (int i = 0; i < taken; ++i)
            WriteBig32(p + kIntDataOffset + 4 * i, static_cast<std::uint32_t>(samples[i]));
        break;
    case FormatSteim1:
    case FormatSteim2: {
        const SteimLevel level =
            fields.Format == FormatSteim1 ? SteimLevel::Steim1 : SteimLevel::Steim2;
        taken = EncodeSteimFrames(
            std::span<std::uint8_t, kSteimDataBytes>(p + kSteimDataOffset, kSteimDataBytes), level,
            samples);
        if (taken <= 0) {
            packet.fill(0);
            return 0;
        }
        break;
    }
    }
    WriteBcd(p, kDtSampleCountField, static_cast<std::uint32_t>(taken));
    return taken;
}

void WriteEventHeader(PacketBytes& packet, const EventHeaderFields& fields)
{
    packet.fill(0);
    // Everything after the identification fields is text, blank where nothing is written.
    std::memset(packet.data() + kIntDataOffset, ' ', packet.size() - kIntDataOffset);
    std::uint8_t* p = packet.data();
    WritePacketHeader(p, fields.Trailer ? "ET" : "EH", fields.Header);
    WriteBcd(p, kEhEventField, fields.Event);
    WriteBcd(p, kEhStreamField, fields.Stream);
    p[kEhFlagsOffset] = fields.ChannelBank ? kEhChannelBankFlag : 0;
    p[kEhFormatOffset] = fields.FormatByte;
    PutText(p, kEhNameField, fields.Name);
    PutText(p, kEhRateField, fields.SampleRate);
    PutText(p, kEhKindField, fields.EventKind);
    PutTimeText(p, kEhFirstTimeField, fields.Header.Time);
    PutTimeText(p, kEhTriggerTimeField, fields.Header.Time);
    for (std::size_t i = 0; i < fields.Positions.size(); ++i) {
        const EventPositionText& position = fields.Positions[i];
        PutText(p,
                {kEhBitWeightField.Offset + kEhBitWeightField.Width * i, kEhBitWeightField.Width},
                position.BitWeight);
        PutText(p,
                {kEhVoltsPerUnitField.Offset + kEhVoltsPerUnitField.Width * i,
                 kEhVoltsPerUnitField.Width},
                position.VoltsPerUnit);
        p[kEhUnitOffset + i] = static_cast<std::uint8_t>(position.Unit);
    }
}
