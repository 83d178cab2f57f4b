#include "faultinjector.h"

#include "link/frame.h"
#include "packets/packetwriter.h"

namespace {

constexpr qsizetype kShortDtLength = 1000;
constexpr int kRandomFaultOdds = 50;
constexpr int kMaxGarbage = 2048;

} // namespace

QByteArray EncodeFrame(std::uint16_t type, std::int32_t length, const QByteArray& payload)
{
    QByteArray frame(static_cast<qsizetype>(kFrameHeaderBytes), '\0');
    // Bad lengths are written as they are, in two's complement.
    WriteFrameHeader(std::span<std::uint8_t, kFrameHeaderBytes>(
                         reinterpret_cast<std::uint8_t*>(frame.data()), kFrameHeaderBytes),
                     type, static_cast<std::uint32_t>(length));
    frame += payload;
    return frame;
}

FaultInjector::FaultInjector(const FaultOptions& options, std::uint64_t seed)
    : options_(options), random_(MixSeed(seed, 0xFA17))
{}

FaultInjector::Kind FaultInjector::Choose(bool isDt)
{
    if (options_.Random) {
        if (random_.Below(kRandomFaultOdds) != 0)
            return Kind::None;
        constexpr Kind kKinds[] = {Kind::BadLength, Kind::ShortDt, Kind::UnknownType, Kind::Trailer,
                                   Kind::Type0,     Kind::Garbage, Kind::Close};
        const Kind kind = kKinds[random_.Below(static_cast<int>(std::size(kKinds)))];
        if (!isDt && (kind == Kind::ShortDt || kind == Kind::Trailer))
            return Kind::None;
        return kind;
    }
    if (Every(options_.BadLength, frames_))
        return Kind::BadLength;
    if (isDt && Every(options_.ShortDt, dataPackets_))
        return Kind::ShortDt;
    if (Every(options_.UnknownType, frames_))
        return Kind::UnknownType;
    if (isDt && Every(options_.Trailer, dataPackets_))
        return Kind::Trailer;
    if (Every(options_.Type0, frames_))
        return Kind::Type0;
    if (Every(options_.Garbage, frames_))
        return Kind::Garbage;
    return Kind::None;
}

FaultInjector::Outcome FaultInjector::Frame(const OutgoingPacket& packet)
{
    const bool isDt = packet.Payload.startsWith("DT");
    if (packet.Payload.startsWith("EH"))
        lastHeader_ = packet.Payload;
    ++frames_;
    if (isDt)
        ++dataPackets_;

    Outcome out;
    Framing framing{packet.FrameType, static_cast<std::int32_t>(packet.Payload.size()), {}};
    Inject(Choose(isDt), packet, framing, out);
    out.Bytes += EncodeFrame(framing.FrameType, framing.DeclaredLength, packet.Payload);
    out.Bytes += framing.After;
    if (!out.CloseAfter && options_.CloseAfter > 0 && frames_ == options_.CloseAfter) {
        out.CloseAfter = true;
        out.Faults << QStringLiteral("fault close after %1 frames").arg(frames_);
    }
    return out;
}

// Bytes that go before the packet's frame are added to out.Bytes at once.
void FaultInjector::Inject(Kind kind, const OutgoingPacket& packet, Framing& framing, Outcome& out)
{
    switch (kind) {
    case Kind::None:
        break;
    case Kind::BadLength:
        framing.DeclaredLength = (badLengths_++ % 2 == 0) ? 1025 : -1024;
        out.Faults << QStringLiteral("fault bad-length %1").arg(framing.DeclaredLength);
        break;
    case Kind::ShortDt:
        out.Bytes += EncodeFrame(framing.FrameType, static_cast<std::int32_t>(kShortDtLength),
                                 packet.Payload.left(kShortDtLength));
        out.Faults << QStringLiteral("fault short-dt %1").arg(kShortDtLength);
        break;
    case Kind::UnknownType: {
        QByteArray unknown = packet.Payload;
        if (unknown.size() >= 2)
            unknown.replace(0, 2, "XX");
        out.Bytes +=
            EncodeFrame(framing.FrameType, static_cast<std::int32_t>(unknown.size()), unknown);
        out.Faults << QStringLiteral("fault unknown-type XX");
        break;
    }
    case Kind::Trailer:
        if (!lastHeader_.isEmpty()) {
            QByteArray trailer = lastHeader_;
            trailer[1] = 'T';
            framing.After =
                EncodeFrame(framing.FrameType, static_cast<std::int32_t>(trailer.size()), trailer);
            out.Faults << QStringLiteral("fault et");
        }
        break;
    case Kind::Type0:
        framing.FrameType = 0;
        out.Faults << QStringLiteral("fault type0");
        break;
    case Kind::Garbage: {
        QByteArray garbage(1 + random_.Below(kMaxGarbage), '\0');
        for (char& byte : garbage)
            byte = static_cast<char>(random_.NextBits() & 0xFF);
        out.Bytes += garbage;
        out.Faults << QStringLiteral("fault garbage %1").arg(garbage.size());
        break;
    }
    case Kind::Close:
        out.CloseAfter = true;
        out.Faults << QStringLiteral("fault close after %1 frames").arg(frames_);
        break;
    }
}
