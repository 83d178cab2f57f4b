#pragma once

#include "packets/dtpacket.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class QSettings;
struct ChannelCatalogue;

// The ring of decoded data packets and the ingest flags. One instance for the program.
struct PacketStore
{
    std::unique_ptr<DtPacket[]> PacketRing; // absent until the first allocation
    std::int32_t NringBuffer = 1000;
    std::int32_t AllocatedSlots = 0; // slots of PacketRing; readers use this
    std::int32_t RingIndex = 0;
    int KeepSel = 1;
    int NewData = 0;
};

inline constexpr std::size_t kRingSlotBytes = sizeof(DtPacket);

// Bytes a ring of n slots takes, in 64 bits.
std::int64_t RingBytes(std::int64_t slotCount);

// Releases the old ring, resets RingIndex, allocates NringBuffer zero-filled slots. Refuses
// sizes below 1 and rings larger than physicalMemoryBytes (0: ask the system).
bool AllocateRing(PacketStore& store, std::int64_t physicalMemoryBytes = 0);

// What the status line of a data packet shows. Ingest notes it for every packet; only the
// line that reaches the status bar, the last of a receive pass, is formatted.
struct StatusLine
{
    bool Shown = false;
    std::uint16_t DasId = 0;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    std::uint16_t SampleCount = 0;
    double Rate = 0.0; // the channel's measured rate
    DayTime Time;
    std::int32_t Slot = 0; // the ring slot that holds the packet
};

// "DT %4X-%d-%d (%d-%g) %s %d" into out, NUL-terminated; returns the length.
int FormatStatusLine(const StatusLine& line, char* out, std::size_t size);

// DT ingest step for a DT payload (only 1024 bytes decode). Fills status when a line is to be
// shown.
// New channels take their stored settings from stored (none when null).
void IngestDtPacket(PacketStore& store, ChannelCatalogue& cat, const QSettings* stored,
                    std::span<const std::uint8_t> payload, StatusLine& status);

// Event header step for an EH/ET payload. False: stop the receive pass.
bool IngestEventHeader(ChannelCatalogue& cat, const QSettings* stored,
                       std::span<const std::uint8_t> payload);
