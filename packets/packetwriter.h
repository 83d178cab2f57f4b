#pragma once

#include "packets/dataformat.h"
#include "packets/packetheader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Writers of recorder packets, the readers' counterpart: they write through the layout constants
// the readers take their fields by.

using PacketBytes = std::array<std::uint8_t, kPacketSize>;

// Writes value as digitCount BCD digits, high nibble first, starting at the low nibble of the
// first byte when startLow is set. Digits beyond digitCount are dropped (value mod 10^digits);
// the other nibble of a shared byte is kept.
void WriteBcd(std::uint8_t* bytes, std::uint16_t digitCount, std::uint32_t value,
              bool startLow = false);
void WriteBcd(std::uint8_t* packet, BcdField field, std::uint32_t value);

// Bytes 0-15: type letters, experiment, year (yy, read back as 2000+yy below 88), unit id,
// time of the first sample to the millisecond, byte count and sequence (both mod 10000).
void WritePacketHeader(std::uint8_t* packet, const char type[2], const PacketHeader& header,
                       std::uint16_t byteCount = kPacketSize);

struct DtFields
{
    PacketHeader Header;
    std::uint16_t Event = 1;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    SampleFormat Format = FormatSteim2;
};

// Fills packet with a DT packet holding as many leading samples as its data area takes (500
// 16-bit, 250 32-bit, or as many as 15 Steim frames hold) and returns how many it took, so a
// long signal is written by chunks. 16-bit samples saturate. Returns 0 when samples is empty
// or the Steim encoder fails.
int WriteDtPacket(PacketBytes& packet, const DtFields& fields,
                  std::span<const std::int32_t> samples);

struct EventPositionText
{
    std::string BitWeight;    // up to 8 characters, e.g. "1.5uV"
    std::string VoltsPerUnit; // up to 6 characters, e.g. "20.0"
    char Unit = ' ';          // 'D', 'V', 'A', 'G'
};

struct EventHeaderFields
{
    PacketHeader Header;
    bool Trailer = false; // "ET" instead of "EH"
    std::uint16_t Event = 1;
    std::uint16_t Stream = 0;
    bool ChannelBank = false; // positions describe channels 16-31
    std::uint8_t FormatByte = 0xC2;
    std::string Name;       // up to 4 characters
    std::string SampleRate; // up to 4 characters, e.g. " 100"
    std::string EventKind = "CON";
    std::array<EventPositionText, 16> Positions;
};

// Text fields are blank-padded and cut to their widths; bytes not named are blank or zero.
void WriteEventHeader(PacketBytes& packet, const EventHeaderFields& fields);
