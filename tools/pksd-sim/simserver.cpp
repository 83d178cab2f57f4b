#include "simserver.h"

#include "simlog.h"
#include "simsession.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr int kRelistenRetryMs = 200;

bool Resolve(const QString& host, QHostAddress& address)
{
    if (address.setAddress(host))
        return true;
    if (host == QLatin1String("localhost")) {
        address = QHostAddress(QHostAddress::LocalHost);
        return true;
    }
    const QHostInfo info = QHostInfo::fromName(host);
    if (info.addresses().isEmpty())
        return false;
    address = info.addresses().first();
    return true;
}

} // namespace

SimServer::SimServer(const SimOptions& options, const QByteArray& capture, QObject* parent)
    : QObject(parent), options_(options), capture_(capture)
{
    connect(&server_, &QTcpServer::newConnection, this, &SimServer::Accept);
}

bool SimServer::Start(QString& error)
{
    if (!options_.RecordFile.isEmpty()) {
        record_.setFileName(options_.RecordFile);
        if (!record_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error = options_.RecordFile + QStringLiteral(": ") + record_.errorString();
            return false;
        }
    }
    if (!Resolve(options_.ListenHost, address_)) {
        error = QStringLiteral("cannot resolve ") + options_.ListenHost;
        return false;
    }
    if (!server_.listen(address_, options_.ListenPort)) {
        error = server_.errorString();
        return false;
    }
    port_ = server_.serverPort();
    return true;
}

void SimServer::Accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* session = new SimSession(socket, options_, capture_,
                                       record_.isOpen() ? &record_ : nullptr, ++connections_, this);
        connect(session, &SimSession::Finished, this, &SimServer::SessionFinished);
    }
}

void SimServer::SessionFinished()
{
    sender()->deleteLater();
    const double seconds = options_.Faults.RefuseSeconds;
    if (seconds <= 0.0 || !server_.isListening())
        return;
    server_.close();
    LogLine(QStringLiteral("fault refuse %1 s").arg(seconds));
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), this, &SimServer::Relisten);
}

void SimServer::Relisten()
{
    if (server_.listen(address_, port_)) {
        LogLine(QStringLiteral("listening again"));
        return;
    }
    QTimer::singleShot(kRelistenRetryMs, this, &SimServer::Relisten);
}
