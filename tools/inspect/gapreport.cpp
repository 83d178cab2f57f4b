#include "tools/inspect/gapreport.h"

#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "packets/numbertext.h"
#include "packets/packetheader.h"
#include "store/channelhealth.h"
#include "tools/inspect/channelrate.h"
#include "tools/inspect/recordformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {

// As the monitor's health counts them: beyond this many sample intervals off the time after the
// previous packet's last sample.
constexpr double kBreakIntervals = 1.5;

bool IsType(std::span<const std::uint8_t> payload, char a, char b)
{
    return payload.size() >= 2 && payload[0] == std::uint8_t(a) && payload[1] == std::uint8_t(b);
}

// Back from the AbsoluteMs scale of the health times.
DayTime FromAbsoluteMs(double ms)
{
    return TimeAdd(DayTime{}, ms);
}

// Seconds to the millisecond, with a '.' whatever the locale.
QByteArray SecondsText(double ms)
{
    const long long whole = std::llround(ms);
    return PrintfBytes("%lld.%03lld s", whole / 1000, whole % 1000);
}

double JsonSeconds(double ms)
{
    return static_cast<double>(std::llround(ms)) / 1000.0;
}

QByteArray TimeText(const DayTime& t)
{
    return QByteArray::fromStdString(FormatTime(t));
}

QByteArray ChannelText(const ChannelKey& key, const ChannelSpan& span, double rate)
{
    int overlaps = 0;
    for (const DataBreak& b : span.Breaks)
        overlaps += b.Overlap ? 1 : 0;
    const int gaps = static_cast<int>(span.Breaks.size()) - overlaps;
    QByteArray text =
        PrintfBytes("%04X stream %u channel %u rate ", key.DasId, key.Stream, key.Channel) +
        (rate > 0.0 ? QByteArray::fromStdString(FormatG(rate)) : "unknown") + " first " +
        TimeText(span.First) + " last " + TimeText(span.Last) +
        PrintfBytes(" packets %d samples %lld", span.Packets, static_cast<long long>(span.Samples));
    if (rate > 0.0)
        text += PrintfBytes(" gaps %d missing ", gaps) + SecondsText(span.MissingMs) +
                PrintfBytes(" overlaps %d\n", overlaps);
    else
        text += ", no rate to tell gaps by\n";
    for (const DataBreak& b : span.Breaks)
        text += QByteArray(b.Overlap ? "  overlap at " : "  gap at ") + TimeText(b.At) +
                " length " + SecondsText(b.LengthMs) + '\n';
    return text;
}

QByteArray ChannelJson(const ChannelKey& key, const ChannelSpan& span, double rate)
{
    QJsonArray gaps;
    QJsonArray overlaps;
    for (const DataBreak& b : span.Breaks)
        (b.Overlap ? overlaps : gaps)
            .append(QJsonObject{{QStringLiteral("Start"), QString::fromLatin1(TimeText(b.At))},
                                {QStringLiteral("Seconds"), JsonSeconds(b.LengthMs)}});
    const QJsonObject object{
        {QStringLiteral("DasId"), QString::asprintf("%04X", key.DasId)},
        {QStringLiteral("Stream"), key.Stream},
        {QStringLiteral("Channel"), key.Channel},
        {QStringLiteral("Rate"), rate},
        {QStringLiteral("First"), QString::fromLatin1(TimeText(span.First))},
        {QStringLiteral("Last"), QString::fromLatin1(TimeText(span.Last))},
        {QStringLiteral("Packets"), span.Packets},
        {QStringLiteral("Samples"), static_cast<qint64>(span.Samples)},
        {QStringLiteral("Gaps"), gaps},
        {QStringLiteral("MissingSeconds"), JsonSeconds(span.MissingMs)},
        {QStringLiteral("Overlaps"), overlaps},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

double GapMs(double startMs, double previousEndMs, double rate)
{
    const double off = startMs - previousEndMs;
    return off > kBreakIntervals * 1000.0 / rate ? off : 0.0;
}

double OverlapMs(double startMs, double previousEndMs, double rate)
{
    const double off = startMs - previousEndMs;
    return off < -kBreakIntervals * 1000.0 / rate ? -off : 0.0;
}

ChannelSpan SummariseChannel(std::span<const PacketSpan> packets, double rate)
{
    ChannelSpan span;
    const bool timed = rate > 0.0;
    const double interval = timed ? 1000.0 / rate : 0.0;
    double first = 0.0;
    double last = 0.0;
    double previousEnd = 0.0;
    bool any = false;
    for (const PacketSpan& p : packets) {
        ++span.Packets;
        span.Samples += p.Samples;
        if (p.Samples <= 0)
            continue; // holds no time
        const auto start = static_cast<double>(AbsoluteMs(p.Start));
        if (any && timed) {
            if (const double gap = GapMs(start, previousEnd, rate); gap > 0.0) {
                span.Breaks.push_back({false, FromAbsoluteMs(previousEnd), gap});
                span.MissingMs += gap;
            } else if (const double overlap = OverlapMs(start, previousEnd, rate); overlap > 0.0) {
                span.Breaks.push_back({true, p.Start, overlap});
            }
        }
        const double lastSample = start + (p.Samples - 1) * interval;
        first = any ? std::min(first, start) : start;
        last = any ? std::max(last, lastSample) : lastSample;
        previousEnd = start + p.Samples * interval;
        any = true;
    }
    if (any) {
        span.First = FromAbsoluteMs(first);
        span.Last = FromAbsoluteMs(last);
    }
    return span;
}

GapReport::GapReport() : dt_(std::make_unique<DtPacket>()) {}

GapReport::~GapReport() = default;

void GapReport::OnPayload(std::uint64_t, std::uint16_t, std::span<const std::uint8_t> payload)
{
    // The report beside this one tells why a packet does not decode.
    if (IsType(payload, 'D', 'T')) {
        if (payload.size() != kPacketSize || !DecodeDtPacket(*dt_, payload))
            return;
        int index = -1;
        FindOrAddChannel(catalogue_, *dt_, index, nullptr);
        channels_[ChannelKey{dt_->DasId, dt_->Stream, dt_->Channel}].push_back(
            {dt_->Time, dt_->SampleCount});
    } else if (IsType(payload, 'E', 'H') || IsType(payload, 'E', 'T')) {
        EventHeaderInfo info;
        if (ParseEventHeader(payload, info))
            UpdateFromEventHeader(catalogue_, info, nullptr);
    }
}

QByteArray GapReport::Result(bool json) const
{
    QByteArray out;
    for (const auto& [key, packets] : channels_) {
        const double rate = KnownRate(catalogue_, key);
        const ChannelSpan span = SummariseChannel(packets, rate);
        out += json ? ChannelJson(key, span, rate) : ChannelText(key, span, rate);
    }
    return out;
}
