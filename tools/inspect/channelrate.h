#pragma once

#include "store/channelcatalogue.h"
#include "tools/inspect/seednames.h"

// The channel's rate as the monitor knows it: its latest event header's, else the one measured
// between two of its packets; 0 when neither is known.
double KnownRate(const ChannelCatalogue& catalogue, const ChannelKey& key);
