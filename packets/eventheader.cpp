#include "packets/eventheader.h"

#include "packets/bcd.h"
#include "packets/dataformat.h"
#include "packets/numbertext.h"
#include "packets/packetheader.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kEventKinds[] = {"CON", "CRS", "EVT", "EXT", "LVL",
                                       "RAD", "TIM", "VOT", "TML", "CMD"};

// The number at the start of a fixed-width field (leading blanks skipped); 0 when none.
double FieldNumber(const std::uint8_t* field, std::size_t width, bool* found = nullptr)
{
    // A NUL ends the text, as it would for a C string.
    std::size_t length = 0;
    while (length < width && field[length] != 0)
        ++length;
    const auto v = ReadDecimal(std::string_view(reinterpret_cast<const char*>(field), length));
    const bool ok = v && std::isfinite(*v);
    if (found)
        *found = ok;
    return ok ? *v : 0.0;
}

bool FieldContains(const std::uint8_t* field, std::size_t width, const char* unit)
{
    const std::size_t len = std::strlen(unit);
    for (std::size_t i = 0; i + len <= width; ++i) {
        if (std::memcmp(field + i, unit, len) == 0)
            return true;
    }
    return false;
}

double BitWeight(const std::uint8_t* field)
{
    bool found = false;
    const double number = FieldNumber(field, kEhBitWeightField.Width, &found);
    if (!found)
        return 0.0;
    if (FieldContains(field, kEhBitWeightField.Width, "mV"))
        return number * 0.001;
    if (FieldContains(field, kEhBitWeightField.Width, "uV"))
        return number * 0.000001;
    if (FieldContains(field, kEhBitWeightField.Width, "nV"))
        return number * 0.000000001;
    if (FieldContains(field, kEhBitWeightField.Width, "V"))
        return number;
    return 0.0;
}

UnitKind KindOf(std::uint8_t letter)
{
    switch (letter) {
    case 'D':
        return UnitKind::D;
    case 'V':
        return UnitKind::V;
    case 'A':
        return UnitKind::A;
    case 'G':
        return UnitKind::G;
    default:
        return UnitKind::None;
    }
}

} // namespace

const char* UnitCodeText(UnitKind kind)
{
    switch (kind) {
    case UnitKind::D:
        return "M";
    case UnitKind::V:
        return "M/S";
    case UnitKind::A:
        return "M/S^2";
    case UnitKind::G:
        return "G";
    case UnitKind::None:
        break;
    }
    return "Unk";
}

bool ParseEventHeader(std::span<const std::uint8_t> packet, EventHeaderInfo& info)
{
    // Fixed positions up to byte 943 are read; bytes the packet does not have count as blanks.
    std::uint8_t p[kEventHeaderSize];
    const std::size_t have = packet.size() < kEventHeaderSize ? packet.size() : kEventHeaderSize;
    if (have > 0)
        std::memcpy(p, packet.data(), have);
    std::memset(p + have, ' ', kEventHeaderSize - have);

    info = EventHeaderInfo{};
    info.DasId = ParsePacketHeader(p)->DasId;
    info.Stream = static_cast<std::uint16_t>(ReadBcd(p, kEhStreamField));

    if (!IsEventHeaderFormat(p[kEhFormatOffset]))
        return false;

    const std::uint8_t* name = p + kEhNameField.Offset;
    std::size_t start = 0;
    while (start < kEhNameField.Width && name[start] == ' ')
        ++start;
    std::size_t end = start;
    while (end < kEhNameField.Width && name[end] != ' ' && name[end] != '\0')
        ++end;
    std::memcpy(info.Name, name + start, end - start);
    info.Name[end - start] = '\0';

    info.SampleRate = FieldNumber(p + kEhRateField.Offset, kEhRateField.Width);

    bool known = false;
    for (const char* kind : kEventKinds)
        known = known || std::memcmp(p + kEhKindField.Offset, kind, kEhKindField.Width) == 0;
    if (!known)
        return false;

    info.ChannelBank = (p[kEhFlagsOffset] & kEhChannelBankFlag) != 0;

    for (int i = 0; i < kEventPositions; ++i) {
        EventPosition& pos = info.Positions[i];
        pos.BitWeight = BitWeight(p + kEhBitWeightField.Offset + kEhBitWeightField.Width * i);
        pos.VoltsPerUnit =
            FieldNumber(p + kEhVoltsPerUnitField.Offset + kEhVoltsPerUnitField.Width * i,
                        kEhVoltsPerUnitField.Width);
        pos.Kind = KindOf(p[kEhUnitOffset + i]);
        if (pos.Kind == UnitKind::None || pos.VoltsPerUnit == 0.0) {
            pos.Kind = UnitKind::None;
            pos.VoltsPerUnit = 0.0;
        }
    }
    return true;
}
