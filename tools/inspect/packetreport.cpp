#include "tools/inspect/packetreport.h"

#include "link/frame.h"
#include "packets/bcd.h"
#include "packets/dataformat.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "packets/packetheader.h"
#include "tools/inspect/recordformat.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

// The DT fields end with the format byte; a shorter payload has nothing to show.
constexpr std::size_t kDtFieldsSize = kIntDataOffset;
constexpr std::size_t kFormatByte = kDtFormatOffset;
constexpr std::size_t kEventKindOffset = kEhKindField.Offset;

std::uint8_t ByteOrBlank(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return at < bytes.size() ? bytes[at] : std::uint8_t(' ');
}

bool IsTypeOf(std::span<const std::uint8_t> payload, const char* type)
{
    return payload.size() >= 2 && payload[0] == std::uint8_t(type[0]) &&
           payload[1] == std::uint8_t(type[1]);
}

bool IsRecorderPacket(std::span<const std::uint8_t> payload)
{
    return IsTypeOf(payload, "DT") || IsTypeOf(payload, "EH") || IsTypeOf(payload, "ET");
}

// A frame header with a usable length followed by a recorder packet's type.
bool StartsWithFrame(std::span<const std::uint8_t> bytes)
{
    const Frame frame = ReadFrame(bytes);
    return frame.Outcome != FrameOutcome::BadLength && frame.Length >= 2 &&
           bytes.size() >= kFrameHeaderBytes + 2 &&
           IsRecorderPacket(bytes.subspan(kFrameHeaderBytes));
}

} // namespace

QByteArray DtRefusalReason(std::span<const std::uint8_t> packet)
{
    const std::uint8_t format = ByteOrBlank(packet, kFormatByte);
    if (!DtSampleFormat(format)) {
        return PrintfBytes("unknown format byte 0x%02X", format);
    }
    return "data that does not decode";
}

QByteArray EventRefusalReason(std::span<const std::uint8_t> packet)
{
    const std::uint8_t format = ByteOrBlank(packet, kFormatByte);
    if (!IsEventHeaderFormat(format)) {
        return PrintfBytes("unknown format byte 0x%02X", format);
    }
    std::uint8_t kind[3];
    for (std::size_t i = 0; i < sizeof kind; ++i) {
        kind[i] = ByteOrBlank(packet, kEventKindOffset + i);
    }
    return "unknown event kind \"" + PrintableBytes(kind, sizeof kind) + '"';
}

PacketReport::PacketReport(const InspectOptions& options, QIODevice& out, QIODevice* damage)
    : options(options), out(out), damage(damage), dt(std::make_unique<DtPacket>())
{}

PacketReport::~PacketReport() = default;

void PacketReport::OnPayload(std::uint64_t offset, std::uint16_t frameType,
                             std::span<const std::uint8_t> payload)
{
    if (IsTypeOf(payload, "DT")) {
        ShowDt(offset, payload);
        return;
    }
    if (IsTypeOf(payload, "EH") || IsTypeOf(payload, "ET")) {
        ShowEvent(offset, payload);
        return;
    }
    if (framesAsPackets) {
        return;
    }
    if (options.Mode == InputMode::Packets && offset == 0 && StartsWithFrame(payload)) {
        framesAsPackets = true;
        ReportDamage(offset, "this looks like a PKSD frame stream, not raw packets: read it "
                             "with --frames");
        return;
    }
    QByteArray message;
    if (payload.size() < 2) {
        message = PrintfBytes("payload of %zu bytes holds no packet type", payload.size());
    } else {
        message = "type \"" + PrintableBytes(payload.data(), 2) +
                  "\" is not a recorder packet type this tool knows";
    }
    if (options.Mode == InputMode::Frames) {
        message += PrintfBytes(" (frame type %u)", frameType);
    }
    Report(offset, message);
}

void PacketReport::ShowDt(std::uint64_t offset, std::span<const std::uint8_t> payload)
{
    std::span<const std::uint8_t> packet = payload;
    const std::size_t length = payload.size();
    const bool whole = length == kPacketSize;
    if (!whole) {
        Report(offset, PrintfBytes("DT payload of %zu bytes, not %zu: not ingestible, "
                                   "the client drops it",
                                   length, kPacketSize));
        if (length < kDtFieldsSize) {
            return;
        }
        // Zeros stand in for the missing bytes; only the header fields are shown.
        std::fill(padded.begin(), padded.end(), std::uint8_t(0));
        std::memcpy(padded.data(), payload.data(), std::min(length, padded.size()));
        packet = padded;
    }
    if (!DecodeDtPacket(*dt, packet)) {
        Report(offset, "refused DT packet: " + DtRefusalReason(packet));
        return;
    }
    const bool withSamples = options.Samples && whole;
    if (options.List) {
        Write(options.Json ? DtJson(*dt, withSamples) : DtText(*dt, withSamples));
    }
    // The decoder clamps the count to what the data area really held.
    const std::uint32_t stated = ReadBcd(packet.data(), kDtSampleCountField);
    if (whole && dt->SampleCount < stated) {
        Report(offset, PrintfBytes("the packet states %u samples, its data area holds %u", stated,
                                   dt->SampleCount));
    }
}

void PacketReport::ShowEvent(std::uint64_t offset, std::span<const std::uint8_t> payload)
{
    const std::size_t length = payload.size();
    const QByteArray type(reinterpret_cast<const char*>(payload.data()), 2);
    if (length < kEventHeaderSize) {
        Report(offset, type + PrintfBytes(" payload of %zu bytes: the bytes from %zu on "
                                          "are read as blanks",
                                          length, length));
    }
    EventHeaderInfo info;
    if (!ParseEventHeader(payload, info)) {
        Report(offset, "refused " + type + " packet: " + EventRefusalReason(payload));
        return;
    }
    if (options.List) {
        Write(options.Json ? EventJson(type, info) : EventText(type, info));
    }
}

void PacketReport::OnIssue(const ReadIssue& issue)
{
    QByteArray message;
    switch (issue.Problem) {
    case ReadProblem::TruncatedPacket:
        message =
            PrintfBytes("truncated packet: %lld of %lld bytes", static_cast<long long>(issue.Have),
                        static_cast<long long>(issue.Want));
        break;
    case ReadProblem::TruncatedFrameHeader:
        message =
            PrintfBytes("truncated frame header: %lld of %lld bytes",
                        static_cast<long long>(issue.Have), static_cast<long long>(issue.Want));
        break;
    case ReadProblem::TruncatedFrame:
        message = PrintfBytes("truncated frame: %lld of %d payload bytes",
                              static_cast<long long>(issue.Have), issue.Length);
        break;
    case ReadProblem::BadFrameLength:
        message = PrintfBytes("bad frame length %d (allowed 0 to %d); the stream cannot "
                              "be resynchronised, the rest is not read",
                              issue.Length, static_cast<int>(kMaxPayloadBytes));
        break;
    case ReadProblem::ReadError:
        message = PrintfBytes("read error after %lld bytes of this item; the rest is "
                              "not read",
                              static_cast<long long>(issue.Have));
        break;
    }
    ReportDamage(issue.Offset, message);
}

void PacketReport::ReportDamage(std::uint64_t offset, const QByteArray& message)
{
    damaged = true;
    Report(offset, message);
    if (damage) {
        damage->write("tremvue-inspect: " + ReportText(file, offset, message));
    }
}

void PacketReport::Report(std::uint64_t offset, const QByteArray& message)
{
    ReportAt(file, offset, message);
}

void PacketReport::ReportAt(const QString& name, std::uint64_t offset, const QByteArray& message)
{
    Write(options.Json ? ReportJson(name, offset, message) : ReportText(name, offset, message));
}

void PacketReport::Write(const QByteArray& text)
{
    out.write(text);
}
