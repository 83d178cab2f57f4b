#pragma once

#include "link/framerate.h"
#include "link/linkstatus.h"
#include "link/pksdconnection.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class QSettings;
struct ChannelCatalogue;
struct ConnectionState;
struct PacketStore;

inline constexpr int kReconnectIntervalMs = 10000;

// The monitor's connection to PKSD: the receive loop, the status texts and when to reconnect,
// over the connection life cycle of PksdConnection.
class PksdLink : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PksdLink)

public:
    // stored holds the settings of channels not heard yet; it must outlive the link. socket
    // replaces the plain QTcpSocket, for tests.
    PksdLink(ConnectionState& conn, PacketStore& store, ChannelCatalogue& cat,
             const QSettings* stored, QObject* parent = nullptr,
             std::unique_ptr<QTcpSocket> socket = {});
    ~PksdLink() override;

    QTcpSocket& pksdSocket() { return connection_.Socket(); }
    QTimer& reconnectTimer() { return connection_.ReconnectTimer(); }
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
    void OnHandshakeWritten();
    // Every failure of the connection, a handshake that could not be written among them.
    void OnFailed(const QString& why);
    void CloseSocket();
    void ScheduleReconnect();
    void Fail(const QString& why);
    void ReconnectAfterSilence();
    std::int64_t Now() const { return clock_(); }

    ConnectionState& conn_;
    PacketStore& store_;
    ChannelCatalogue& cat_;
    const QSettings* stored_ = nullptr;
    PksdConnection connection_;
    QTcpSocket& socket_;
    QTimer refreshTimer_;
    QElapsedTimer started_;
    std::function<std::int64_t()> clock_;
    LinkStatus status_;
    FrameRate rate_;
};
