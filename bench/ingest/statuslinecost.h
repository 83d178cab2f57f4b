#pragma once

#include <QByteArray>

#include <vector>

class QStatusBar;

struct StatusLineCost
{
    double IngestNs = 0.0;        // the DT ingest step per packet, status line included
    double WithoutStatusNs = 0.0; // the same decode, catalogue and keep rule without it
    double MessageNs = 0.0;       // one status bar message, its repaint included
};

// Times the DT ingest step on the payloads with and without its status line, and the status
// bar's showing of one line.
StatusLineCost MeasureStatusLineCost(const std::vector<QByteArray>& payloads, QStatusBar& bar);
