#pragma once

#include <QString>

#include <cstdint>

// PKSD's port when nothing else is said, for the monitor and the tools.
inline constexpr std::uint16_t kDefaultPksdPort = 2543;

// Where the server is and what the operator asked of the link. One instance for the program.
struct ConnectionState
{
    QString PksdHost = QStringLiteral("localhost");
    std::uint16_t PksdPort = kDefaultPksdPort;
    int AutoStartPKSD = 0;    // a connection is wanted: errors and closures reconnect
    int AutoStartMonitor = 0; // the monitor timer runs
    QString LastSocketEvent;  // "slotError", "slotClosed", "slotClosedDelay" or "slotNoData"
    std::int32_t ReconnectCount = 0;
    // A connection silent this many seconds is shown as such, and one silent the second many
    // is closed and made again while it is wanted; 0 turns either off.
    int NoDataWarning = 60;
    int NoDataReconnect = 600;
};
