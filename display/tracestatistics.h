#pragma once

#include <cstdint>

struct ChannelCatalogue;
struct PacketStore;
class ChannelIndex;

// Minimum, maximum and sample sum of every active entry over the samples in its window, added
// to the entry's MinCount, MaxCount, Mean and MeanCount (which the caller has reset).
void GatherStatistics(ChannelCatalogue& cat, const ChannelIndex& index, const PacketStore& store,
                      int timeRange);

// Extremes over the active entries, for the common and absolute scales. Span is 64-bit: the
// largest span of 32-bit data does not fit in 32 bits.
struct GlobalFigures
{
    std::int32_t Min = 0;
    std::int32_t Max = 0;
    std::int64_t Span = 0;
};

// Turns the sums into means and collects the global figures, in catalogue order.
GlobalFigures FinishStatistics(ChannelCatalogue& cat);
