#include "store/channelcatalogue.h"

#include "packets/daytime.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"
#include "store/channelhealth.h"
#include "store/channelsettings.h"
#include "store/rgb.h"

#include <QLatin1StringView>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr double kStandardRates[] = {1000, 500, 250, 200, 125, 100, 50, 40, 25, 20, 10, 5, 1, 0.1};
constexpr double kRateTolerance = 0.00001;
// A longer gap between two packets of a channel says nothing about its rate.
constexpr double kMaxRateGapSeconds = 1000000.0;

Rgb DefaultColor(int selector)
{
    switch (selector % 3) {
    case 0:
        return Rgb{255, 0, 0};
    case 1:
        return Rgb{0, 255, 0};
    default:
        return Rgb{0, 0, 255};
    }
}

// Appends a cleared entry; false when the table may not or cannot grow.
bool GrowTable(ChannelCatalogue& cat, std::uint16_t dasId, std::uint16_t stream,
               std::uint16_t channel)
{
    if (cat.Entries.size() >= cat.MaxEntries)
        return false;
    try {
        cat.Entries.emplace_back();
    } catch (const std::bad_alloc&) {
        return false;
    }
    DasStreamChanInfo& e = cat.Entries.back();
    e.DasId = dasId;
    e.Stream = stream;
    e.Channel = channel;
    return true;
}

int Compare(unsigned a, unsigned b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareRate(double a, double b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Colours sort by their text, as the selection list shows them.
int CompareColorKey(const Rgb& a, const Rgb& b)
{
    const int c = ColorText(a).compare(ColorText(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

enum class Key
{
    Unit,
    Stream,
    Channel,
    Rate,
    Color
};

int CompareKey(const DasStreamChanInfo& a, const DasStreamChanInfo& b, Key key)
{
    switch (key) {
    case Key::Unit:
        return Compare(a.DasId, b.DasId);
    case Key::Stream:
        return Compare(a.Stream, b.Stream);
    case Key::Channel:
        return Compare(a.Channel, b.Channel);
    case Key::Rate:
        return CompareRate(EffectiveRate(a), EffectiveRate(b));
    case Key::Color:
        return CompareColorKey(a.TraceColor, b.TraceColor);
    }
    return 0;
}

void SortAndRenumber(ChannelCatalogue& cat)
{
    if (cat.Entries.size() > 1)
        SortCatalogue(cat);
    RenumberActive(cat);
}

} // namespace

int FindChannel(const ChannelCatalogue& cat, std::uint16_t dasId, std::uint16_t stream,
                std::uint16_t channel)
{
    const int n = cat.Count();
    for (int i = 0; i < n; ++i) {
        const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(i)];
        if (e.DasId == dasId && e.Stream == stream && e.Channel == channel)
            return i;
    }
    return -1;
}

double SnapMeasuredRate(double r)
{
    for (const double rate : kStandardRates) {
        if (std::fabs(rate - r) < kRateTolerance)
            return rate;
    }
    return 0.0;
}

int FindOrAddChannel(ChannelCatalogue& cat, const DtPacket& packet, int& indexOut,
                     const QSettings* stored)
{
    int index = FindChannel(cat, packet.DasId, packet.Stream, packet.Channel);
    const bool added = index < 0;
    if (added) {
        if (!GrowTable(cat, packet.DasId, packet.Stream, packet.Channel)) {
            indexOut = -1;
            return -1;
        }
        index = cat.Count() - 1;
        DasStreamChanInfo& e = cat.Entries.back();
        e.TraceColor = DefaultColor(packet.Channel);
        ReadChannelSettings(stored, e);
    }

    DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(index)];
    const DayTime t = packet.Time;
    const int n = packet.SampleCount;
    e.SampleCount = n;
    NoteHealthOfPacket(e.Health, packet, e.LastEndTime, EffectiveRate(e), cat.Health);
    const double dt = TimeDiff(t, e.LastStartTime, TimeUnitSec);
    // A repeated time (dt 0) cannot give a rate, and must not divide by zero.
    if (dt > 0.0 && dt <= kMaxRateGapSeconds && e.MeasuredRate == 0.0)
        e.MeasuredRate = SnapMeasuredRate(e.PrevSampleCount / dt);
    e.LastStartTime = t;
    e.PrevSampleCount = n;
    const double rate = EffectiveRate(e);
    e.LastEndTime = rate > 0.0 ? TimeAdd(t, n * 1000.0 / rate) : t;

    if (added) {
        SortAndRenumber(cat);
        index = FindChannel(cat, packet.DasId, packet.Stream, packet.Channel);
    }
    indexOut = index;
    return cat.Entries[static_cast<std::size_t>(index)].Active != 0 ? index : -1;
}

bool UpdateFromEventHeader(ChannelCatalogue& cat, const EventHeaderInfo& info,
                           const QSettings* stored)
{
    QString name =
        QString::fromLatin1(info.Name, static_cast<qsizetype>(strnlen(info.Name, sizeof info.Name)))
            .left(kMaxNameLength);
    // A blank name field names the channel as a stored empty name does.
    if (name.isEmpty())
        name = UnitIdName(info.DasId);
    bool added = false;
    bool grew = true;
    for (int i = 0; i < kEventPositions; ++i) {
        const EventPosition& pos = info.Positions[i];
        if (!(pos.BitWeight > 0.0))
            continue;
        const auto channel = static_cast<std::uint16_t>(info.ChannelBank ? i + 16 : i);
        int index = FindChannel(cat, info.DasId, info.Stream, channel);
        if (index < 0) {
            if (!GrowTable(cat, info.DasId, info.Stream, channel)) {
                grew = false;
                break;
            }
            added = true;
            index = cat.Count() - 1;
            DasStreamChanInfo& e = cat.Entries.back();
            e.TraceColor = DefaultColor(i);
            ReadChannelDisplaySettings(stored, e);
        }
        DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(index)];
        e.Name = name;
        e.SampleRate = info.SampleRate;
        e.BitWeight = pos.BitWeight;
        e.VoltsPerUnit = pos.VoltsPerUnit;
        e.UnitCode = QString::fromLatin1(UnitCodeText(pos.Kind)).left(kMaxUnitCodeLength);
    }
    // Entries added before the table ran full still take their sorted place.
    if (added)
        SortAndRenumber(cat);
    return grew;
}

int CompareChannels(const DasStreamChanInfo& a, const DasStreamChanInfo& b, int sortColumn,
                    int sortOrder)
{
    static constexpr Key kOrders[5][5] = {
        {Key::Unit, Key::Stream, Key::Channel, Key::Rate, Key::Color},
        {Key::Stream, Key::Unit, Key::Channel, Key::Rate, Key::Color},
        {Key::Channel, Key::Unit, Key::Stream, Key::Rate, Key::Color},
        {Key::Rate, Key::Unit, Key::Stream, Key::Channel, Key::Color},
        {Key::Color, Key::Unit, Key::Stream, Key::Channel, Key::Rate},
    };
    if (sortColumn < 0 || sortColumn > 4)
        return 0;
    for (const Key key : kOrders[sortColumn]) {
        const int c = CompareKey(a, b, key);
        if (c != 0)
            return sortOrder == 0 ? -c : c;
    }
    return 0;
}

void SortCatalogue(ChannelCatalogue& cat)
{
    const int column = cat.SortColumn;
    const int order = cat.SortOrder;
    std::stable_sort(cat.Entries.begin(), cat.Entries.end(),
                     [column, order](const DasStreamChanInfo& a, const DasStreamChanInfo& b) {
                         return CompareChannels(a, b, column, order) < 0;
                     });
}

void RenumberActive(ChannelCatalogue& cat)
{
    int counter = 0;
    for (DasStreamChanInfo& e : cat.Entries) {
        if (e.Active == 1)
            e.DisplayIndex = counter++;
    }
}
