#include "display/tracemapping.h"

#include "display/saturate.h"

TraceBand BandOf(int y0, double h, std::int32_t displayIndex)
{
    const double k = displayIndex;
    return {TruncToInt32(y0 + k * h), TruncToInt32(y0 + (k + 1.0) * h)};
}
