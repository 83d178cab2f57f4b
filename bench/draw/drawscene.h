#pragma once

#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <cstdint>

// A monitor's worth of data already in the ring: every channel active, packets of full Steim-1
// size back to back and interleaved in arrival order, covering the whole window.
struct DrawScene
{
    ChannelCatalogue Catalogue;
    PacketStore Store;
    std::int64_t SamplesInWindow = 0;
};

// Steim-1 with one-byte differences: 13 data words in the first frame, 14 in the others, four
// samples a word.
inline constexpr int kFullSteim1Samples = (13 + 14 * 14) * 4;

DrawScene MakeDrawScene(int channels, double rate, int windowSeconds,
                        int samplesPerPacket = kFullSteim1Samples, std::uint32_t seed = 1);
