#include "tools/inspect/mseedrecords.h"

#include "packets/bigendian.h"
#include "packets/dataformat.h"
#include "packets/dtpacket.h"

#include <libmseed.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kRecordLength = 1024;
constexpr int kMaxSequence = 999999;

void KeepRecord(char* record, int length, void* data)
{
    static_cast<std::vector<QByteArray>*>(data)->emplace_back(record, length);
}

void CopyCode(char* field, std::size_t size, const QByteArray& code)
{
    qstrncpy(field, code.constData(), size);
}

// Where the data begins, from the fixed header.
std::size_t DataOffset(const QByteArray& record)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(record.constData());
    return record.size() >= 48 ? ReadBig16(p + 44) : 0;
}

// True when libmseed reads record as exactly these samples, and the record's last-sample word
// agrees, so no reader warns of a failed integrity check.
bool ReadsAs(QByteArray& record, std::span<const std::int32_t> samples)
{
    const auto* frames = reinterpret_cast<const std::uint8_t*>(record.constData()) + 64;
    if (samples.empty() || ReadBig32(frames + 8) != static_cast<std::uint32_t>(samples.back()))
        return false;
    MSRecord* msr = nullptr;
    const int status = msr_unpack(record.data(), static_cast<int>(record.size()), &msr, 1, 0);
    const bool same = status == MS_NOERROR && msr->sampletype == 'i' &&
                      msr->numsamples == static_cast<int64_t>(samples.size()) &&
                      std::memcmp(msr->datasamples, samples.data(), samples.size_bytes()) == 0;
    msr_free(&msr);
    return same;
}

} // namespace

std::int64_t MseedTime(const DayTime& t)
{
    const CalendarDate c = CalendarFromDay(t.Day);
    return ms_time2hptime(c.Year, c.DayOfYear, 0, 0, 0, 0) +
           static_cast<hptime_t>(std::llround(t.Msec)) * (HPTMODULUS / 1000);
}

bool MseedRecords::Pack(const SeedName& name, const DtPacket& decoded, double rate, int encoding,
                        std::vector<QByteArray>& records)
{
    records.clear();
    MSRecord* msr = msr_init(nullptr);
    CopyCode(msr->network, sizeof msr->network, name.Network);
    CopyCode(msr->station, sizeof msr->station, name.Station);
    CopyCode(msr->location, sizeof msr->location, name.Location);
    CopyCode(msr->channel, sizeof msr->channel, name.Channel);
    msr->dataquality = 'D';
    msr->starttime = MseedTime(decoded.Time);
    msr->samprate = rate;
    msr->reclen = kRecordLength;
    msr->byteorder = 1;
    msr->encoding = static_cast<int8_t>(encoding);
    msr->sequence_number = sequence_ + 1;
    const std::size_t bytes = decoded.SampleCount * sizeof(std::int32_t);
    msr->datasamples = std::malloc(bytes); // msr_free releases it
    std::memcpy(msr->datasamples, decoded.Samples, bytes);
    msr->numsamples = decoded.SampleCount;
    msr->sampletype = 'i';
    int64_t packed = 0;
    msr_pack(msr, KeepRecord, &records, &packed, 1, 0);
    msr_free(&msr);
    // A failure packs nothing, or not everything.
    return packed == decoded.SampleCount;
}

QString MseedRecords::Encode(const SeedName& name, const DtPacket& decoded,
                             std::span<const std::uint8_t> packet, double rate, RecordWay& way,
                             std::vector<QByteArray>& records)
{
    const std::span<const std::int32_t> samples(decoded.Samples, decoded.SampleCount);
    const bool steim = decoded.Format == FormatSteim1 || decoded.Format == FormatSteim2;
    const int ownEncoding = decoded.Format == FormatSteim1 ? DE_STEIM1 : DE_STEIM2;
    if (steim && Pack(name, decoded, rate, ownEncoding, records) && records.size() == 1 &&
        DataOffset(records.front()) == kSteimDataOffset) {
        // libmseed's header for these samples in this encoding, around the packet's own frames.
        QByteArray copy = records.front();
        std::memcpy(copy.data() + 64, packet.data() + kSteimDataOffset, kSteimDataBytes);
        if (ReadsAs(copy, samples)) {
            way = RecordWay::Copied;
            records.assign(1, copy);
            sequence_ = sequence_ % kMaxSequence + 1;
            return {};
        }
    }
    way = RecordWay::Steim2;
    if (!Pack(name, decoded, rate, DE_STEIM2, records)) {
        way = RecordWay::Int32;
        if (!Pack(name, decoded, rate, DE_INT32, records))
            return QStringLiteral("libmseed could not pack the samples");
    }
    for (std::size_t i = 0; i < records.size(); ++i)
        sequence_ = sequence_ % kMaxSequence + 1;
    return {};
}
