#pragma once

#include <QString>

#include <cstdint>
#include <span>

class QSettings;
struct DasStreamChanInfo;

// Settings key of a channel: "/ovqt_dislay/DasStreamChanInfo/%04X%02d%02d".
QString ChannelKey(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel);

// The name of a channel that has none of its own: its unit id, "%04X".
QString UnitIdName(std::uint16_t dasId);

// Replaces the per-channel subtree "/ovqt_dislay/DasStreamChanInfo" with these entries, seven
// keys each, and "/HealthClipCount" for a channel that has its own.
void SaveChannelSettings(QSettings& s, std::span<const DasStreamChanInfo> entries);

// Reads the seven stored settings of a new entry (by its ids) over its defaults. Missing or
// unreadable values keep the default; s may be null.
void ReadChannelSettings(const QSettings* s, DasStreamChanInfo& entry);
// Only "/Active", "/TraceColor" and "/HealthClipCount", for entries an event header creates.
void ReadChannelDisplaySettings(const QSettings* s, DasStreamChanInfo& entry);
