#include "tools/inspect/streamreader.h"

#include "packets/byteorder.h"
#include "packets/packetheader.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>

#include <array>

FrameCut CutFrameHeader(const std::uint8_t* data, std::size_t size, FrameHeader& header)
{
    if (size < kWireFrameHeaderSize) {
        return FrameCut::NeedMore;
    }
    header.Type = NetToHost16(LoadRaw16(data));
    header.Length = static_cast<std::int32_t>(NetToHost32(LoadRaw32(data + 2)));
    if (header.Length < 0 || header.Length > kMaxFramePayload) {
        return FrameCut::BadLength;
    }
    return FrameCut::Ok;
}

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
            visitor.OnPayload(offset, 0, buffer.data(), buffer.size());
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
    std::array<std::uint8_t, kWireFrameHeaderSize + kMaxFramePayload> buffer{};
    std::uint64_t offset = 0;
    for (;;) {
        bool failed = false;
        const std::int64_t got = ReadFull(in, buffer.data(), kWireFrameHeaderSize, failed);
        if (got == 0) {
            if (failed) {
                ReportReadError(visitor, offset, 0);
            }
            return;
        }
        FrameHeader header;
        const FrameCut cut = CutFrameHeader(buffer.data(), static_cast<std::size_t>(got), header);
        if (cut == FrameCut::NeedMore) {
            ReadIssue issue;
            issue.Problem = failed ? ReadProblem::ReadError : ReadProblem::TruncatedFrameHeader;
            issue.Offset = offset;
            issue.Have = got;
            issue.Want = kWireFrameHeaderSize;
            visitor.OnIssue(issue);
            return;
        }
        if (cut == FrameCut::BadLength) {
            ReadIssue issue;
            issue.Problem = ReadProblem::BadFrameLength;
            issue.Offset = offset;
            issue.Length = header.Length;
            visitor.OnIssue(issue);
            return;
        }
        std::uint8_t* payload = buffer.data() + kWireFrameHeaderSize;
        const std::int64_t have = ReadFull(in, payload, header.Length, failed);
        if (have < header.Length) {
            ReadIssue issue;
            issue.Problem = failed ? ReadProblem::ReadError : ReadProblem::TruncatedFrame;
            issue.Offset = offset;
            issue.Have = have;
            issue.Want = header.Length;
            issue.Length = header.Length;
            visitor.OnIssue(issue);
            return;
        }
        visitor.OnPayload(offset, header.Type, payload, static_cast<std::size_t>(header.Length));
        offset += kWireFrameHeaderSize + static_cast<std::uint64_t>(header.Length);
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

void ReadBuffer(const std::uint8_t* data, std::size_t size, InputMode mode, PacketVisitor& visitor)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ReadStream(buffer, mode, visitor);
}
