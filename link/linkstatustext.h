#pragma once

#include <QAbstractSocket>
#include <QString>

#include <cstdint>

struct ConnectionState;

// "Idle ", "HostLookup ", "Connecting ", "Connected ", "Closing " or "Unknown ".
QString SocketStateWord(QAbstractSocket::SocketState state);

// State word, last socket event, "Reconnecting ", host, port and the tick count n; the count
// follows the port without a separator.
QString ReconnectStatusText(const QString& stateWord, const ConnectionState& conn, std::int32_t n);

// "Socket Closed " followed directly by host and port.
QString SocketClosedText(const ConnectionState& conn);

QString BadFrameText();
