#pragma once

#include "display/displaystate.h"
#include "link/connectionstate.h"
#include "store/channelcatalogue.h"
#include "store/healthboard.h"
#include "store/packetring.h"

// The program-wide records, one instance each: main() makes them, the main window and the
// settings store work on them by reference.
struct ProgramState
{
    ConnectionState Connection;
    PacketStore Store;
    ChannelCatalogue Catalogue;
    DisplayState Display;
    HealthBoard Health;
};
