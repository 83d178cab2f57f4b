#pragma once

#include <array>
#include <cstdint>
#include <vector>

using PacketBuffer = std::array<std::uint8_t, 1024>;

// One format's packets for the benchmark: the DT packets and, for the reference decoder, the
// data area of each with its sample count.
struct PacketSet
{
    const char* Name = "";
    std::uint8_t FormatByte = 0;
    std::vector<PacketBuffer> Packets;
    std::vector<int> Counts;
    long long TotalSamples = 0;
};

// Seismic-like signal: coloured noise of varying loudness riding on a sine, with a few events.
std::vector<std::int32_t> SeismicSignal(std::size_t n, unsigned seed);

// Packets of 16-bit or 32-bit integers, 500 or 250 samples each.
PacketSet IntegerPackets(const std::vector<std::int32_t>& signal, bool wide);

// Steim-1 (encoding DE_STEIM1) or Steim-2 packets from libmseed's encoder: the data area of each
// 1024-byte record becomes bytes 64-1023 of a DT packet.
PacketSet SteimPackets(const std::vector<std::int32_t>& signal, int encoding);
