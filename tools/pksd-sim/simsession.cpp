#include "simsession.h"

#include "replaysource.h"
#include "simlog.h"
#include "simulatedsource.h"

#include "link/bytespan.h"
#include "packets/bcd.h"
#include "packets/dtpacket.h"
#include "packets/packetheader.h"

#include <QDateTime>
#include <QFile>
#include <QTcpSocket>

#include <algorithm>

namespace {

// Keeps the socket's output buffer short, so pacing and --count act on what is really sent.
constexpr qint64 kMaxQueuedBytes = 256 * 1024;
constexpr std::int64_t kMaxWaitMs = 1000;

std::int64_t NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString DescribeDt(const QByteArray& payload)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(payload.constData());
    const PacketHeader header = ParsePacketHeader(ByteSpan(payload)).value_or(PacketHeader{});
    const QString unit = QStringLiteral("%1").arg(header.DasId, 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("sent DT %1 %2 %3 %4 %5")
        .arg(unit)
        .arg(ReadBcd(p + 18, 2))
        .arg(ReadBcd(p + 19, 2))
        .arg(header.Sequence)
        .arg(ReadBcd(p, kDtSampleCountField));
}

} // namespace

SimSession::SimSession(QTcpSocket* socket, const SimOptions& options, const QByteArray& capture,
                       QFile* record, int number, QObject* parent)
    : QObject(parent), socket_(socket), options_(options), capture_(capture), record_(record),
      number_(number), faults_(options.Faults, MixSeed(options.Seed, static_cast<unsigned>(number)))
{
    socket_->setParent(this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SimSession::Pump);
    connect(socket_, &QTcpSocket::readyRead, this, &SimSession::ReadClient);
    connect(socket_, &QTcpSocket::bytesWritten, this, &SimSession::Pump);
    connect(socket_, &QTcpSocket::disconnected, this, &SimSession::Disconnected);
    Log(QStringLiteral("connection %1 from %2:%3")
            .arg(number_)
            .arg(socket_->peerAddress().toString())
            .arg(socket_->peerPort()));
    ReadClient();
}

SimSession::~SimSession() = default;

void SimSession::Log(const QString& line) const
{
    LogLine(line);
}

void SimSession::LogFault(const QString& fault) const
{
    Log(fault + QStringLiteral(" (connection %1)").arg(number_));
}

void SimSession::ReadClient()
{
    const QByteArray bytes = socket_->readAll();
    if (source_ != nullptr || ended_)
        return; // after the handshake the client has nothing to say
    if (!handshake_.Feed(bytes))
        return;
    for (const QString& line : handshake_.Report())
        Log(QStringLiteral("connection %1 %2").arg(number_).arg(line));
    if (options_.Silent) {
        ended_ = true;
        Log(QStringLiteral("connection %1 silent, sending nothing").arg(number_));
        return;
    }

    // With --start, the data's clock runs from the given time as the computer's runs from now.
    const std::int64_t nowMs = NowMs();
    const auto backfillMs = static_cast<std::int64_t>(options_.BackfillSeconds * 1000.0);
    const std::int64_t clockOffsetMs = options_.StartMs ? nowMs - *options_.StartMs : 0;
    const std::int64_t startMs =
        options_.StartMs ? *options_.StartMs - backfillMs : (nowMs - backfillMs) / 1000 * 1000;
    if (options_.ReplayFile.isEmpty())
        source_ = std::make_unique<SimulatedSource>(
            options_, startMs, clockOffsetMs, [this](const QString& fault) { LogFault(fault); });
    else
        source_ = std::make_unique<ReplaySource>(capture_, startMs, options_.Loop);
    Pump();
}

void SimSession::Pump()
{
    if (source_ == nullptr || ended_)
        return;
    while (!ended_) {
        if (!haveNext_) {
            if (!source_->Next(next_)) {
                End(QStringLiteral("end of data"));
                return;
            }
            haveNext_ = true;
        }
        if (!options_.Fast) {
            const std::int64_t wait = next_.DueMs - NowMs();
            if (wait > 0) {
                timer_.start(static_cast<int>(std::min(wait, kMaxWaitMs)));
                return;
            }
        }
        if (socket_->bytesToWrite() > kMaxQueuedBytes)
            return; // bytesWritten() resumes
        haveNext_ = false;
        Send(next_);
    }
}

void SimSession::Send(const OutgoingPacket& packet)
{
    const FaultInjector::Outcome out = faults_.Frame(packet);
    for (const QString& fault : out.Faults)
        LogFault(fault);
    socket_->write(out.Bytes);
    if (record_ != nullptr) {
        record_->write(out.Bytes);
        record_->flush();
    }
    const bool isDt = packet.Payload.startsWith("DT") &&
                      packet.Payload.size() >= static_cast<qsizetype>(kPacketHeaderSize + 8);
    if (isDt) {
        ++dataPackets_;
        if (options_.Verbose)
            Log(DescribeDt(packet.Payload));
    }
    if (out.CloseAfter) {
        ended_ = true;
        socket_->disconnectFromHost();
        return;
    }
    if (isDt && options_.Count > 0 && dataPackets_ >= options_.Count)
        End(QStringLiteral("sent %1 data packets").arg(dataPackets_));
}

void SimSession::End(const QString& why)
{
    ended_ = true;
    timer_.stop();
    if (options_.CloseAtEnd) {
        Log(QStringLiteral("connection %1 %2, closing").arg(number_).arg(why));
        socket_->disconnectFromHost();
    } else {
        Log(QStringLiteral("connection %1 %2, idle").arg(number_).arg(why));
    }
}

void SimSession::Disconnected()
{
    ended_ = true;
    timer_.stop();
    Log(QStringLiteral("connection %1 closed").arg(number_));
    emit Finished();
}
