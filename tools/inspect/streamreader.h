#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class QIODevice;

enum class InputMode
{
    Packets,
    Frames
};

enum class ReadProblem
{
    TruncatedPacket,      // Have of Want bytes of a raw packet
    TruncatedFrameHeader, // Have of Want bytes of a frame header
    TruncatedFrame,       // Have of Want payload bytes; Length names the frame's length
    BadFrameLength,       // Length is the bad value; the rest of the input is not read
    ReadError,
};

struct ReadIssue
{
    ReadProblem Problem = ReadProblem::ReadError;
    std::uint64_t Offset = 0; // of the packet or frame that has the problem
    std::int64_t Have = 0;
    std::int64_t Want = 0;
    std::int32_t Length = 0;
};

// Receives what a reader cuts out of its input. payload stays valid only during the call.
class PacketVisitor
{
public:
    virtual ~PacketVisitor() = default;
    // offset is that of the raw packet, or of the frame header in frame mode.
    virtual void OnPayload(std::uint64_t offset, std::uint16_t frameType,
                           std::span<const std::uint8_t> payload) = 0;
    virtual void OnIssue(const ReadIssue& issue) = 0;
};

// Reads the whole device: consecutive 1024-byte packets, or frames. Stops at the end of the
// input, at a read error, or after a bad frame length (the stream cannot be resynchronised).
// Never holds more than one frame.
void ReadStream(QIODevice& in, InputMode mode, PacketVisitor& visitor);

// The same over a byte buffer, for callers that hold the input in memory.
void ReadBuffer(std::span<const std::uint8_t> data, InputMode mode, PacketVisitor& visitor);
