#include "tests/common/pksdsimprocess.h"

#include <utility>

namespace {

constexpr int kStartTimeoutMs = 10000;

} // namespace

PksdSimProcess::PksdSimProcess(QString program, QObject* parent)
    : QObject(parent), program_(std::move(program))
{
    connect(&process_, &QProcess::readyReadStandardError, this, &PksdSimProcess::ReadLog);
}

PksdSimProcess::~PksdSimProcess()
{
    Stop();
}

bool PksdSimProcess::Start(const QStringList& options, std::uint16_t port)
{
    process_.setProgram(program_);
    process_.setArguments(
        QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)} +
        options);
    process_.start();
    if (!process_.waitForStarted(kStartTimeoutMs))
        return false;
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs))
            return false;
    }
    const QByteArray line = process_.readLine().trimmed();
    if (!line.startsWith("listening "))
        return false;
    port_ = line.mid(line.lastIndexOf(':') + 1).toUShort();
    return port_ != 0;
}

void PksdSimProcess::Stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished();
    ReadLog();
}

int PksdSimProcess::FaultCount() const
{
    int n = 0;
    for (const QString& line : lines_)
        n += line.startsWith(QLatin1String("fault ")) ? 1 : 0;
    return n;
}

void PksdSimProcess::ReadLog()
{
    partial_ += process_.readAllStandardError();
    qsizetype end = 0;
    while ((end = partial_.indexOf('\n')) >= 0) {
        lines_ << QString::fromUtf8(partial_.left(end));
        partial_.remove(0, end + 1);
    }
}
