#pragma once

#include "store/channelhealth.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QSettings;
struct ChannelCatalogue;

// A channel the settings store holds as selected. Until it is heard it is not in the
// catalogue, and Save Current Settings, which writes only the catalogue, will not keep it.
struct StoredSelection
{
    std::uint16_t DasId = 0;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    QString Name;
    bool InCatalogue = false; // the catalogue has it now; it is judged there
};

// Channels judged, and how many of them are worst in each state.
struct HealthCounts
{
    int Total = 0;
    std::array<int, kHealthStates> ByWorst{};
    bool AllOk() const { return Total == ByWorst[static_cast<int>(HealthState::Ok)]; }
};

// The program's health summary, judged once a second. One instance for the program.
struct HealthBoard
{
    std::vector<StoredSelection> Stored;
    HealthCounts Counts;
    std::uint64_t MarkStamp = 0; // changes when the mark of a drawn band would
};

// The selected channels of the store's per-channel subtree.
void ReadStoredSelection(QSettings& s, HealthBoard& board);

// Judges every catalogue channel and every stored selection not heard yet at nowMs (the
// computer's UTC clock, AbsoluteMs scale). True when the marks of the drawn bands changed.
bool JudgeHealth(HealthBoard& board, ChannelCatalogue& cat, std::int64_t nowMs);

// One row of the health list: a catalogue entry (Entry >= 0) or a stored selection never heard
// (Stored >= 0).
struct HealthRow
{
    int Entry = -1;
    int Stored = -1;
    HealthState Worst = HealthState::Idle;
};

// Catalogue entries that are judged and stored selections not in the catalogue, worst first,
// then in catalogue order.
std::vector<HealthRow> HealthRows(const HealthBoard& board, const ChannelCatalogue& cat);
