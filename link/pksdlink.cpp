#include "link/pksdlink.h"

#include "link/connectionstate.h"
#include "link/frame.h"
#include "link/framereceiver.h"
#include "link/handshake.h"
#include "link/linkstatustext.h"
#include "store/packetring.h"

#include <QCoreApplication>

#include <utility>

PksdLink::PksdLink(ConnectionState& conn, PacketStore& store, ChannelCatalogue& cat,
                   const QSettings* stored, QObject* parent)
    : QObject(parent), conn_(conn), store_(store), cat_(cat), stored_(stored)
{
    started_.start();
    clock_ = [this] { return started_.elapsed(); };
    refreshTimer_.setInterval(1000);
    connect(&refreshTimer_, &QTimer::timeout, this, &PksdLink::RefreshStatus);
    refreshTimer_.start();
    reconnectTimer_.setInterval(kReconnectIntervalMs);
    // A coarse timer may fire up to 5 % early; operators are promised 10 s between attempts.
    reconnectTimer_.setTimerType(Qt::PreciseTimer);
    // Bounded, so a client that falls behind a fast server pushes back through TCP instead of
    // buffering without limit; it holds many whole frames, so the receive loop never starves.
    socket_.setReadBufferSize(64 * static_cast<qint64>(kMaxFrameBytes));
    connect(&reconnectTimer_, &QTimer::timeout, this, &PksdLink::SockTimeout);
    connect(&socket_, &QTcpSocket::connected, this, &PksdLink::slotConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &PksdLink::slotReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &PksdLink::OnSocketError);
    connect(&socket_, &QTcpSocket::disconnected, this, &PksdLink::OnSocketDisconnected);
}

PksdLink::~PksdLink()
{
    // The socket is destroyed after this body; its last disconnected() must not reach us.
    socket_.disconnect(this);
    socket_.abort();
}

void PksdLink::SetClock(std::function<std::int64_t()> msecNow)
{
    clock_ = std::move(msecNow);
}

QString PksdLink::LinkStatusText() const
{
    return ::LinkStatusText(status_, Now(), conn_.NoDataWarning);
}

bool PksdLink::LinkIsSilent() const
{
    return ::LinkIsSilent(status_, Now(), conn_.NoDataWarning);
}

void PksdLink::ReconnectPksd()
{
    closingOurselves_ = true;
    socket_.abort();
    closingOurselves_ = false;
    delayedClose_ = false;
    status_ = LinkStatus{};
    status_.Phase = LinkPhase::Connecting;
    status_.Server = ServerText(conn_.PksdHost, conn_.PksdPort);
    emit linkStatusChanged();
    socket_.connectToHost(SocketHost(conn_.PksdHost), conn_.PksdPort);
}

void PksdLink::Connect()
{
    ReconnectPksd();
}

void PksdLink::Close()
{
    conn_.AutoStartPKSD = 0;
    reconnectTimer_.stop();
    CloseSocket();
    status_.Phase = LinkPhase::Closed;
    status_.RetryAtMs = -1;
    emit linkStatusChanged();
}

void PksdLink::slotConnected()
{
    emit statusMessage(QStringLiteral("HandShaking with PKSD"));
    status_.Phase = LinkPhase::Handshaking;
    emit linkStatusChanged();
    // A peer that vanishes without a reset is found by the system in the end.
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto processId = static_cast<std::uint32_t>(QCoreApplication::applicationPid());
    const HandshakeMessages m = BuildHandshake(processId);
    auto writes = [this](const std::uint8_t* data, std::size_t size) {
        return socket_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
               static_cast<qint64>(size);
    };
    constexpr std::size_t h = kFrameHeaderBytes;
    const bool written = writes(m.Opening.data(), h) && writes(m.Identification.data(), h) &&
                         writes(m.Identification.data() + h, m.Identification.size() - h) &&
                         writes(m.Request.data(), h) &&
                         writes(m.Request.data() + h, m.Request.size() - h);
    // A failed handshake leaves a running timer to reconnect at its next tick.
    if (!written)
        return;
    reconnectTimer_.stop();
    // Silence is counted from here until the first frame.
    status_.Phase = LinkPhase::Connected;
    status_.RetryAtMs = -1;
    status_.LastFrameMs = Now();
    rate_.Restart(status_.LastFrameMs, status_.Frames);
    emit linkStatusChanged();
}

void PksdLink::slotReadyRead()
{
    StatusLine status;
    const ReceiveResult result = ReceiveFrames(socket_, store_, cat_, stored_, status);
    if (status.Shown) {
        char text[128];
        FormatStatusLine(status, text, sizeof text);
        emit statusMessage(QString::fromLatin1(text));
    }
    if (result.DtFrames > 0)
        emit dataIngested();
    if (result.Frames > 0) {
        status_.Frames += result.Frames;
        status_.LastFrameMs = Now();
    }
    if (result.Stop == ReceiveStop::BadFrame) {
        // Reading on would be out of step with the frames; the operator is told and, when a
        // connection is wanted, it is re-established like after any other failure.
        conn_.LastSocketEvent = QStringLiteral("slotError");
        CloseSocket();
        emit statusMessage(BadFrameText());
        Fail(QStringLiteral("Bad frame from PKSD"));
        ScheduleReconnect();
    }
}

void PksdLink::slotError(int)
{
    conn_.LastSocketEvent = QStringLiteral("slotError");
    // The socket's own words, before the close replaces them.
    Fail(socket_.errorString());
    CloseSocket();
    ScheduleReconnect();
}

void PksdLink::slotClosed()
{
    conn_.LastSocketEvent = QStringLiteral("slotClosed");
    CloseSocket();
    emit statusMessage(SocketClosedText(conn_));
    Fail(QStringLiteral("Closed by PKSD"));
    ScheduleReconnect();
}

void PksdLink::sloatClosedDelay()
{
    conn_.LastSocketEvent = QStringLiteral("slotClosedDelay");
    ScheduleReconnect();
}

void PksdLink::SockTimeout()
{
    const QAbstractSocket::SocketState state = socket_.state();
    const std::int32_t n = conn_.ReconnectCount;
    // Wraps instead of overflowing; it would take centuries at one tick per 10 s.
    conn_.ReconnectCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) + 1U);
    emit statusMessage(ReconnectStatusText(SocketStateWord(state), conn_, n));
    ReconnectPksd();
}

void PksdLink::OnSocketError(QAbstractSocket::SocketError error)
{
    if (closingOurselves_)
        return;
    if (error != QAbstractSocket::RemoteHostClosedError) {
        slotError(static_cast<int>(error));
        return;
    }
    // A peer close is followed by disconnected(), handled there; without a connection left
    // to lose none will come, so it is handled now.
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        slotClosed();
}

void PksdLink::OnSocketDisconnected()
{
    if (closingOurselves_)
        return;
    if (delayedClose_) {
        delayedClose_ = false;
        sloatClosedDelay();
        return;
    }
    slotClosed();
}

void PksdLink::DiscardIncoming()
{
    const qint64 available = socket_.bytesAvailable();
    if (available > 0)
        socket_.skip(available);
}

void PksdLink::CloseSocket()
{
    DiscardIncoming();
    const bool connected = socket_.state() == QAbstractSocket::ConnectedState;
    closingOurselves_ = true;
    // A pending attempt is dropped at once; a standing connection first writes what it holds.
    if (connected)
        socket_.close();
    else
        socket_.abort();
    closingOurselves_ = false;
    delayedClose_ = socket_.state() == QAbstractSocket::ClosingState;
}

void PksdLink::ScheduleReconnect()
{
    if (conn_.AutoStartPKSD != 1)
        return;
    reconnectTimer_.start(kReconnectIntervalMs);
    status_.RetryAtMs = Now() + kReconnectIntervalMs;
    emit linkStatusChanged();
}

void PksdLink::Fail(const QString& why)
{
    status_.Phase = LinkPhase::Failed;
    status_.Failure = why;
    status_.RetryAtMs = -1;
    emit linkStatusChanged();
}

void PksdLink::RefreshStatus()
{
    const std::int64_t now = Now();
    if (status_.Phase == LinkPhase::Connected) {
        status_.FramesPerSecond = rate_.Update(now, status_.Frames);
        const std::int64_t limitMs = std::int64_t{conn_.NoDataReconnect} * 1000;
        if (conn_.AutoStartPKSD == 1 && limitMs > 0 && now - status_.LastFrameMs >= limitMs) {
            ReconnectAfterSilence();
            return;
        }
    }
    emit linkStatusChanged();
}

void PksdLink::ReconnectAfterSilence()
{
    const QString span = SilenceSpanText(Now() - status_.LastFrameMs);
    conn_.LastSocketEvent = QStringLiteral("slotNoData");
    CloseSocket();
    emit statusMessage(QStringLiteral("No data from PKSD for ") + span +
                       QStringLiteral(", connection closed"));
    Fail(QStringLiteral("No data for ") + span);
    ScheduleReconnect();
}
