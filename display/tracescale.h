#pragma once

#include "display/tracestatistics.h"

struct ChannelCatalogue;
struct DasStreamChanInfo;
struct DisplayState;

// Sets ScaleLow, ScaleHigh and RangeCount of one entry from its statistics (or, when locked,
// from its previous scale). The arithmetic runs in 64 bits and double; the stored values are
// clamped to 32 bits, so full-scale data still lands inside the band.
void ScaleEntry(DasStreamChanInfo& e, int ampScale, double scaleFactor, const GlobalFigures& g);

// ScaleEntry for every active entry. In lock mode an entry that has no scale from data yet takes
// an individual scale from the statistics gathered for it.
void ComputeScales(ChannelCatalogue& cat, const DisplayState& ds, const GlobalFigures& g);
