#include "tools/inspect/mseedexport.h"

#include "packets/eventheader.h"
#include "tools/inspect/packetreport.h"

#include <libmseed.h>

#include <cstring>
#include <utility>

namespace {

// Packets of one channel kept while its rate is unknown; older ones are given up.
constexpr std::size_t kMaxWaiting = 64;

// libmseed's own messages would repeat, less clearly, what the reports say.
void Quiet(char*) {}

bool IsType(std::span<const std::uint8_t> payload, char a, char b)
{
    return payload.size() >= 2 && payload[0] == std::uint8_t(a) && payload[1] == std::uint8_t(b);
}

} // namespace

MseedExport::MseedExport(QIODevice& out, PacketReport& report, QByteArray network,
                         const SeedNameTable* names)
    : records_(out), report_(report), network_(std::move(network)), names_(names),
      dt_(std::make_unique<DtPacket>())
{
    ms_loginit(Quiet, nullptr, Quiet, nullptr);
}

MseedExport::~MseedExport() = default;

void MseedExport::OnPayload(std::uint64_t offset, std::uint16_t,
                            std::span<const std::uint8_t> payload)
{
    if (IsType(payload, 'D', 'T'))
        TakeDt(offset, payload);
    else if (IsType(payload, 'E', 'H') || IsType(payload, 'E', 'T'))
        TakeEventHeader(payload);
}

void MseedExport::TakeDt(std::uint64_t offset, std::span<const std::uint8_t> payload)
{
    // The report has said why a packet does not decode.
    if (payload.size() != kPacketSize || !DecodeDtPacket(*dt_, payload)) {
        ++notExported_;
        return;
    }
    Waiting packet;
    packet.File = report_.FileName();
    packet.Offset = offset;
    std::memcpy(packet.Bytes.data(), payload.data(), kPacketSize);
    if (dt_->SampleCount == 0) {
        report_.ReportAt(packet.File, offset, "DT packet holds no samples: nothing to export");
        return;
    }
    int index = -1;
    FindOrAddChannel(catalogue_, *dt_, index, nullptr);
    if (index < 0) {
        Skip(packet, "too many channels to follow their rates");
        return;
    }
    const ChannelKey key{dt_->DasId, dt_->Stream, dt_->Channel};
    std::deque<Waiting>& queue = waiting_[key];
    queue.push_back(packet);
    Release(key);
}

void MseedExport::TakeEventHeader(std::span<const std::uint8_t> payload)
{
    EventHeaderInfo info;
    if (!ParseEventHeader(payload, info))
        return;
    UpdateFromEventHeader(catalogue_, info, nullptr);
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (it->first.DasId == info.DasId && it->first.Stream == info.Stream)
            Release(it->first);
    }
}

double MseedExport::RateOf(const ChannelKey& key) const
{
    const int index = FindChannel(catalogue_, key.DasId, key.Stream, key.Channel);
    if (index < 0)
        return 0.0;
    const DasStreamChanInfo& e = catalogue_.Entries[static_cast<std::size_t>(index)];
    return EffectiveRate(e);
}

void MseedExport::Release(const ChannelKey& key)
{
    std::deque<Waiting>& queue = waiting_[key];
    const double rate = RateOf(key);
    if (rate > 0.0) {
        for (const Waiting& packet : queue)
            Export(packet, rate);
        queue.clear();
        return;
    }
    while (queue.size() > kMaxWaiting) {
        Skip(queue.front(), "no sample rate known for its channel after " +
                                QByteArray::number(qulonglong(kMaxWaiting)) + " packets");
        queue.pop_front();
    }
}

void MseedExport::Export(const Waiting& packet, double rate)
{
    DecodeDtPacket(*dt_, packet.Bytes);
    const ChannelKey key{dt_->DasId, dt_->Stream, dt_->Channel};
    std::optional<SeedName> name = names_ ? names_->Find(key) : std::nullopt;
    if (!name)
        name = DefaultSeedName(network_, key, rate);
    if (!name) {
        Skip(packet, "channels above 31 have no default SEED name; name it in a --names file");
        return;
    }
    if (!writeError_.isEmpty()) {
        ++notExported_;
        return;
    }
    RecordWay way = RecordWay::Copied;
    const QString error = records_.Write(*name, *dt_, packet.Bytes, rate, way);
    if (!error.isEmpty()) {
        if (records_.OutputFailed())
            writeError_ = error;
        Skip(packet, "not written: " + error.toLocal8Bit());
        return;
    }
    ++exported_;
    copied_ += way == RecordWay::Copied ? 1 : 0;
    channels_.insert(key);
}

void MseedExport::Skip(const Waiting& packet, const QByteArray& why)
{
    ++notExported_;
    report_.ReportAt(packet.File, packet.Offset, "DT packet not exported: " + why);
}

void MseedExport::Finish()
{
    for (auto& [key, queue] : waiting_) {
        for (const Waiting& packet : queue)
            Skip(packet, "no sample rate known for its channel (no event header, no second "
                         "packet to measure it)");
        queue.clear();
    }
}
