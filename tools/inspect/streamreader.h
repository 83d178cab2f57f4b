#pragma once

#include <cstddef>
#include <cstdint>

class QIODevice;

inline constexpr std::size_t kWireFrameHeaderSize = 6;
inline constexpr std::int32_t kMaxFramePayload = 1024;

enum class InputMode
{
    Packets,
    Frames
};

struct FrameHeader
{
    std::uint16_t Type = 0;
    std::int32_t Length = 0;
};

enum class FrameCut
{
    Ok,
    NeedMore,
    BadLength
};

// Frame header: 2-byte type, 4-byte signed length, both big-endian. NeedMore while fewer than
// kWireFrameHeaderSize bytes are given; BadLength for a length outside 0 to kMaxFramePayload (the
// header is filled all the same, so the length can be reported).
FrameCut CutFrameHeader(const std::uint8_t* data, std::size_t size, FrameHeader& header);

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
                           const std::uint8_t* payload, std::size_t length) = 0;
    virtual void OnIssue(const ReadIssue& issue) = 0;
};

// Reads the whole device: consecutive 1024-byte packets, or frames. Stops at the end of the
// input, at a read error, or after a bad frame length (the stream cannot be resynchronised).
// Never holds more than one frame.
void ReadStream(QIODevice& in, InputMode mode, PacketVisitor& visitor);

// The same over a byte buffer, for callers that hold the input in memory.
void ReadBuffer(const std::uint8_t* data, std::size_t size, InputMode mode, PacketVisitor& visitor);
