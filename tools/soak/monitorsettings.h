#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct ChannelChoice
{
    std::uint16_t DasId = 0;
    std::uint16_t Stream = 0;
    std::uint16_t Channel = 0;
    bool Active = true;
};

struct MonitorSettings
{
    std::uint16_t Port = 0;
    int NringBuffer = 1000;
    int TimeRange = 120;
    int KeepSel = 1;
    std::vector<ChannelChoice> Channels;
};

// An INI store that makes the main window connect to 127.0.0.1:Port and start the monitor as
// soon as it loads its settings.
void WriteMonitorSettings(const QString& iniFile, const MonitorSettings& settings);
