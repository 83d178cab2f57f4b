#pragma once

#include <QLine>

#include <vector>

class QPainter;
struct ChannelCatalogue;
struct PacketStore;
class ChannelIndex;

// How the samples of a packet become lines.
enum class TraceDrawing
{
    // One vertical line per pixel column over the rows its samples reach, and the line from the
    // column's last sample to the next column's first: the same pixels as EveryPoint, with far
    // fewer lines and without mapping every sample.
    Merged,
    // A line from each sample to the next, found and mapped one sample at a time as the plain
    // description of the plot goes; the reference the merged form is checked against.
    EveryPoint,
};

struct TracePlotArea
{
    int X0 = 0;
    int X1 = 0;
    int Y0 = 0;
    double BandHeight = 1.0;
};

// Working storage of the trace pass; grows to the largest packet once and is reused.
struct TraceBuffers
{
    std::vector<QLine> Lines;
};

// Draws every visible packet of every active entry in the entry's colour, in ring order, each
// packet on its own: nothing joins it to another packet. Every line is drawn on its own with
// both end pixels, as a line to each next sample always was, so a column's lines cover exactly
// the rows from its lowest to its highest sample whatever their order.
void DrawTracePass(QPainter& p, const ChannelCatalogue& cat, const ChannelIndex& index,
                   const PacketStore& store, const TracePlotArea& area, int timeRange,
                   TraceDrawing drawing, TraceBuffers& buffers);
