#pragma once

#include "store/channelhealth.h"
#include "store/dasstreamchaninfo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class QSettings;
struct DtPacket;
struct EventHeaderInfo;

// Every channel heard since start, kept sorted by CompareChannels. Indices are valid until the
// next sort (which happens only when a channel is added).
struct ChannelCatalogue
{
    std::vector<DasStreamChanInfo> Entries;
    int SortColumn = 0; // 0 unit, 1 stream, 2 channel, 3 rate, 4 colour
    int SortOrder = 1;  // 1 ascending, 0 descending
    // The table refuses to grow beyond this many entries, as it would when memory runs out.
    std::size_t MaxEntries = 100000;
    HealthThresholds Health;

    int Count() const { return static_cast<int>(Entries.size()); }
};

// Index of the entry with these ids, or -1.
int FindChannel(const ChannelCatalogue& cat, std::uint16_t dasId, std::uint16_t stream,
                std::uint16_t channel);

// Finds or adds the packet's channel and applies the packet (rate, times). A new entry takes its
// stored settings from stored (none when null). indexOut gets the entry's index or -1 when the
// table could not grow; returns the index when Active, else -1.
int FindOrAddChannel(ChannelCatalogue& cat, const DtPacket& packet, int& indexOut,
                     const QSettings* stored);

// Creates or refreshes the channels an event header describes; new entries take their stored
// selection and colour from stored. False only when the table could not grow.
bool UpdateFromEventHeader(ChannelCatalogue& cat, const EventHeaderInfo& info,
                           const QSettings* stored);

// -1, 0 or 1 by the catalogue's sort column and direction.
int CompareChannels(const DasStreamChanInfo& a, const DasStreamChanInfo& b, int sortColumn,
                    int sortOrder);
void SortCatalogue(ChannelCatalogue& cat);
void RenumberActive(ChannelCatalogue& cat);

// Standard rates the measurement snaps to; 0 when r matches none within 0.00001.
double SnapMeasuredRate(double r);
