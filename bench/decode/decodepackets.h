#pragma once

#include "packets/packetwriter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using PacketBuffer = PacketBytes;

// One format's packets for the benchmark: the DT packets and, for the reference decoder, the
// data area of each with its sample count.
struct PacketSet
{
    std::string Name;
    std::uint8_t FormatByte = 0;
    std::vector<PacketBuffer> Packets;
    std::vector<int> Counts;
    long long TotalSamples = 0;
};

// Seismic-like signal: coloured noise of varying loudness riding on a sine, with a few events.
std::vector<std::int32_t> SeismicSignal(std::size_t n, unsigned seed);

// A quiet site: faint coloured noise on a slow, small sine, so Steim words hold their most
// differences.
std::vector<std::int32_t> QuietSignal(std::size_t n, unsigned seed);

// DT packets of one format holding the whole signal, each as full as its data area allows;
// the Steim ones are encoded by libmseed.
PacketSet FormatPackets(const std::vector<std::int32_t>& signal, SampleFormat format,
                        std::string name);
