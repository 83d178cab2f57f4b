#include "store/healthboard.h"

#include "store/channelcatalogue.h"
#include "store/channelsettings.h"
#include "store/healthtext.h"
#include "store/storedvalues.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace {

const QString kChannelRoot = QStringLiteral("/ovqt_dislay/DasStreamChanInfo");

// "%04X%02d%02d" back into its three numbers.
bool ParseChannelKey(const QString& k, StoredSelection& out)
{
    if (k.size() != 8)
        return false;
    bool okUnit = false;
    bool okStream = false;
    bool okChannel = false;
    const uint unit = k.left(4).toUInt(&okUnit, 16);
    const uint stream = k.mid(4, 2).toUInt(&okStream, 10);
    const uint channel = k.mid(6, 2).toUInt(&okChannel, 10);
    if (!okUnit || !okStream || !okChannel)
        return false;
    out.DasId = static_cast<std::uint16_t>(unit);
    out.Stream = static_cast<std::uint16_t>(stream);
    out.Channel = static_cast<std::uint16_t>(channel);
    return true;
}

std::uint64_t Mix(std::uint64_t stamp, std::uint64_t value)
{
    return (stamp ^ value) * 1099511628211ULL;
}

} // namespace

void ReadStoredSelection(QSettings& s, HealthBoard& board)
{
    board.Stored.clear();
    s.beginGroup(kChannelRoot);
    const QStringList keys = s.childGroups();
    s.endGroup();
    for (const QString& k : keys) {
        StoredSelection sel;
        if (!ParseChannelKey(k, sel))
            continue;
        const QString key = kChannelRoot + u'/' + k;
        if (StoredFlag(s, key + u"/Active").value_or(0) == 0)
            continue;
        sel.Name = StoredText(s, key + u"/Name").value_or(QString()).left(kMaxNameLength);
        if (sel.Name.isEmpty())
            sel.Name = UnitIdName(sel.DasId);
        board.Stored.push_back(sel);
    }
}

bool JudgeHealth(HealthBoard& board, ChannelCatalogue& cat, std::int64_t nowMs)
{
    HealthCounts counts;
    std::uint64_t stamp = 14695981039346656037ULL;
    for (DasStreamChanInfo& e : cat.Entries) {
        JudgeChannelHealth(e.Health, e.LastEndTime, e.Active != 0, cat.Health, nowMs);
        if (e.Health.Worst == HealthState::Idle)
            continue;
        ++counts.Total;
        ++counts.ByWorst[static_cast<int>(e.Health.Worst)];
        if (e.Active != 0) {
            stamp = Mix(stamp, static_cast<std::uint64_t>(e.DisplayIndex));
            stamp = Mix(stamp, std::hash<QString>{}(HealthMarkText(e.Health)));
        }
    }
    for (StoredSelection& sel : board.Stored) {
        if (!sel.InCatalogue)
            sel.InCatalogue = FindChannel(cat, sel.DasId, sel.Stream, sel.Channel) >= 0;
        if (sel.InCatalogue || !cat.Health.Enabled)
            continue;
        ++counts.Total;
        ++counts.ByWorst[static_cast<int>(HealthState::NeverHeard)];
    }
    board.Counts = counts;
    const bool changed = stamp != board.MarkStamp;
    board.MarkStamp = stamp;
    return changed;
}

std::vector<HealthRow> HealthRows(const HealthBoard& board, const ChannelCatalogue& cat)
{
    std::vector<HealthRow> rows;
    for (int i = 0; i < cat.Count(); ++i) {
        const HealthState w = cat.Entries[static_cast<std::size_t>(i)].Health.Worst;
        if (w != HealthState::Idle)
            rows.push_back({i, -1, w});
    }
    for (int i = 0; i < static_cast<int>(board.Stored.size()); ++i) {
        if (!board.Stored[static_cast<std::size_t>(i)].InCatalogue)
            rows.push_back({-1, i, HealthState::NeverHeard});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const HealthRow& a, const HealthRow& b) {
        return static_cast<int>(a.Worst) < static_cast<int>(b.Worst);
    });
    return rows;
}
