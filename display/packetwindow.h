#pragma once

#include <cstdint>

struct ChannelCatalogue;
struct DtPacket;
struct PacketStore;
class ChannelIndex;

// Number of ring slots to visit and the slot visited k-th: from the slot after RingIndex,
// wrapping, to RingIndex itself.
int RingSlotCount(const PacketStore& store);
const DtPacket& RingSlotInOrder(const PacketStore& store, int k);

// The part of one ring slot that lies in its channel's window.
struct PacketSpan
{
    int Entry = -1;     // catalogue index
    double Delay = 0.0; // seconds from the window end to the first sample
    double Rate = 0.0;  // samples per second
    int First = 0;      // samples First .. End-1 have -R <= t <= 0
    int End = 0;
};

// False when the slot is empty, belongs to no active entry, starts after the window, has no
// positive rate or ends before the window. Otherwise fills span; it may still hold no sample.
bool VisiblePart(const DtPacket& slot, const ChannelCatalogue& cat, const ChannelIndex& index,
                 int timeRange, PacketSpan& span);
