#pragma once

#include "tools/inspect/streamreader.h"

// Hands everything read to two visitors: a report of the problems and a collector.
class VisitorPair final : public PacketVisitor
{
public:
    VisitorPair(PacketVisitor& first, PacketVisitor& second) : first(first), second(second) {}
    void OnPayload(std::uint64_t offset, std::uint16_t frameType,
                   std::span<const std::uint8_t> payload) override
    {
        first.OnPayload(offset, frameType, payload);
        second.OnPayload(offset, frameType, payload);
    }
    void OnIssue(const ReadIssue& issue) override
    {
        first.OnIssue(issue);
        second.OnIssue(issue);
    }

private:
    PacketVisitor& first;
    PacketVisitor& second;
};
