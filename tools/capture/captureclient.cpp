#include "tools/capture/captureclient.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "packets/numbertext.h"

#include <utility>

namespace {

QString BadLengthText()
{
    return QStringLiteral("bad frame length from PKSD, connection closed");
}

} // namespace

CaptureClient::CaptureClient(QString host, std::uint16_t port, int reconnectMs, FrameSink sink,
                             QObject* parent)
    : QObject(parent), host_(std::move(host)), port_(port), sink_(std::move(sink)),
      connection_(reconnectMs)
{
    connect(&connection_, &PksdConnection::reconnectDue, this, &CaptureClient::Attempt);
    connect(&connection_, &PksdConnection::handshakeWritten, this, &CaptureClient::OnConnected);
    connect(&connection_, &PksdConnection::readyRead, this, &CaptureClient::OnReadyRead);
    connect(&connection_, &PksdConnection::failed, this, &CaptureClient::Lost);
    connect(&connection_, &PksdConnection::peerClosed, this,
            [this] { Lost(QStringLiteral("closed by PKSD")); });
}

CaptureClient::~CaptureClient() = default;

void CaptureClient::Start()
{
    stopped_ = false;
    Attempt();
}

void CaptureClient::Stop()
{
    stopped_ = true;
    connection_.ReconnectTimer().stop();
    connection_.Abort();
    pending_.clear();
}

void CaptureClient::Attempt()
{
    pending_.clear();
    emit stateChanged(QStringLiteral("connecting to %1:%2").arg(host_).arg(port_));
    connection_.ConnectTo(host_, port_);
}

void CaptureClient::OnConnected()
{
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
        const QByteArray more = connection_.Socket().read(room);
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

void CaptureClient::Lost(const QString& reason)
{
    if (stopped_)
        return;
    QString why = reason;
    // Frames that arrived just before the close are kept.
    if (connection_.Socket().bytesAvailable() > 0) {
        const Take taken = TakeFrames();
        if (taken == Take::Refused)
            return;
        if (taken == Take::BadLength)
            why = BadLengthText();
    }
    if (!pending_.isEmpty())
        why += QStringLiteral(" (%1 bytes of a cut-off frame dropped)").arg(pending_.size());
    pending_.clear();
    connection_.Abort();
    connection_.ScheduleReconnect();
    emit stateChanged(
        QStringLiteral("waiting ") +
        QString::fromStdString(FormatG(connection_.ReconnectTimer().interval() / 1000.0)) +
        QStringLiteral(" s to reconnect: ") + why);
}
