#include "simclient.h"

#include "link/bytespan.h"
#include "link/frame.h"

#include <QFile>

SimProcess::~SimProcess()
{
    Stop();
}

bool SimProcess::Start(const QStringList& options)
{
    process_.setProgram(QStringLiteral(PKSD_SIM_PATH));
    process_.setArguments(QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} +
                          options);
    process_.setStandardErrorFile(logDir_.filePath(QStringLiteral("sim.log")));
    process_.start();
    if (!process_.waitForStarted())
        return false;
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(10000))
            return false;
    }
    const QByteArray line = process_.readLine().trimmed();
    if (!line.startsWith("listening 127.0.0.1:"))
        return false;
    bool ok = false;
    port_ = static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).toUInt(&ok));
    return ok && port_ != 0;
}

QString SimProcess::Log()
{
    QFile file(logDir_.filePath(QStringLiteral("sim.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void SimProcess::Stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished();
}

bool SimClient::Connect(quint16 port)
{
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket_.waitForConnected(5000);
}

void SimClient::SendHandshake()
{
    QByteArray bytes = QByteArray::fromHex("000100000000"
                                           "000b00000024");
    bytes += QByteArray::fromHex("00001234");
    QByteArray name("TREMVUE-2.4");
    name.append(32 - name.size(), '\0');
    bytes += name;
    bytes += QByteArray::fromHex("00030000001c"
                                 "00000000"
                                 "0000ffff"
                                 "00000000"
                                 "0000001e"
                                 "00000001"
                                 "00000000"
                                 "00000000");
    socket_.write(bytes);
    socket_.flush();
}

QByteArray SimClient::Read(qsizetype count, int timeoutMs)
{
    QByteArray bytes;
    while (bytes.size() < count) {
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(timeoutMs))
            break;
        bytes += socket_.read(count - bytes.size());
    }
    return bytes;
}

QByteArray SimClient::ReadToClose(int timeoutMs)
{
    QByteArray bytes;
    while (socket_.state() == QAbstractSocket::ConnectedState) {
        if (!socket_.waitForReadyRead(timeoutMs))
            break;
        bytes += socket_.readAll();
    }
    bytes += socket_.readAll();
    return bytes;
}

void SimClient::Close()
{
    socket_.abort();
}

std::vector<WireFrame> SplitFrames(const QByteArray& bytes)
{
    std::vector<WireFrame> frames;
    qsizetype offset = 0;
    while (bytes.size() - offset >= static_cast<qsizetype>(kFrameHeaderBytes)) {
        const Frame f = ReadFrame(ByteSpan(bytes).subspan(static_cast<std::size_t>(offset)));
        // A bad length, as the fault injector writes it, is followed by a whole packet.
        const auto length = static_cast<qsizetype>(f.Outcome == FrameOutcome::BadLength
                                                       ? kMaxPayloadBytes
                                                       : static_cast<std::size_t>(f.Length));
        frames.push_back(WireFrame{f.Type, f.Length, bytes.mid(offset + 6, length)});
        offset += 6 + length;
    }
    return frames;
}
