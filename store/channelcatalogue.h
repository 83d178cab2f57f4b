#pragma once

#include "store/dasstreamchaninfo.h"

#include <QString>

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
    // Where the stored settings of new channels are read; may be null (defaults only).
    QSettings* Settings = nullptr;
    // The table refuses to grow beyond this many entries, as it would when memory runs out.
    std::size_t MaxEntries = 100000;

    int Count() const { return static_cast<int>(Entries.size()); }
};

// Settings key of a channel: "/ovqt_dislay/DasStreamChanInfo/%04X%02d%02d".
QString ChannelKey(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel);

// Index of the entry with these ids, or -1.
int FindChannel(const ChannelCatalogue& cat, std::uint16_t dasId, std::uint16_t stream,
                std::uint16_t channel);

// Finds or adds the packet's channel and applies the packet (rate, times). indexOut gets the
// entry's index or -1 when the table could not grow; returns the index when Active, else -1.
int FindOrAddChannel(ChannelCatalogue& cat, const DtPacket& packet, int& indexOut);

// Creates or refreshes the channels an event header describes. False only when the table
// could not grow.
bool UpdateFromEventHeader(ChannelCatalogue& cat, const EventHeaderInfo& info);

// -1, 0 or 1 by the catalogue's sort column and direction.
int CompareChannels(const DasStreamChanInfo& a, const DasStreamChanInfo& b, int sortColumn,
                    int sortOrder);
void SortCatalogue(ChannelCatalogue& cat);
void RenumberActive(ChannelCatalogue& cat);

// Standard rates the measurement snaps to; 0 when r matches none within 0.00001.
double SnapMeasuredRate(double r);
