#include "packets/dtpacket.h"

#include "packets/bcd.h"
#include "packets/byteorder.h"
#include "packets/packetheader.h"

#include <algorithm>

namespace {
constexpr int kMaxInt16Samples = (1024 - kIntDataOffset) / 2;
constexpr int kMaxInt32Samples = (1024 - kIntDataOffset) / 4;
} // namespace

bool DecodeDtPacket(DtPacket& slot, const std::uint8_t* packet)
{
    const PacketHeader h = ParsePacketHeader(packet);
    slot.Time = h.Time;
    slot.Experiment = h.Experiment;
    slot.DasId = h.DasId;
    slot.Sequence = h.Sequence;
    slot.Event = static_cast<std::uint16_t>(ReadBcd(packet + 16, 4));
    slot.Stream = static_cast<std::uint16_t>(ReadBcd(packet + 18, 2));
    slot.Channel = static_cast<std::uint16_t>(ReadBcd(packet + 19, 2));
    const int count = static_cast<int>(ReadBcd(packet + 20, 4));

    // Decided by the byte itself: other bytes can read as the same BCD values.
    switch (packet[23]) {
    case 0x16: {
        const int n = std::min(count, kMaxInt16Samples);
        const std::uint8_t* p = packet + kIntDataOffset;
        for (int i = 0; i < n; ++i)
            slot.Samples[i] = static_cast<std::int16_t>(NetToHost16(LoadRaw16(p + 2 * i)));
        slot.Format = FormatInt16;
        slot.SampleCount = static_cast<std::uint16_t>(n);
        return true;
    }
    case 0x32: {
        const int n = std::min(count, kMaxInt32Samples);
        const std::uint8_t* p = packet + kIntDataOffset;
        for (int i = 0; i < n; ++i)
            slot.Samples[i] = static_cast<std::int32_t>(NetToHost32(LoadRaw32(p + 4 * i)));
        slot.Format = FormatInt32;
        slot.SampleCount = static_cast<std::uint16_t>(n);
        return true;
    }
    case 0xC0:
        slot.Format = FormatSteim1;
        // Samples past the end of short compressed data would be a previous packet's.
        slot.SampleCount = static_cast<std::uint16_t>(
            DecodeSteim1(slot.Samples, packet + kSteimDataOffset, count));
        return true;
    case 0xC2:
        slot.Format = FormatSteim2;
        slot.SampleCount = static_cast<std::uint16_t>(
            DecodeSteim2(slot.Samples, packet + kSteimDataOffset, count));
        return true;
    default:
        // An empty slot: it must not be drawn before the next packet overwrites it.
        slot.Format = 0;
        slot.SampleCount = 0;
        return false;
    }
}
