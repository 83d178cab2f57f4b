#include "bench/ingest/referencereader.h"

#include "bench/ingest/cputime.h"
#include "link/frame.h"
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
    // Cut as the client cuts them, so that only the ingest itself differs.
    std::uint8_t buffer[kMaxFrameBytes];
    constexpr auto kWanted = static_cast<qint64>(kMaxFrameBytes);
    while (socket_.bytesAvailable() >= kWanted) {
        if (socket_.peek(reinterpret_cast<char*>(buffer), kWanted) != kWanted)
            return;
        const Frame frame = ReadFrame(buffer);
        if (frame.Outcome != FrameOutcome::Whole)
            return;
        socket_.skip(static_cast<qint64>(frame.Size()));
        const std::span<const std::uint8_t> p = frame.Payload;
        if (p.size() == kMaxPayloadBytes && p[0] == 'D' && p[1] == 'T')
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
