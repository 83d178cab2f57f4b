#pragma once

#include <QByteArray>
#include <QString>

#include <compare>
#include <cstdint>
#include <map>
#include <optional>

// The recorder's channel as the packets name it, stream and channel counted from 0.
struct ChannelKey
{
    std::uint16_t DasId = 0;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    auto operator<=>(const ChannelKey&) const = default;
};

struct SeedName
{
    QByteArray Network;  // 1-2 characters
    QByteArray Station;  // 1-5
    QByteArray Location; // 0-2
    QByteArray Channel;  // 3
    // "NET.STA.LOC.CHA"
    QByteArray Text() const;
};

// SEED band code for a sample rate, for a broadband sensor: F from 1000 samples per second,
// C from 250, H from 80, B from 10, M above 1, L from 0.5, V from 0.05, U below.
char BandCode(double rate);

// The default name: network as given, station the unit id in four hexadecimal digits, location
// the stream in two digits, channel the band code, H, and an orientation code by channel
// number: Z N E for 0-2, the digit for 3-9, A B C D F G H I J K L M O P Q R S T U V W X for
// 10-31. Nothing for channels above 31.
std::optional<SeedName> DefaultSeedName(const QByteArray& network, const ChannelKey& key,
                                        double rate);

// 1-2 upper-case letters or digits.
bool IsNetworkCode(const QByteArray& code);

// Names given by the operator, one channel a line: "UNIT STREAM CHANNEL NET.STA.LOC.CHA", the
// unit in hexadecimal, stream and channel counted from 0 as in the packets; '#' starts a
// comment.
class SeedNameTable
{
public:
    // Empty on success, else "FILE:LINE: reason".
    QString Load(const QString& path);
    std::optional<SeedName> Find(const ChannelKey& key) const;

private:
    std::map<ChannelKey, std::pair<SeedName, int>> names_; // with the line that named it
};
