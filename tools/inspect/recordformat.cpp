#include "tools/inspect/recordformat.h"

#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "packets/numbertext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

int ShownSamples(const DtPacket& packet)
{
    return std::min<int>(packet.SampleCount, kMaxSamples);
}

QByteArray JsonLine(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QString DasIdText(std::uint16_t dasId)
{
    return QString::asprintf("%04X", dasId);
}

int ChannelOfPosition(const EventHeaderInfo& info, int position)
{
    return info.ChannelBank ? position + 16 : position;
}

// "%g" without the locale's decimal comma.
QByteArray Number(double value)
{
    return QByteArray::fromStdString(FormatG(value));
}

std::size_t NameLength(const EventHeaderInfo& info)
{
    return strnlen(info.Name, sizeof info.Name);
}

} // namespace

QByteArray PrintfBytes(const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (wanted < 0) {
        return {};
    }
    if (static_cast<std::size_t>(wanted) < sizeof buffer) {
        return QByteArray(buffer, wanted);
    }
    QByteArray text(wanted, Qt::Uninitialized);
    va_start(args, format);
    std::vsnprintf(text.data(), static_cast<std::size_t>(wanted) + 1, format, args);
    va_end(args);
    return text;
}

QByteArray PrintableBytes(const std::uint8_t* bytes, std::size_t length)
{
    QByteArray text;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = bytes[i];
        if (c == '\\' || c == '"') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            text += PrintfBytes("\\x%02X", c);
        }
    }
    return text;
}

QByteArray DtText(const DtPacket& packet, bool withSamples)
{
    QByteArray line =
        PrintfBytes("DT %04X stream %u channel %u samples %u format %u time %s seq %u\n",
                    packet.DasId, packet.Stream, packet.Channel, packet.SampleCount, packet.Format,
                    FormatTime(packet.Time).c_str(), packet.Sequence);
    if (withSamples) {
        const int shown = ShownSamples(packet);
        line += " ";
        for (int i = 0; i < shown; ++i) {
            line += ' ';
            line += QByteArray::number(packet.Samples[i]);
        }
        line += '\n';
    }
    return line;
}

QByteArray DtJson(const DtPacket& packet, bool withSamples)
{
    QJsonObject object{
        {QStringLiteral("Type"), QStringLiteral("DT")},
        {QStringLiteral("Time"), QString::fromStdString(FormatTime(packet.Time))},
        {QStringLiteral("DasId"), DasIdText(packet.DasId)},
        {QStringLiteral("Experiment"), packet.Experiment},
        {QStringLiteral("Sequence"), packet.Sequence},
        {QStringLiteral("Event"), packet.Event},
        {QStringLiteral("Stream"), packet.Stream},
        {QStringLiteral("Channel"), packet.Channel},
        {QStringLiteral("SampleCount"), packet.SampleCount},
        {QStringLiteral("Format"), packet.Format},
    };
    if (withSamples) {
        QJsonArray samples;
        const int shown = ShownSamples(packet);
        for (int i = 0; i < shown; ++i) {
            samples.append(static_cast<qint64>(packet.Samples[i]));
        }
        object.insert(QStringLiteral("Samples"), samples);
    }
    return JsonLine(object);
}

QByteArray EventText(const QByteArray& type, const EventHeaderInfo& info)
{
    int used = 0;
    for (const EventPosition& p : info.Positions) {
        used += p.BitWeight > 0.0 ? 1 : 0;
    }
    const QByteArray name =
        PrintableBytes(reinterpret_cast<const std::uint8_t*>(info.Name), NameLength(info));
    QByteArray text = type + PrintfBytes(" %04X stream %u channels %s name \"", info.DasId,
                                         info.Stream, info.ChannelBank ? "16-31" : "0-15");
    text += name + "\" rate " + Number(info.SampleRate) + PrintfBytes(" positions %d\n", used);
    for (int i = 0; i < kEventPositions; ++i) {
        const EventPosition& p = info.Positions[i];
        if (!(p.BitWeight > 0.0)) {
            continue;
        }
        text += PrintfBytes("  position %d channel %d bitweight ", i, ChannelOfPosition(info, i)) +
                Number(p.BitWeight) + " voltsperunit " + Number(p.VoltsPerUnit) + " unit " +
                UnitCodeText(p.Kind) + '\n';
    }
    return text;
}

QByteArray EventJson(const QByteArray& type, const EventHeaderInfo& info)
{
    QJsonArray positions;
    for (int i = 0; i < kEventPositions; ++i) {
        const EventPosition& p = info.Positions[i];
        if (!(p.BitWeight > 0.0)) {
            continue;
        }
        positions.append(QJsonObject{
            {QStringLiteral("Position"), i},
            {QStringLiteral("Channel"), ChannelOfPosition(info, i)},
            {QStringLiteral("BitWeight"), p.BitWeight},
            {QStringLiteral("VoltsPerUnit"), p.VoltsPerUnit},
            {QStringLiteral("UnitCode"), QString::fromLatin1(UnitCodeText(p.Kind))},
        });
    }
    const QJsonObject object{
        {QStringLiteral("Type"), QString::fromLatin1(type)},
        {QStringLiteral("DasId"), DasIdText(info.DasId)},
        {QStringLiteral("Stream"), info.Stream},
        {QStringLiteral("ChannelBank"), info.ChannelBank},
        {QStringLiteral("Name"),
         QString::fromLatin1(info.Name, static_cast<qsizetype>(NameLength(info)))},
        {QStringLiteral("SampleRate"), info.SampleRate},
        {QStringLiteral("Positions"), positions},
    };
    return JsonLine(object);
}

QByteArray ReportText(const QString& file, std::uint64_t offset, const QByteArray& message)
{
    return file.toLocal8Bit() +
           PrintfBytes(": offset %llu: ", static_cast<unsigned long long>(offset)) + message + '\n';
}

QByteArray ReportJson(const QString& file, std::uint64_t offset, const QByteArray& message)
{
    const QJsonObject object{
        {QStringLiteral("File"), file},
        {QStringLiteral("Offset"), static_cast<qint64>(offset)},
        {QStringLiteral("Report"), QString::fromLatin1(message)},
    };
    return JsonLine(object);
}
