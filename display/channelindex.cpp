#include "display/channelindex.h"

#include "store/channelcatalogue.h"

#include <algorithm>

namespace {

std::uint64_t IdsOf(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel)
{
    return (std::uint64_t{dasId} << 32) | (std::uint64_t{stream} << 16) | channel;
}

} // namespace

ChannelIndex::ChannelIndex(const ChannelCatalogue& cat, Entries which)
{
    for (int i = 0; i < cat.Count(); ++i) {
        const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(i)];
        if (e.Active && (which == Entries::Active || !e.ScaleSet))
            keys.push_back({IdsOf(e.DasId, e.Stream, e.Channel), i});
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Key& a, const Key& b) { return a.Ids < b.Ids; });
}

int ChannelIndex::FindActive(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel) const
{
    const std::uint64_t ids = IdsOf(dasId, stream, channel);
    const auto it = std::lower_bound(keys.begin(), keys.end(), ids,
                                     [](const Key& k, std::uint64_t v) { return k.Ids < v; });
    return it != keys.end() && it->Ids == ids ? it->Entry : -1;
}
