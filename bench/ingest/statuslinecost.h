#pragma once

#include <QByteArray>

#include <vector>

class QStatusBar;

struct StatusLineCost
{
    double IngestNs = 0.0;  // the DT ingest step per packet
    double FormatNs = 0.0;  // formatting one status line
    double MessageNs = 0.0; // one status bar message, its repaint included
};

// Times the DT ingest step on the payloads, the formatting of one status line, and the status
// bar's showing of one line.
StatusLineCost MeasureStatusLineCost(const std::vector<QByteArray>& payloads, QStatusBar& bar);
