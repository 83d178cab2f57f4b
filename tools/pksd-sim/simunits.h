#pragma once

#include "simoptions.h"

#include "packets/packetwriter.h"

// How the simulated units are set up: the data format of each channel and the event header
// that describes each bank of 16 channels of a stream.
SampleFormat ChannelFormat(FormatChoice choice, int unitIndex, int channel);

int BankCount(int channels);

EventHeaderFields MakeEventHeader(const SimOptions& options, int unitIndex, int stream, int bank,
                                  const DayTime& time);
