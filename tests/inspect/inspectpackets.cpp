#include "tests/inspect/inspectpackets.h"

#include "packets/daytime.h"

#include <libmseed.h>

#include <cstdlib>
#include <cstring>
#include <span>

namespace {

struct FirstRecord
{
    std::vector<std::uint8_t> Bytes;
};

void KeepFirstRecord(char* record, int length, void* data)
{
    auto* first = static_cast<FirstRecord*>(data);
    if (first->Bytes.empty()) {
        first->Bytes.assign(record, record + length);
    }
}

// Bytes 64-1023 of a 1024-byte big-endian miniSEED record are 15 Steim frames; bytes 30-31
// hold the record's sample count.
int EncodeWithLibmseed(PacketBytes& packet, DtFormat format,
                       const std::vector<std::int32_t>& samples)
{
    MSRecord* msr = msr_init(nullptr);
    std::strcpy(msr->network, "XX");
    std::strcpy(msr->station, "TEST");
    std::strcpy(msr->channel, "HHZ");
    msr->reclen = 1024;
    msr->byteorder = 1;
    msr->encoding = format == DtFormat::Steim1 ? DE_STEIM1 : DE_STEIM2;
    msr->sampletype = 'i';
    msr->samprate = 100.0;
    auto* copy = static_cast<std::int32_t*>(std::malloc(samples.size() * sizeof(std::int32_t)));
    std::memcpy(copy, samples.data(), samples.size() * sizeof(std::int32_t));
    msr->datasamples = copy; // msr_free releases it
    msr->numsamples = static_cast<int64_t>(samples.size());
    FirstRecord first;
    int64_t packed = 0;
    msr_pack(msr, KeepFirstRecord, &first, &packed, 1, 0);
    msr_free(&msr);
    if (first.Bytes.size() != 1024) {
        return 0;
    }
    std::memcpy(packet.data() + 64, first.Bytes.data() + 64, 960);
    return (first.Bytes[30] << 8) | first.Bytes[31];
}

} // namespace

PacketHeader TestHeader()
{
    PacketHeader h;
    h.Experiment = 7;
    h.DasId = 0x0A3F;
    h.Sequence = 4321;
    h.Time = DayTime{732692, 45296789.0}; // 2006.01.01 12:34:56.789
    return h;
}

DtFields TestDtFields(DtFormat format)
{
    DtFields f;
    f.Header = TestHeader();
    f.Event = 12;
    f.Stream = 2;
    f.Channel = 5;
    f.Format = format;
    return f;
}

PacketBytes MakeDtPacket(DtFormat format, const std::vector<std::int32_t>& samples, int& taken)
{
    PacketBytes packet{};
    if (format == DtFormat::Int16 || format == DtFormat::Int32) {
        taken = WriteDtPacket(packet, TestDtFields(format), samples);
        return packet;
    }
    const std::int32_t one = 0;
    WriteDtPacket(packet, TestDtFields(format), std::span<const std::int32_t>(&one, 1));
    taken = EncodeWithLibmseed(packet, format, samples);
    WriteBcd(packet.data() + 20, 4, static_cast<std::uint32_t>(taken));
    return packet;
}

EventHeaderFields TestEventFields()
{
    EventHeaderFields f;
    f.Header = TestHeader();
    f.Stream = 3;
    f.Name = "NORT";
    f.SampleRate = " 100";
    f.Positions[0] = {"1.5uV", "20.0", 'V'};
    f.Positions[4] = {"2mV", "0.3", 'A'};
    f.Positions[9] = {"3.0", "1.0", 'D'}; // no unit: not usable
    return f;
}

PacketBytes MakeEventPacket(const EventHeaderFields& fields)
{
    PacketBytes packet{};
    WriteEventHeader(packet, fields);
    return packet;
}

QByteArray Bytes(const PacketBytes& packet)
{
    return QByteArray(reinterpret_cast<const char*>(packet.data()),
                      static_cast<qsizetype>(packet.size()));
}

QByteArray Frame(const QByteArray& payload, std::uint16_t type)
{
    const auto bytes = MakeFrame(
        type, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                            static_cast<std::size_t>(payload.size())));
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}
