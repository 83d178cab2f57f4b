#pragma once

#include "link/framerate.h"
#include "link/linkstatus.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <functional>

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
    const LinkStatus& linkStatus() const { return status_; }
    // The permanent status field's text, and whether it warns of a silent server.
    QString LinkStatusText() const;
    bool LinkIsSilent() const;

    // Milliseconds of a monotonic clock; tests move time by hand.
    void SetClock(std::function<std::int64_t()> msecNow);

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
    // Once a second: the packet rate, the retry countdown, and the silence rule.
    void RefreshStatus();

signals:
    void statusMessage(const QString& text);
    // A receive pass handled at least one DT frame.
    void dataIngested();
    // The permanent field's text may have changed.
    void linkStatusChanged();

private:
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnSocketDisconnected();
    void DiscardIncoming();
    void CloseSocket();
    void ScheduleReconnect();
    void Fail(const QString& why);
    void ReconnectAfterSilence();
    std::int64_t Now() const { return clock_(); }

    ConnectionState& conn_;
    PacketStore& store_;
    ChannelCatalogue& cat_;
    const QSettings* stored_ = nullptr;
    QTcpSocket socket_;
    QTimer reconnectTimer_;
    QTimer refreshTimer_;
    QElapsedTimer started_;
    std::function<std::int64_t()> clock_;
    LinkStatus status_;
    FrameRate rate_;
    bool closingOurselves_ = false; // inside our own close()/abort()
    bool delayedClose_ = false;     // our close() is waiting for pending output
};
