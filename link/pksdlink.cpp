#include "link/pksdlink.h"

#include "link/connectionstate.h"
#include "link/frame.h"
#include "link/framereceiver.h"
#include "link/linkstatustext.h"
#include "store/packetring.h"

#include <utility>

PksdLink::PksdLink(ConnectionState& conn, PacketStore& store, ChannelCatalogue& cat,
                   const QSettings* stored, QObject* parent, std::unique_ptr<QTcpSocket> socket)
    : QObject(parent), conn_(conn), store_(store), cat_(cat), stored_(stored),
      connection_(kReconnectIntervalMs, std::move(socket)), socket_(connection_.Socket())
{
    started_.start();
    clock_ = [this] { return started_.elapsed(); };
    refreshTimer_.setInterval(1000);
    connect(&refreshTimer_, &QTimer::timeout, this, &PksdLink::RefreshStatus);
    refreshTimer_.start();
    connect(&connection_, &PksdConnection::reconnectDue, this, &PksdLink::SockTimeout);
    connect(&connection_, &PksdConnection::connected, this, &PksdLink::slotConnected);
    connect(&connection_, &PksdConnection::handshakeWritten, this, &PksdLink::OnHandshakeWritten);
    connect(&connection_, &PksdConnection::readyRead, this, &PksdLink::slotReadyRead);
    connect(&connection_, &PksdConnection::failed, this, &PksdLink::OnFailed);
    connect(&connection_, &PksdConnection::peerClosed, this, &PksdLink::slotClosed);
    connect(&connection_, &PksdConnection::delayedCloseFinished, this, &PksdLink::sloatClosedDelay);
}

PksdLink::~PksdLink() = default;

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
    connection_.Abort();
    status_ = LinkStatus{};
    status_.Phase = LinkPhase::Connecting;
    status_.Server = ServerText(conn_.PksdHost, conn_.PksdPort);
    emit linkStatusChanged();
    connection_.ConnectTo(SocketHost(conn_.PksdHost), conn_.PksdPort);
}

void PksdLink::Connect()
{
    ReconnectPksd();
}

void PksdLink::Close()
{
    conn_.AutoStartPKSD = 0;
    connection_.ReconnectTimer().stop();
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
}

void PksdLink::OnHandshakeWritten()
{
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
    OnFailed(socket_.errorString());
}

void PksdLink::OnFailed(const QString& why)
{
    conn_.LastSocketEvent = QStringLiteral("slotError");
    Fail(why);
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

void PksdLink::CloseSocket()
{
    connection_.Close();
}

void PksdLink::ScheduleReconnect()
{
    if (conn_.AutoStartPKSD != 1)
        return;
    connection_.ScheduleReconnect();
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
