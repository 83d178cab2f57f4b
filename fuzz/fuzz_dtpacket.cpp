// DecodeDtPacket on one 1024-byte packet: the input is cut or zero-padded to that size.
#include "fuzz/fuzzcheck.h"
#include "packets/bigendian.h"
#include "packets/dtpacket.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace {

constexpr std::size_t kPacketBytes = 1024;
// Fifteen frames of fifteen data words, seven differences at most per word.
constexpr int kMaxSteimDifferences = 15 * 15 * 7;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the packet's size on the heap, so a read past its end is caught.
    auto packet = std::make_unique<std::uint8_t[]>(kPacketBytes);
    std::memcpy(packet.get(), data, std::min(size, kPacketBytes));
    auto slot = std::make_unique<DtPacket>();

    const bool ok = DecodeDtPacket(*slot, std::span(packet.get(), kPacketBytes));
    const std::uint8_t format = packet[kDtFormatOffset];
    const bool known = format == 0x16 || format == 0x32 || format == 0xC0 || format == 0xC2;
    FUZZ_CHECK(ok == known);
    if (!ok) {
        FUZZ_CHECK(slot->SampleCount == 0);
        return 0;
    }
    FUZZ_CHECK(slot->SampleCount <= kMaxSamples);

    const std::uint8_t* area = packet.get() + kIntDataOffset;
    switch (format) {
    case 0x16:
        FUZZ_CHECK(slot->Format == FormatInt16);
        FUZZ_CHECK(slot->SampleCount <= 500);
        for (int i = 0; i < slot->SampleCount; ++i)
            FUZZ_CHECK(slot->Samples[i] == static_cast<std::int16_t>(ReadBig16(area + 2 * i)));
        break;
    case 0x32:
        FUZZ_CHECK(slot->Format == FormatInt32);
        FUZZ_CHECK(slot->SampleCount <= 250);
        for (int i = 0; i < slot->SampleCount; ++i)
            FUZZ_CHECK(slot->Samples[i] == static_cast<std::int32_t>(ReadBig32(area + 4 * i)));
        break;
    default: {
        FUZZ_CHECK(slot->Format == (format == 0xC0 ? FormatSteim1 : FormatSteim2));
        FUZZ_CHECK(slot->SampleCount <= kMaxSteimDifferences);
        // A shorter request must give a prefix of the longest decoding.
        auto all = std::make_unique<std::array<std::int32_t, kMaxSamples>>();
        const std::span frames(packet.get() + kSteimDataOffset, kPacketBytes - kSteimDataOffset);
        const int n = format == 0xC0 ? DecodeSteim1(*all, frames, kMaxSamples)
                                     : DecodeSteim2(*all, frames, kMaxSamples);
        FUZZ_CHECK(n >= 0 && n <= kMaxSteimDifferences);
        FUZZ_CHECK(slot->SampleCount <= n);
        FUZZ_CHECK(std::equal(slot->Samples, slot->Samples + slot->SampleCount, all->data()));
        break;
    }
    }
    return 0;
}
