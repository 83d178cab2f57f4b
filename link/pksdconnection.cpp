#include "link/pksdconnection.h"

#include "link/frame.h"
#include "link/handshake.h"

#include <QCoreApplication>

#include <span>
#include <utility>

PksdConnection::PksdConnection(int reconnectMs, std::unique_ptr<QTcpSocket> socket, QObject* parent)
    : QObject(parent), socket_(socket ? std::move(socket) : std::make_unique<QTcpSocket>())
{
    reconnectTimer_.setInterval(reconnectMs);
    // A coarse timer may fire up to 5 % early; operators are promised the full interval.
    reconnectTimer_.setTimerType(Qt::PreciseTimer);
    // Bounded, so a client that falls behind a fast server pushes back through TCP instead of
    // buffering without limit; it holds many whole frames, so a reader never starves.
    socket_->setReadBufferSize(64 * static_cast<qint64>(kMaxFrameBytes));
    connect(&reconnectTimer_, &QTimer::timeout, this, &PksdConnection::reconnectDue);
    connect(socket_.get(), &QTcpSocket::connected, this, &PksdConnection::OnConnected);
    connect(socket_.get(), &QTcpSocket::readyRead, this, &PksdConnection::readyRead);
    connect(socket_.get(), &QTcpSocket::errorOccurred, this, &PksdConnection::OnError);
    connect(socket_.get(), &QTcpSocket::disconnected, this, &PksdConnection::OnDisconnected);
}

PksdConnection::~PksdConnection()
{
    // The socket's last disconnected() must not reach an owner being destroyed.
    socket_->disconnect(this);
    socket_->abort();
}

void PksdConnection::ConnectTo(const QString& host, std::uint16_t port)
{
    Abort();
    socket_->connectToHost(host, port);
}

void PksdConnection::Close()
{
    DiscardIncoming();
    const bool standing = socket_->state() == QAbstractSocket::ConnectedState;
    closingOurselves_ = true;
    if (standing)
        socket_->close();
    else
        socket_->abort();
    closingOurselves_ = false;
    delayedClose_ = socket_->state() == QAbstractSocket::ClosingState;
}

void PksdConnection::Abort()
{
    closingOurselves_ = true;
    socket_->abort();
    closingOurselves_ = false;
    delayedClose_ = false;
}

void PksdConnection::OnConnected()
{
    emit connected();
    // A peer that vanishes without a reset is found by the system in the end.
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const HandshakeMessages m =
        BuildHandshake(static_cast<std::uint32_t>(QCoreApplication::applicationPid()));
    auto writes = [this](std::span<const std::uint8_t> bytes) {
        return socket_->write(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
    };
    // Header and payload as separate writes, each of which must take every byte.
    constexpr std::size_t h = kFrameHeaderBytes;
    const bool written = writes(m.Opening) && writes(std::span(m.Identification).first(h)) &&
                         writes(std::span(m.Identification).subspan(h)) &&
                         writes(std::span(m.Request).first(h)) &&
                         writes(std::span(m.Request).subspan(h));
    if (!written) {
        emit failed(QStringLiteral("Handshake not sent: ") + socket_->errorString());
        return;
    }
    reconnectTimer_.stop();
    emit handshakeWritten();
}

void PksdConnection::OnError(QAbstractSocket::SocketError error)
{
    if (closingOurselves_)
        return;
    if (error != QAbstractSocket::RemoteHostClosedError) {
        emit failed(socket_->errorString());
        return;
    }
    // A peer close is followed by disconnected(), handled there; without a connection left
    // to lose none will come, so it is handled now.
    if (socket_->state() == QAbstractSocket::UnconnectedState)
        emit peerClosed();
}

void PksdConnection::OnDisconnected()
{
    if (closingOurselves_)
        return;
    if (delayedClose_) {
        delayedClose_ = false;
        emit delayedCloseFinished();
        return;
    }
    emit peerClosed();
}

void PksdConnection::DiscardIncoming()
{
    const qint64 available = socket_->bytesAvailable();
    if (available > 0)
        socket_->skip(available);
}
