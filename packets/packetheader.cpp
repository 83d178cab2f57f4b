#include "packets/packetheader.h"

#include "packets/bcd.h"
#include "packets/byteorder.h"

std::optional<PacketHeader> ParsePacketHeader(std::span<const std::uint8_t> packet)
{
    if (packet.size() < kPacketHeaderSize)
        return std::nullopt;
    const std::uint8_t* p = packet.data();
    PacketHeader h;
    h.Experiment = static_cast<std::uint16_t>(ReadBcd(p, kExperimentField));
    const int yy = static_cast<int>(ReadBcd(p, kYearField));
    const int year = yy < 88 ? 2000 + yy : 1900 + yy;
    h.DasId = NetToHost16(LoadRaw16(p + kDasIdOffset));
    const int doy = static_cast<int>(ReadBcd(p, kDayOfYearField));
    const int hour = static_cast<int>(ReadBcd(p, kHourField));
    const int minute = static_cast<int>(ReadBcd(p, kMinuteField));
    const int second = static_cast<int>(ReadBcd(p, kSecondField));
    const int msec = static_cast<int>(ReadBcd(p, kMsecField));
    h.Sequence = static_cast<std::uint16_t>(ReadBcd(p, kSequenceField));

    // Same result as scanning the printed time text; fields never exceed their BCD widths,
    // so nothing here can overflow.
    h.Time.Day = DayNumberFromDoy(year, doy);
    h.Time.Msec = hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec;
    while (h.Time.Msec > kMsecPerDay) {
        ++h.Time.Day;
        h.Time.Msec -= kMsecPerDay;
    }
    return h;
}
