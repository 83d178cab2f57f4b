#pragma once

#include <cstdint>
#include <vector>

struct ChannelCatalogue;

// The active catalogue entries by unit, stream and channel, built once per redraw so that each
// ring slot finds its entry by binary search instead of a walk through the catalogue.
class ChannelIndex
{
public:
    enum class Entries
    {
        Active,
        ActiveWithoutScale, // active entries whose scale is not yet set from data
    };

    explicit ChannelIndex(const ChannelCatalogue& cat, Entries which = Entries::Active);

    // Index into the catalogue of the active entry with these ids, or -1.
    int FindActive(std::uint16_t dasId, std::uint16_t stream, std::uint16_t channel) const;

private:
    struct Key
    {
        std::uint64_t Ids = 0;
        int Entry = 0;
    };
    std::vector<Key> keys;
};
