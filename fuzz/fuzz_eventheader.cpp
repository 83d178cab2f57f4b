// ParseEventHeader on the input as it stands, of any length.
#include "fuzz/fuzzcheck.h"
#include "packets/eventheader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EventHeaderInfo info;
    const bool ok = ParseEventHeader(std::span(data, size), info);
    FUZZ_CHECK(std::memchr(info.Name, '\0', sizeof info.Name) != nullptr);
    FUZZ_CHECK(std::strchr(info.Name, ' ') == nullptr);
    FUZZ_CHECK(std::isfinite(info.SampleRate));
    for (const EventPosition& p : info.Positions) {
        FUZZ_CHECK(std::isfinite(p.BitWeight));
        FUZZ_CHECK(std::isfinite(p.VoltsPerUnit));
        FUZZ_CHECK(p.Kind == UnitKind::None || p.VoltsPerUnit != 0.0);
        if (!ok)
            FUZZ_CHECK(p.BitWeight == 0.0);
    }
    return 0;
}
