#include "packets/dtpacket.h"

#include "packets/bcd.h"
#include "packets/byteorder.h"
#include "packets/packetheader.h"

#include <algorithm>

namespace {

int DecodeInt16(std::int32_t* samples, const std::uint8_t* data, int count)
{
    const int n = std::clamp(count, 0, kMaxInt16Samples);
    for (int i = 0; i < n; ++i)
        samples[i] = static_cast<std::int16_t>(NetToHost16(LoadRaw16(data + 2 * i)));
    return n;
}

int DecodeInt32(std::int32_t* samples, const std::uint8_t* data, int count)
{
    const int n = std::clamp(count, 0, kMaxInt32Samples);
    for (int i = 0; i < n; ++i)
        samples[i] = static_cast<std::int32_t>(NetToHost32(LoadRaw32(data + 4 * i)));
    return n;
}

} // namespace

bool DecodeDtPacket(DtPacket& slot, std::span<const std::uint8_t> packet)
{
    const std::optional<SampleFormat> format =
        packet.size() >= kPacketSize ? DtSampleFormat(packet[kDtFormatOffset]) : std::nullopt;
    if (!format) {
        // An empty slot: it must not be drawn before the next packet overwrites it.
        slot.Format = 0;
        slot.SampleCount = 0;
        return false;
    }
    const std::uint8_t* p = packet.data();
    const PacketHeader h = *ParsePacketHeader(packet);
    slot.Time = h.Time;
    slot.Experiment = h.Experiment;
    slot.DasId = h.DasId;
    slot.Sequence = h.Sequence;
    slot.Event = static_cast<std::uint16_t>(ReadBcd(p, kDtEventField));
    slot.Stream = static_cast<std::uint16_t>(ReadBcd(p, kDtStreamField));
    slot.Channel = static_cast<std::uint16_t>(ReadBcd(p, kDtChannelField));
    const int count = static_cast<int>(ReadBcd(p, kDtSampleCountField));
    slot.Format = *format;

    const auto steimFrames = packet.subspan(kSteimDataOffset, kSteimDataBytes);
    int decoded = 0;
    switch (*format) {
    case FormatInt16:
        decoded = DecodeInt16(slot.Samples, p + kIntDataOffset, count);
        break;
    case FormatInt32:
        decoded = DecodeInt32(slot.Samples, p + kIntDataOffset, count);
        break;
    case FormatSteim1:
        decoded = DecodeSteim1(slot.Samples, steimFrames, count);
        break;
    case FormatSteim2:
        decoded = DecodeSteim2(slot.Samples, steimFrames, count);
        break;
    }
    // Samples past the end of the data would be a previous packet's.
    slot.SampleCount = static_cast<std::uint16_t>(decoded);
    return true;
}
