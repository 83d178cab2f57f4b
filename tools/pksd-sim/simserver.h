#pragma once

#include "simoptions.h"

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

// Listens for clients and gives each a session. With a refusal time set, it stops listening for
// that long after any connection closes, so clients meet refused connections.
class SimServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SimServer)

public:
    SimServer(const SimOptions& options, const QByteArray& capture, QObject* parent = nullptr);

    // Opens the record file and listens; the address actually bound is in Address()/Port().
    bool Start(QString& error);
    QHostAddress Address() const { return address_; }
    quint16 Port() const { return port_; }

private slots:
    void Accept();
    void SessionFinished();
    void Relisten();

private:
    SimOptions options_;
    QByteArray capture_;
    QTcpServer server_;
    QFile record_;
    QHostAddress address_;
    quint16 port_ = 0;
    int connections_ = 0;
};
