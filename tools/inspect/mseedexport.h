#pragma once

#include "packets/dtpacket.h"
#include "packets/packetheader.h"
#include "store/channelcatalogue.h"
#include "tools/inspect/mseedrecords.h"
#include "tools/inspect/recordsink.h"
#include "tools/inspect/seednames.h"
#include "tools/inspect/streamreader.h"

#include <QString>

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <set>

class PacketReport;

// Turns the DT packets it is given into miniSEED records, the records of one packet together,
// for the sink to keep. Rates come as the monitor's catalogue has them: the latest event
// header's rate for the channel, else the rate measured between two packets of the channel. A
// packet whose channel has no rate yet waits for one (a bounded number per channel); packets
// still waiting at the end are reported and not exported. A packet the sink holds already is
// passed over.
class MseedExport final : public PacketVisitor
{
public:
    // names may be null; problems are reported through report, which also lists them.
    MseedExport(RecordSink& sink, PacketReport& report, QByteArray network,
                const SeedNameTable* names);
    ~MseedExport() override;
    MseedExport(const MseedExport&) = delete;
    MseedExport& operator=(const MseedExport&) = delete;

    void OnPayload(std::uint64_t offset, std::uint16_t frameType,
                   std::span<const std::uint8_t> payload) override;
    void OnIssue(const ReadIssue&) override {}
    // The end of all input: packets still waiting for a rate are reported.
    void Finish();

    int Exported() const { return exported_; }
    int NotExported() const { return notExported_; }
    int Copied() const { return copied_; }
    int Records() const { return records_; }
    // Packets passed over because the sink held them already.
    int Duplicates() const { return duplicates_; }
    int Channels() const { return static_cast<int>(channels_.size()); }
    // Why the output could not be written, if it could not.
    const QString& WriteError() const { return writeError_; }

private:
    struct Waiting
    {
        QString File;
        std::uint64_t Offset = 0;
        std::array<std::uint8_t, kPacketSize> Bytes{};
    };

    void TakeDt(std::uint64_t offset, std::span<const std::uint8_t> payload);
    void TakeEventHeader(std::span<const std::uint8_t> payload);
    void Release(const ChannelKey& key);
    void Export(const Waiting& packet, double rate);
    void Skip(const Waiting& packet, const QByteArray& why);

    MseedRecords encoder_;
    RecordSink& sink_;
    std::vector<QByteArray> packed_;
    PacketReport& report_;
    QByteArray network_;
    const SeedNameTable* names_;
    ChannelCatalogue catalogue_;
    std::map<ChannelKey, std::deque<Waiting>> waiting_;
    std::set<ChannelKey> channels_; // exported at least once
    std::unique_ptr<DtPacket> dt_;
    QString writeError_;
    int exported_ = 0;
    int notExported_ = 0;
    int copied_ = 0;
    int records_ = 0;
    int duplicates_ = 0;
};
