#pragma once

#include "faultinjector.h"
#include "handshakecheck.h"
#include "packetsource.h"
#include "simoptions.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QFile;
class QTcpSocket;

// One client connection: checks its handshake, then serves the packets of its source, paced by
// their due times (or as fast as the socket drains with --fast), with the requested faults.
class SimSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SimSession)

public:
    // capture is the replay file (empty for simulated units); record may be null.
    SimSession(QTcpSocket* socket, const SimOptions& options, const QByteArray& capture,
               QFile* record, int number, QObject* parent = nullptr);
    ~SimSession() override;

signals:
    void Finished();

private slots:
    void ReadClient();
    void Pump();
    void Disconnected();

private:
    void Send(const OutgoingPacket& packet);
    void End(const QString& why);
    void Log(const QString& line) const;
    void LogFault(const QString& fault) const;

    QTcpSocket* socket_;
    const SimOptions& options_;
    const QByteArray& capture_;
    QFile* record_;
    int number_;
    HandshakeCheck handshake_;
    FaultInjector faults_;
    std::unique_ptr<PacketSource> source_;
    OutgoingPacket next_;
    bool haveNext_ = false;
    bool ended_ = false;
    int dataPackets_ = 0;
    QTimer timer_;
};
