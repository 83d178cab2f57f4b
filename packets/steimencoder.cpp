#include "steimencoder.h"

#include "packets/bigendian.h"

#include <libmseed.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kRecordLength = 1024;
constexpr int kRecordDataOffset = 64;
// Upper bounds of what 15 frames hold (seven 4-bit differences in each of 223 words).
constexpr std::size_t kMaxSteim1Samples = 892;
constexpr std::size_t kMaxSteim2Samples = 1561;

struct FirstRecord
{
    std::span<std::uint8_t, kSteimDataBytes> frames;
    int sampleCount = -1;
};

void KeepFirstRecord(char* record, int length, void* data)
{
    auto* first = static_cast<FirstRecord*>(data);
    if (first->sampleCount >= 0 || length != kRecordLength)
        return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(record);
    std::memcpy(first->frames.data(), bytes + kRecordDataOffset, kSteimDataBytes);
    first->sampleCount = ReadBig16(bytes + 30);
}

} // namespace

int EncodeSteimFrames(std::span<std::uint8_t, kSteimDataBytes> frames, SteimLevel level,
                      std::span<const std::int32_t> samples)
{
    if (samples.empty())
        return 0;
    const std::size_t limit = level == SteimLevel::Steim1 ? kMaxSteim1Samples : kMaxSteim2Samples;
    // One more than fits, so that a full record is packed without flushing.
    std::vector<std::int32_t> input(samples.begin(),
                                    samples.begin() + std::min(samples.size(), limit + 1));

    MSRecord* msr = msr_init(nullptr);
    if (msr == nullptr)
        return -1;
    msr->reclen = kRecordLength;
    msr->byteorder = 1;
    msr->encoding = level == SteimLevel::Steim1 ? DE_STEIM1 : DE_STEIM2;
    msr->sampletype = 'i';
    msr->samprate = 1.0;
    msr->datasamples = input.data();
    msr->numsamples = static_cast<int64_t>(input.size());
    msr->samplecnt = msr->numsamples;

    FirstRecord first{frames};
    int64_t packed = 0;
    int records = msr_pack(msr, KeepFirstRecord, &first, &packed, 0, 0);
    if (records == 0)
        records = msr_pack(msr, KeepFirstRecord, &first, &packed, 1, 0);
    msr->datasamples = nullptr; // owned by input, not by the record
    msr_free(&msr);
    if (records <= 0 || first.sampleCount <= 0)
        return -1;
    return first.sampleCount;
}
