#pragma once

#include "packets/daytime.h"
#include "store/channelcatalogue.h"
#include "tools/inspect/seednames.h"
#include "tools/inspect/streamreader.h"

#include <QByteArray>

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

struct DtPacket;

// Where one data packet lies in time.
struct PacketSpan
{
    DayTime Start; // its first sample
    int Samples = 0;
};

// A break between a packet and the one before it of the same channel: a gap starts at the time
// after the earlier packet's last sample, an overlap at the later packet's first sample.
struct DataBreak
{
    bool Overlap = false;
    DayTime At;
    double LengthMs = 0.0;
};

struct ChannelSpan
{
    DayTime First; // the earliest sample
    DayTime Last;  // the latest sample
    int Packets = 0;
    std::int64_t Samples = 0;
    std::vector<DataBreak> Breaks;
    double MissingMs = 0.0; // the gaps added up
};

// A packet whose first sample comes more than 1.5 sample intervals after the time after the
// previous packet's last sample leaves a gap of that time; one that comes more than 1.5
// intervals before it overlaps by that much. Positive: the length in ms; 0: the packet follows
// on.
double GapMs(double startMs, double previousEndMs, double rate);
double OverlapMs(double startMs, double previousEndMs, double rate);

// The packets of one channel, in the order they came, at rate samples per second; with no rate
// known, no break can be told and Last is the latest packet's first sample.
ChannelSpan SummariseChannel(std::span<const PacketSpan> packets, double rate);

// Gathers the data packets it is given by channel, and the rates as the monitor learns them;
// then tells each channel's span, packets, samples, gaps and overlaps.
class GapReport final : public PacketVisitor
{
public:
    GapReport();
    ~GapReport() override;
    GapReport(const GapReport&) = delete;
    GapReport& operator=(const GapReport&) = delete;

    void OnPayload(std::uint64_t offset, std::uint16_t frameType,
                   std::span<const std::uint8_t> payload) override;
    void OnIssue(const ReadIssue&) override {}

    // One block of lines, or one JSON object per line, for each channel heard, in id order.
    QByteArray Result(bool json) const;

private:
    ChannelCatalogue catalogue_;
    std::map<ChannelKey, std::vector<PacketSpan>> channels_;
    std::unique_ptr<DtPacket> dt_;
};
