#include "tools/inspect/streamreader.h"

#include "link/frame.h"
#include "packets/packetheader.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>

#include <array>

namespace {

// Reads until want bytes are in or the input ends; pipes may deliver less per read.
std::int64_t ReadFull(QIODevice& in, std::uint8_t* buffer, std::int64_t want, bool& failed)
{
    std::int64_t got = 0;
    failed = false;
    while (got < want) {
        const qint64 n = in.read(reinterpret_cast<char*>(buffer + got), want - got);
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) {
            if (in.isSequential() && !in.atEnd() && in.waitForReadyRead(-1)) {
                continue;
            }
            break;
        }
        got += n;
    }
    return got;
}

void ReportReadError(PacketVisitor& visitor, std::uint64_t offset, std::int64_t have)
{
    ReadIssue issue;
    issue.Problem = ReadProblem::ReadError;
    issue.Offset = offset;
    issue.Have = have;
    visitor.OnIssue(issue);
}

void ReadPackets(QIODevice& in, PacketVisitor& visitor)
{
    std::array<std::uint8_t, kPacketSize> buffer{};
    const auto want = static_cast<std::int64_t>(buffer.size());
    std::uint64_t offset = 0;
    for (;;) {
        bool failed = false;
        const std::int64_t got = ReadFull(in, buffer.data(), want, failed);
        if (got == want) {
            visitor.OnPayload(offset, 0, buffer);
            offset += buffer.size();
            continue;
        }
        if (failed) {
            ReportReadError(visitor, offset, got);
        } else if (got > 0) {
            ReadIssue issue;
            issue.Problem = ReadProblem::TruncatedPacket;
            issue.Offset = offset;
            issue.Have = got;
            issue.Want = want;
            visitor.OnIssue(issue);
        }
        return;
    }
}

void ReadFrames(QIODevice& in, PacketVisitor& visitor)
{
    std::array<std::uint8_t, kMaxFrameBytes> buffer{};
    constexpr auto kHeader = static_cast<std::int64_t>(kFrameHeaderBytes);
    std::uint64_t offset = 0;
    for (;;) {
        bool failed = false;
        const std::int64_t got = ReadFull(in, buffer.data(), kHeader, failed);
        if (got == 0) {
            if (failed) {
                ReportReadError(visitor, offset, 0);
            }
            return;
        }
        ReadIssue issue;
        issue.Offset = offset;
        if (got < kHeader) {
            issue.Problem = failed ? ReadProblem::ReadError : ReadProblem::TruncatedFrameHeader;
            issue.Have = got;
            issue.Want = kHeader;
            visitor.OnIssue(issue);
            return;
        }
        const Frame header = ReadFrame(std::span(buffer).first(kFrameHeaderBytes));
        if (header.Outcome == FrameOutcome::BadLength) {
            issue.Problem = ReadProblem::BadFrameLength;
            issue.Length = header.Length;
            visitor.OnIssue(issue);
            return;
        }
        const std::int64_t have = ReadFull(in, buffer.data() + kHeader, header.Length, failed);
        const Frame frame =
            ReadFrame(std::span(buffer).first(kFrameHeaderBytes + static_cast<std::size_t>(have)));
        if (frame.Outcome != FrameOutcome::Whole) {
            issue.Problem = failed ? ReadProblem::ReadError : ReadProblem::TruncatedFrame;
            issue.Have = have;
            issue.Want = header.Length;
            issue.Length = header.Length;
            visitor.OnIssue(issue);
            return;
        }
        visitor.OnPayload(offset, frame.Type, frame.Payload);
        offset += frame.Size();
    }
}

} // namespace

void ReadStream(QIODevice& in, InputMode mode, PacketVisitor& visitor)
{
    if (mode == InputMode::Packets) {
        ReadPackets(in, visitor);
    } else {
        ReadFrames(in, visitor);
    }
}

void ReadBuffer(std::span<const std::uint8_t> data, InputMode mode, PacketVisitor& visitor)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ReadStream(buffer, mode, visitor);
}
