#pragma once

#include "link/pksdconnection.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <span>

// A client of PKSD that hands on every whole frame it receives. After a refusal, an error, a
// bad frame length or a close by PKSD it connects again at the interval given. A frame cut off
// by a lost connection is dropped.
class CaptureClient : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CaptureClient)

public:
    // Takes each whole frame, header and payload; false ends the client.
    using FrameSink = std::function<bool(std::span<const std::uint8_t>)>;

    CaptureClient(QString host, std::uint16_t port, int reconnectMs, FrameSink sink,
                  QObject* parent = nullptr);
    ~CaptureClient() override;

    void Start();
    // No more connections; whatever is buffered is dropped.
    void Stop();

signals:
    // "connecting to H:P", "connected to H:P", "waiting 10 s to reconnect: REASON".
    void stateChanged(const QString& state);

private:
    void Attempt();
    void OnConnected();
    void OnReadyRead();
    // Keeps the whole frames still buffered, drops a partial one and waits to reconnect.
    void Lost(const QString& reason);
    enum class Take
    {
        Done,      // every whole frame went to the sink
        BadLength, // the stream cannot be followed any further
        Refused    // the sink refused a frame; the client has stopped
    };
    Take TakeFrames();

    QString host_;
    std::uint16_t port_;
    FrameSink sink_;
    PksdConnection connection_;
    QByteArray pending_; // less than one whole frame between reads
    bool stopped_ = false;
};
