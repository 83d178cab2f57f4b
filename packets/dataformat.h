#pragma once

#include <cstdint>
#include <optional>

// Sample formats of a decoded data packet, as DtPacket::Format holds them.
enum SampleFormat : std::uint16_t
{
    FormatInt16 = 1,
    FormatInt32 = 2,
    FormatSteim1 = 3,
    FormatSteim2 = 5,
};

// Byte 23 of DT and event header packets names the data format. Only these bytes are usable;
// the byte is compared as it stands, because other bytes read as the same BCD value.
struct DataFormatCode
{
    std::uint8_t Byte;
    std::optional<SampleFormat> Samples; // how a DT packet of this format decodes, if it does
    const char* Name;
};

inline constexpr DataFormatCode kDataFormats[] = {
    {0x16, FormatInt16, "16-bit"},   {0x32, FormatInt32, "32-bit"}, {0xC0, FormatSteim1, "Steim-1"},
    {0xC1, std::nullopt, "0xC1"}, // named in event headers; no data packet of it decodes
    {0xC2, FormatSteim2, "Steim-2"},
};

inline const DataFormatCode* FindDataFormat(std::uint8_t byte)
{
    for (const DataFormatCode& f : kDataFormats) {
        if (f.Byte == byte)
            return &f;
    }
    return nullptr;
}

// The format byte a DT packet of these samples carries.
inline constexpr std::uint8_t DtFormatByte(SampleFormat samples)
{
    for (const DataFormatCode& f : kDataFormats) {
        if (f.Samples == samples)
            return f.Byte;
    }
    return 0;
}

// The sample format of a DT packet with this format byte; nothing when it does not decode.
inline std::optional<SampleFormat> DtSampleFormat(std::uint8_t byte)
{
    const DataFormatCode* f = FindDataFormat(byte);
    return f ? f->Samples : std::nullopt;
}

// Event headers and trailers accept every format byte of the table.
inline bool IsEventHeaderFormat(std::uint8_t byte)
{
    return FindDataFormat(byte) != nullptr;
}
