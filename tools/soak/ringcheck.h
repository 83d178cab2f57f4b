#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

struct ChannelCatalogue;
struct PacketStore;

struct RingCheck
{
    int Expected = 0; // decodable packets of active channels among those sent
    int Stored = 0;   // of those, the ones found in their slot with the samples sent
    QString FirstMismatch;
    bool Passed() const { return Expected > 0 && Stored == Expected; }
};

// The packets sent (DT payloads in sending order) that the keep-selected rule keeps must be the
// newest ones of the ring, in that order, ending just before RingIndex.
RingCheck CheckRingHoldsNewest(const PacketStore& store, const ChannelCatalogue& cat,
                               const std::vector<QByteArray>& sent);
