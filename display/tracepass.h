#pragma once

#include <QLine>

#include <vector>

class QPainter;
struct ChannelCatalogue;
struct PacketStore;
class ChannelIndex;

struct TracePlotArea
{
    int X0 = 0;
    int X1 = 0;
    int Y0 = 0;
    double BandHeight = 1.0;
};

// Working storage of one redraw's trace pass: it grows to the largest packet drawn.
struct TraceBuffers
{
    std::vector<QLine> Lines;
};

// Draws every visible packet of every active entry in the entry's colour, in ring order, each
// packet on its own: nothing joins it to another packet. The samples that fall on one pixel
// column become one vertical line over the rows they reach, joined to the next column's first
// sample: the same pixels as a line from every sample to the next, with far fewer lines and
// without mapping every sample. That holds for aliased one-pixel lines at whole-pixel
// positions, so the pass sets the painter up that way itself, with cosmetic pens that stay one
// device pixel wide on a high-density picture.
void DrawTracePass(QPainter& p, const ChannelCatalogue& cat, const ChannelIndex& index,
                   const PacketStore& store, const TracePlotArea& area, int timeRange,
                   TraceBuffers& buffers);
