#pragma once

#include <QByteArray>

#include <vector>

// What watching the channels' health costs: the ingest step with and without it, and one
// judgement of many channels.
struct HealthCost
{
    double IngestOnNs = 0.0;  // per packet, health noted
    double IngestOffNs = 0.0; // per packet, health not noted
    int JudgedChannels = 0;
    double JudgeUs = 0.0; // one judgement of JudgedChannels channels, best of several
};

HealthCost MeasureHealthCost(const std::vector<QByteArray>& payloads, int judgedChannels);
