#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <memory>

// One client's TCP connection to PKSD and its life cycle, for the monitor and the tools alike:
// connect, send the handshake once the connection stands, report each socket event exactly
// once, and keep the reconnect timer. Closes this object starts itself are never reported as
// closes by the peer. What a failure means (a message, a reconnect) is the owner's to decide.
class PksdConnection : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PksdConnection)

public:
    // socket replaces the plain QTcpSocket, for tests that need one that fails on purpose.
    explicit PksdConnection(int reconnectMs, std::unique_ptr<QTcpSocket> socket = {},
                            QObject* parent = nullptr);
    ~PksdConnection() override;

    QTcpSocket& Socket() { return *socket_; }
    const QTcpSocket& Socket() const { return *socket_; }
    QTimer& ReconnectTimer() { return reconnectTimer_; }

    // Drops any connection or attempt at once and connects anew.
    void ConnectTo(const QString& host, std::uint16_t port);
    // Discards what came in; a standing connection first writes what it holds (then
    // delayedCloseFinished follows), an attempt is dropped at once.
    void Close();
    // Drops the connection or attempt at once, output and all.
    void Abort();
    // Starts the reconnect timer anew.
    void ScheduleReconnect() { reconnectTimer_.start(); }

signals:
    // The connection stands; the handshake is about to be written.
    void connected();
    // Every byte of the handshake went out; the reconnect timer has stopped.
    void handshakeWritten();
    // Any error, a handshake that could not be written among them, with the reason.
    void failed(const QString& why);
    void peerClosed();
    // A close of ours that waited for pending output has finished.
    void delayedCloseFinished();
    void readyRead();
    void reconnectDue();

private:
    void OnConnected();
    void OnError(QAbstractSocket::SocketError error);
    void OnDisconnected();
    void DiscardIncoming();

    std::unique_ptr<QTcpSocket> socket_;
    QTimer reconnectTimer_;
    bool closingOurselves_ = false; // inside our own close()/abort()
    bool delayedClose_ = false;     // our close() is waiting for pending output
};
