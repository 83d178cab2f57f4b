#pragma once

#include <QObject>
#include <QTcpSocket>

#include <cstdint>

// The least any monitor client must do: the handshake, then frames read and thrown away, in
// the same event loop as the real window would use.
class ReferenceReader : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ReferenceReader)

public:
    explicit ReferenceReader(QObject* parent = nullptr);

    void Connect(std::uint16_t port);
    bool Done() const { return done_; }
    std::int64_t DtFrames() const { return dtFrames_; }
    // From the connection to the peer's closure.
    double Seconds() const { return closedAt_ - connectedAt_; }
    double CpuSeconds() const { return closedCpu_ - connectedCpu_; }

private slots:
    void Connected();
    void ReadFrames();
    void Closed();

private:
    QTcpSocket socket_;
    std::int64_t dtFrames_ = 0;
    double connectedAt_ = 0.0;
    double connectedCpu_ = 0.0;
    double closedAt_ = 0.0;
    double closedCpu_ = 0.0;
    bool done_ = false;
};
