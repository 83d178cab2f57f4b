#include "tools/soak/clientframes.h"

#include <cstdint>

namespace {

constexpr qsizetype kHeader = 6;
constexpr qsizetype kMaxPayload = 1024;

} // namespace

std::vector<QByteArray> ClientDtPayloads(const QByteArray& bytes)
{
    std::vector<QByteArray> out;
    qsizetype at = 0;
    while (bytes.size() - at >= kHeader + kMaxPayload) {
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
        const auto length =
            static_cast<std::int32_t>((std::uint32_t{h[2]} << 24) | (std::uint32_t{h[3]} << 16) |
                                      (std::uint32_t{h[4]} << 8) | std::uint32_t{h[5]});
        if (length < 0 || length > kMaxPayload)
            break;
        const char* payload = bytes.constData() + at + kHeader;
        if (length == kMaxPayload && payload[0] == 'D' && payload[1] == 'T')
            out.emplace_back(payload, kMaxPayload);
        at += kHeader + length;
    }
    return out;
}
