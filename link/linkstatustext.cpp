#include "link/linkstatustext.h"

#include "link/connectionstate.h"

QString SocketStateWord(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        return QStringLiteral("Idle ");
    case QAbstractSocket::HostLookupState:
        return QStringLiteral("HostLookup ");
    case QAbstractSocket::ConnectingState:
        return QStringLiteral("Connecting ");
    case QAbstractSocket::ConnectedState:
        return QStringLiteral("Connected ");
    case QAbstractSocket::ClosingState:
        return QStringLiteral("Closing ");
    default:
        return QStringLiteral("Unknown ");
    }
}

QString ReconnectStatusText(const QString& stateWord, const ConnectionState& conn, std::int32_t n)
{
    return stateWord + conn.LastSocketEvent + QLatin1String(" ") + QLatin1String("Reconnecting ") +
           QLatin1String(" ") + conn.PksdHost + QLatin1String(" ") +
           QString::number(conn.PksdPort) + QString::number(n);
}

QString SocketClosedText(const ConnectionState& conn)
{
    return QLatin1String("Socket Closed ") + conn.PksdHost + QString::number(conn.PksdPort);
}

QString BadFrameText()
{
    return QStringLiteral("Bad frame from PKSD, connection closed");
}
