#include "tools/soak/linkwatch.h"

#include <QTcpSocket>

LinkWatch::LinkWatch(QTcpSocket& socket, QObject* parent) : QObject(parent), last_(socket.state())
{
    clock_.start();
    connect(&socket, &QAbstractSocket::stateChanged, this, &LinkWatch::StateChanged);
}

int LinkWatch::Count(Kind kind) const
{
    int n = 0;
    for (const Event& e : events_)
        n += e.What == kind ? 1 : 0;
    return n;
}

std::vector<double> LinkWatch::ReconnectDelays() const
{
    std::vector<double> delays;
    double downAt = -1.0;
    for (const Event& e : events_) {
        if (e.What == Kind::Closed || e.What == Kind::Refused) {
            downAt = e.Seconds;
        } else if (e.What == Kind::Attempt && downAt >= 0.0) {
            delays.push_back(e.Seconds - downAt);
            downAt = -1.0;
        }
    }
    return delays;
}

void LinkWatch::StateChanged(QAbstractSocket::SocketState state)
{
    const double now = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    const QAbstractSocket::SocketState before = last_;
    last_ = state;
    const bool wasIdle = before == QAbstractSocket::UnconnectedState;
    const bool wasTrying =
        before == QAbstractSocket::HostLookupState || before == QAbstractSocket::ConnectingState;
    switch (state) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        if (wasIdle)
            events_.push_back({Kind::Attempt, now});
        break;
    case QAbstractSocket::ConnectedState:
        events_.push_back({Kind::Connected, now});
        emit connected();
        break;
    case QAbstractSocket::UnconnectedState:
        if (!wasIdle)
            events_.push_back({wasTrying ? Kind::Refused : Kind::Closed, now});
        break;
    default:
        break;
    }
}
