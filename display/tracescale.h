#pragma once

#include "display/tracestatistics.h"

struct ChannelCatalogue;
struct DasStreamChanInfo;
struct DisplayState;

// Scale modes of AmpScale. Values outside them scale like ScaleIndividual.
enum AmpScaleMode : int
{
    ScaleIndividual = 0,
    ScaleAbsolute = 1,
    ScaleCommon = 2,
    ScaleLock = 3,
};

// Sets ScaleLow, ScaleHigh and RangeCount of one entry from its statistics (or, when locked,
// from its previous scale). The arithmetic runs in 64 bits and double; the stored values are
// clamped to 32 bits, so full-scale data still lands inside the band.
void ScaleEntry(DasStreamChanInfo& e, int ampScale, double scaleFactor, const GlobalFigures& g);

// ScaleEntry for every active entry.
void ComputeScales(ChannelCatalogue& cat, const DisplayState& ds, const GlobalFigures& g);
