#pragma once

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QObject>

#include <vector>

class QTcpSocket;

// What the monitor's socket went through, with the time of each step, told from its state
// changes alone: attempts, connections, closures of a standing connection and failed attempts.
class LinkWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkWatch)

public:
    enum class Kind
    {
        Attempt,
        Connected,
        Closed,
        Refused
    };
    struct Event
    {
        Kind What;
        double Seconds; // since the watch began
    };

    explicit LinkWatch(QTcpSocket& socket, QObject* parent = nullptr);

    const std::vector<Event>& Events() const { return events_; }
    int Count(Kind kind) const;
    // For every closure or failed attempt that was followed by a new attempt: the seconds
    // between them.
    std::vector<double> ReconnectDelays() const;

signals:
    void connected();

private slots:
    void StateChanged(QAbstractSocket::SocketState state);

private:
    QElapsedTimer clock_;
    QAbstractSocket::SocketState last_ = QAbstractSocket::UnconnectedState;
    std::vector<Event> events_;
};
