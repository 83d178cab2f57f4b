#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

// pksd-sim as a child process on a free loopback port.
class SimProcess
{
public:
    ~SimProcess();
    // Starts the simulator with --listen 127.0.0.1:0 and the given options; reads the port.
    bool Start(const QStringList& options);
    quint16 Port() const { return port_; }
    // Everything the simulator has logged on stderr so far.
    QString Log();
    void Stop();

private:
    QProcess process_;
    QTemporaryDir logDir_;
    quint16 port_ = 0;
};

// A monitor client's side of the connection.
class SimClient
{
public:
    bool Connect(quint16 port);
    void SendHandshake();
    // Reads until count bytes have arrived or nothing comes for timeoutMs.
    QByteArray Read(qsizetype count, int timeoutMs = 5000);
    // Reads until the peer closes.
    QByteArray ReadToClose(int timeoutMs = 5000);
    void Close();
    QTcpSocket& Socket() { return socket_; }

private:
    QTcpSocket socket_;
};

struct WireFrame
{
    std::uint16_t Type = 0;
    std::int32_t Declared = 0;
    QByteArray Payload;
};

// Cuts frames out of bytes; a declared length outside 0-1024 is taken as 1024 bytes, which is
// what the simulator sends with such a header.
std::vector<WireFrame> SplitFrames(const QByteArray& bytes);
