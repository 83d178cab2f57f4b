#pragma once

class QSettings;
struct ChannelCatalogue;
struct DasStreamChanInfo;

// Replaces the per-channel subtree "/ovqt_dislay/DasStreamChanInfo" with the catalogue's
// entries, seven keys each.
void SaveChannelSettings(QSettings& s, const ChannelCatalogue& cat);

// Reads the seven stored settings of a new entry (by its ids) over its defaults. Missing or
// unreadable values keep the default; s may be null.
void ReadChannelSettings(const QSettings* s, DasStreamChanInfo& entry);
// Only "/Active" and "/TraceColor", for entries an event header creates.
void ReadChannelDisplaySettings(const QSettings* s, DasStreamChanInfo& entry);
