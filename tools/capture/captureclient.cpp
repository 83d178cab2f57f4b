#include "tools/capture/captureclient.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "link/handshake.h"
#include "packets/numbertext.h"

#include <QCoreApplication>

#include <utility>

namespace {

QString BadLengthText()
{
    return QStringLiteral("bad frame length from PKSD, connection closed");
}

} // namespace

CaptureClient::CaptureClient(QString host, std::uint16_t port, int reconnectMs, FrameSink sink,
                             QObject* parent)
    : QObject(parent), host_(std::move(host)), port_(port), sink_(std::move(sink))
{
    reconnectTimer_.setInterval(reconnectMs);
    // The monitor's promise of a full interval between attempts holds here too.
    reconnectTimer_.setTimerType(Qt::PreciseTimer);
    // Bounded as in the monitor, so a slow disk pushes back through TCP.
    socket_.setReadBufferSize(64 * static_cast<qint64>(kMaxFrameBytes));
    connect(&reconnectTimer_, &QTimer::timeout, this, &CaptureClient::Attempt);
    connect(&socket_, &QTcpSocket::connected, this, &CaptureClient::OnConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &CaptureClient::OnReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &CaptureClient::OnError);
    connect(&socket_, &QTcpSocket::disconnected, this, &CaptureClient::OnDisconnected);
}

CaptureClient::~CaptureClient()
{
    socket_.disconnect(this);
    socket_.abort();
}

void CaptureClient::Start()
{
    stopped_ = false;
    Attempt();
}

void CaptureClient::Stop()
{
    stopped_ = true;
    reconnectTimer_.stop();
    Abort();
    pending_.clear();
}

void CaptureClient::Attempt()
{
    Abort();
    pending_.clear();
    emit stateChanged(QStringLiteral("connecting to %1:%2").arg(host_).arg(port_));
    socket_.connectToHost(host_, port_);
}

void CaptureClient::OnConnected()
{
    const HandshakeMessages m =
        BuildHandshake(static_cast<std::uint32_t>(QCoreApplication::applicationPid()));
    QByteArray greeting;
    for (const auto& bytes :
         {std::span<const std::uint8_t>(m.Opening), std::span<const std::uint8_t>(m.Identification),
          std::span<const std::uint8_t>(m.Request)})
        greeting.append(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qsizetype>(bytes.size()));
    if (socket_.write(greeting) != greeting.size()) {
        Lost(QStringLiteral("the greeting could not be sent"));
        return;
    }
    reconnectTimer_.stop();
    emit stateChanged(QStringLiteral("connected to %1:%2").arg(host_).arg(port_));
}

void CaptureClient::OnReadyRead()
{
    if (TakeFrames() == Take::BadLength)
        Lost(BadLengthText());
}

CaptureClient::Take CaptureClient::TakeFrames()
{
    for (;;) {
        const qint64 room = static_cast<qint64>(kMaxFrameBytes) - pending_.size();
        const QByteArray more = socket_.read(room);
        pending_ += more;
        const Frame frame = ReadFrame(ByteSpan(pending_));
        if (frame.Outcome == FrameOutcome::BadLength) {
            pending_.clear();
            return Take::BadLength;
        }
        if (frame.Outcome == FrameOutcome::NeedMore) {
            if (more.isEmpty())
                return Take::Done;
            continue;
        }
        if (!sink_(ByteSpan(pending_).first(frame.Size()))) {
            Stop();
            return Take::Refused;
        }
        pending_.remove(0, static_cast<qsizetype>(frame.Size()));
    }
}

void CaptureClient::OnError(QAbstractSocket::SocketError error)
{
    if (ourClose_)
        return;
    // A close by the peer is followed by disconnected(), handled there.
    if (error == QAbstractSocket::RemoteHostClosedError &&
        socket_.state() != QAbstractSocket::UnconnectedState)
        return;
    Lost(socket_.errorString());
}

void CaptureClient::OnDisconnected()
{
    if (!ourClose_)
        Lost(QStringLiteral("closed by PKSD"));
}

void CaptureClient::Lost(const QString& reason)
{
    if (stopped_)
        return;
    QString why = reason;
    // Frames that arrived just before the close are kept.
    if (socket_.bytesAvailable() > 0) {
        const Take taken = TakeFrames();
        if (taken == Take::Refused)
            return;
        if (taken == Take::BadLength)
            why = BadLengthText();
    }
    if (!pending_.isEmpty())
        why += QStringLiteral(" (%1 bytes of a cut-off frame dropped)").arg(pending_.size());
    pending_.clear();
    Abort();
    reconnectTimer_.start();
    emit stateChanged(QStringLiteral("waiting ") +
                      QString::fromStdString(FormatG(reconnectTimer_.interval() / 1000.0)) +
                      QStringLiteral(" s to reconnect: ") + why);
}

void CaptureClient::Abort()
{
    ourClose_ = true;
    socket_.abort();
    ourClose_ = false;
}
