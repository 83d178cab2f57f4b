#include "bench/ingest/referencereader.h"

#include "bench/ingest/cputime.h"
#include "link/handshake.h"

#include <QCoreApplication>

ReferenceReader::ReferenceReader(QObject* parent) : QObject(parent)
{
    connect(&socket_, &QTcpSocket::connected, this, &ReferenceReader::Connected);
    connect(&socket_, &QTcpSocket::readyRead, this, &ReferenceReader::ReadFrames);
    connect(&socket_, &QTcpSocket::disconnected, this, &ReferenceReader::Closed);
}

void ReferenceReader::Connect(std::uint16_t port)
{
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
}

void ReferenceReader::Connected()
{
    connectedAt_ = WallSeconds();
    connectedCpu_ = ProcessCpuSeconds();
    const HandshakeMessages m =
        BuildHandshake(static_cast<std::uint32_t>(QCoreApplication::applicationPid()));
    socket_.write(reinterpret_cast<const char*>(m.Opening.data()), m.Opening.size());
    socket_.write(reinterpret_cast<const char*>(m.Identification.data()), m.Identification.size());
    socket_.write(reinterpret_cast<const char*>(m.Request.data()), m.Request.size());
}

void ReferenceReader::ReadFrames()
{
    char buffer[kMaxPayloadBytes];
    while (socket_.bytesAvailable() >= kMaxFrameBytes) {
        if (socket_.read(buffer, kFrameHeaderBytes) != static_cast<qint64>(kFrameHeaderBytes))
            return;
        const auto* h = reinterpret_cast<const unsigned char*>(buffer);
        const auto length =
            static_cast<std::int32_t>((std::uint32_t{h[2]} << 24) | (std::uint32_t{h[3]} << 16) |
                                      (std::uint32_t{h[4]} << 8) | std::uint32_t{h[5]});
        if (length < 0 || length > kMaxPayloadBytes || socket_.read(buffer, length) != length)
            return;
        if (length == kMaxPayloadBytes && buffer[0] == 'D' && buffer[1] == 'T')
            ++dtFrames_;
    }
}

void ReferenceReader::Closed()
{
    ReadFrames();
    closedAt_ = WallSeconds();
    closedCpu_ = ProcessCpuSeconds();
    done_ = true;
}
