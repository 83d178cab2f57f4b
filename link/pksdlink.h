#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

class QSettings;
struct ChannelCatalogue;
struct ConnectionState;
struct PacketStore;

inline constexpr int kReconnectIntervalMs = 10000;

// The one connection to PKSD: handshake, receive loop and reconnection. The socket's signals
// reach the slots below exactly once per event; closes this object starts itself are never
// reported as closures by the peer.
class PksdLink : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PksdLink)

public:
    // stored holds the settings of channels not heard yet; it must outlive the link.
    PksdLink(ConnectionState& conn, PacketStore& store, ChannelCatalogue& cat,
             const QSettings* stored, QObject* parent = nullptr);
    ~PksdLink() override;

    QTcpSocket& pksdSocket() { return socket_; }
    QTimer& reconnectTimer() { return reconnectTimer_; }

    // Drops any connection or attempt and connects to PksdHost:PksdPort.
    void ReconnectPksd();
    // The connection request of OpenPksd and of start-up.
    void Connect();
    // No more reconnection; drains and closes the socket.
    void Close();

public slots:
    void slotConnected();
    void slotReadyRead();
    void slotError(int code);
    void slotClosed();
    void sloatClosedDelay();
    void SockTimeout();

signals:
    void statusMessage(const QString& text);
    // A receive pass handled at least one DT frame.
    void dataIngested();

private:
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnSocketDisconnected();
    void DiscardIncoming();
    void CloseSocket();
    void ScheduleReconnect();

    ConnectionState& conn_;
    PacketStore& store_;
    ChannelCatalogue& cat_;
    const QSettings* stored_ = nullptr;
    QTcpSocket socket_;
    QTimer reconnectTimer_;
    bool closingOurselves_ = false; // inside our own close()/abort()
    bool delayedClose_ = false;     // our close() is waiting for pending output
};
