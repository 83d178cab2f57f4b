#include "tools/inspect/channelrate.h"

double KnownRate(const ChannelCatalogue& catalogue, const ChannelKey& key)
{
    const int index = FindChannel(catalogue, key.DasId, key.Stream, key.Channel);
    if (index < 0)
        return 0.0;
    return EffectiveRate(catalogue.Entries[static_cast<std::size_t>(index)]);
}
