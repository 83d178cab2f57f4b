#include "tools/inspect/seednames.h"

#include <QFile>
#include <QList>

namespace {

constexpr char kOrientations[] = "ZNE3456789ABCDFGHIJKLMOPQRSTUVWX";
constexpr int kNamedChannels = sizeof kOrientations - 1;

bool IsCode(const QByteArray& code, qsizetype shortest, qsizetype longest)
{
    if (code.size() < shortest || code.size() > longest)
        return false;
    for (const char c : code) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

std::optional<SeedName> ParseSeedName(const QByteArray& text)
{
    const QList<QByteArray> parts = text.split('.');
    if (parts.size() != 4)
        return std::nullopt;
    SeedName name{parts[0], parts[1], parts[2], parts[3]};
    if (!IsNetworkCode(name.Network) || !IsCode(name.Station, 1, 5) ||
        !IsCode(name.Location, 0, 2) || !IsCode(name.Channel, 3, 3))
        return std::nullopt;
    return name;
}

std::optional<std::uint16_t> Number(const QByteArray& text, int base, unsigned high)
{
    bool ok = false;
    const unsigned value = text.toUInt(&ok, base);
    if (!ok || value > high || text.startsWith('+'))
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// Why a line does not name a channel, or nothing when it does.
std::optional<QString> ParseLine(const QByteArray& line, ChannelKey& key, SeedName& name)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() != 4)
        return QStringLiteral("expected UNIT STREAM CHANNEL NET.STA.LOC.CHA");
    const auto unit = Number(fields[0], 16, 0xFFFF);
    const auto stream = Number(fields[1], 10, 99);
    const auto channel = Number(fields[2], 10, 99);
    if (!unit || fields[0].size() > 4)
        return QStringLiteral("unit id \"%1\" is not 1-4 hexadecimal digits")
            .arg(QString::fromLatin1(fields[0]));
    if (!stream || !channel)
        return QStringLiteral("stream and channel are numbers from 0 to 99");
    const std::optional<SeedName> parsed = ParseSeedName(fields[3]);
    if (!parsed)
        return QStringLiteral("\"%1\" is not NET.STA.LOC.CHA (1-2, 1-5, 0-2 and 3 upper-case "
                              "letters or digits)")
            .arg(QString::fromLatin1(fields[3]));
    key = ChannelKey{*unit, *stream, *channel};
    name = *parsed;
    return std::nullopt;
}

} // namespace

QByteArray SeedName::Text() const
{
    return Network + '.' + Station + '.' + Location + '.' + Channel;
}

char BandCode(double rate)
{
    if (rate >= 1000)
        return 'F';
    if (rate >= 250)
        return 'C';
    if (rate >= 80)
        return 'H';
    if (rate >= 10)
        return 'B';
    if (rate > 1)
        return 'M';
    if (rate >= 0.5)
        return 'L';
    return rate >= 0.05 ? 'V' : 'U';
}

std::optional<SeedName> DefaultSeedName(const QByteArray& network, const ChannelKey& key,
                                        double rate)
{
    if (key.Channel >= kNamedChannels)
        return std::nullopt;
    SeedName name;
    name.Network = network;
    name.Station = QByteArray::number(key.DasId, 16).toUpper().rightJustified(4, '0');
    name.Location = QByteArray::number(key.Stream).rightJustified(2, '0');
    name.Channel = QByteArray(1, BandCode(rate)) + 'H' + kOrientations[key.Channel];
    return name;
}

bool IsNetworkCode(const QByteArray& code)
{
    return IsCode(code, 1, 2);
}

QString SeedNameTable::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        QByteArray line = file.readLine();
        if (const qsizetype hash = line.indexOf('#'); hash >= 0)
            line.truncate(hash);
        if (line.trimmed().isEmpty())
            continue;
        ChannelKey key;
        SeedName name;
        std::optional<QString> error = ParseLine(line, key, name);
        if (!error && names_.count(key) != 0)
            error =
                QStringLiteral("the channel is named already on line %1").arg(names_[key].second);
        if (error)
            return QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(*error);
        names_[key] = {name, number};
    }
    return {};
}

std::optional<SeedName> SeedNameTable::Find(const ChannelKey& key) const
{
    const auto found = names_.find(key);
    if (found == names_.end())
        return std::nullopt;
    return found->second.first;
}
