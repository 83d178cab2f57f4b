#pragma once

#include "bench/ingest/cputime.h"
#include "link/bytespan.h"

#include <QByteArray>

#include <algorithm>
#include <vector>

inline constexpr int kBestOfTrials = 5;
inline constexpr double kTrialSeconds = 0.2;

// Best time per packet of kBestOfTrials trials of whole passes over the payloads.
template <typename Step> double BestNsPerPacket(const std::vector<QByteArray>& payloads, Step step)
{
    double best = 1e300;
    for (int t = 0; t < kBestOfTrials; ++t) {
        long long packets = 0;
        const double start = WallSeconds();
        double seconds = 0.0;
        do {
            for (const QByteArray& p : payloads)
                step(ByteSpan(p));
            packets += static_cast<long long>(payloads.size());
            seconds = WallSeconds() - start;
        } while (seconds < kTrialSeconds);
        best = std::min(best, seconds * 1e9 / static_cast<double>(packets));
    }
    return best;
}
