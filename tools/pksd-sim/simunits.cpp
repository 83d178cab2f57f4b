#include "simunits.h"

#include "packets/numbertext.h"

#include <string>

namespace {

struct SensorKind
{
    const char* bitWeight;
    const char* voltsPerUnit;
    char unit;
};

// Three-component groups: a velocity sensor, an accelerometer, a displacement sensor.
constexpr SensorKind kSensors[] = {
    {"1.5uV", "20.0", 'V'},
    {"2.4uV", "1.25", 'A'},
    {"0.6uV", "500", 'D'},
};

// "%4g", but with a '.' whatever the locale: the recorders write it so.
std::string RateText(double rate)
{
    std::string text = FormatG(rate);
    if (text.size() < 4)
        text.insert(0, 4 - text.size(), ' ');
    return text;
}

} // namespace

SampleFormat ChannelFormat(FormatChoice choice, int unitIndex, int channel)
{
    switch (choice) {
    case FormatChoice::Steim1:
        return FormatSteim1;
    case FormatChoice::Steim2:
        return FormatSteim2;
    case FormatChoice::Int16:
        return FormatInt16;
    case FormatChoice::Int32:
        return FormatInt32;
    case FormatChoice::Mixed:
        break;
    }
    constexpr SampleFormat kCycle[] = {FormatSteim2, FormatSteim1, FormatInt32, FormatInt16};
    return kCycle[(unitIndex + channel) % 4];
}

int BankCount(int channels)
{
    return (channels + 15) / 16;
}

EventHeaderFields MakeEventHeader(const SimOptions& options, int unitIndex, int stream, int bank,
                                  const DayTime& time)
{
    EventHeaderFields fields;
    fields.Header.Experiment = static_cast<std::uint16_t>(options.Experiment);
    fields.Header.DasId = options.Units[static_cast<std::size_t>(unitIndex)];
    fields.Header.Time = time;
    fields.Stream = static_cast<std::uint16_t>(stream);
    fields.ChannelBank = bank > 0;
    fields.FormatByte = DtFormatByte(ChannelFormat(options.Format, unitIndex, bank * 16));
    fields.Name = std::to_string(stream + 1);
    fields.Name.insert(0, 1, 'S');
    fields.SampleRate = RateText(options.Rate);
    fields.EventKind = "CON";
    for (int i = 0; i < 16; ++i) {
        const int channel = bank * 16 + i;
        if (channel >= options.Channels)
            break;
        const SensorKind& sensor = kSensors[(channel / 3) % 3];
        EventPositionText& position = fields.Positions[static_cast<std::size_t>(i)];
        position.BitWeight = sensor.bitWeight;
        position.VoltsPerUnit = sensor.voltsPerUnit;
        position.Unit = sensor.unit;
    }
    return fields;
}
