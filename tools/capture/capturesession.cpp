#include "tools/capture/capturesession.h"

#include "tools/capture/signalpipe.h"

#include <QIODevice>

#include <cmath>
#include <csignal>

namespace {

constexpr int kTerminalIntervalMs = 1000;
constexpr int kLogIntervalMs = 10000;

QString SignalName(int signalNumber)
{
    return signalNumber == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM");
}

} // namespace

CaptureSession::CaptureSession(const CaptureOptions& options, QIODevice& err, bool terminal)
    : options_(options), err_(err), terminal_(terminal), file_(options.Output, options.RotateBytes),
      client_(options.Host, static_cast<std::uint16_t>(options.Port), options.ReconnectMs,
              [this](std::span<const std::uint8_t> frame) { return Keep(frame); })
{
    connect(&client_, &CaptureClient::stateChanged, this, &CaptureSession::OnState);
    progressTimer_.setInterval(terminal ? kTerminalIntervalMs : kLogIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, [this] {
        progress_.Tick(static_cast<double>(sinceTick_.restart()) / 1000.0);
        ShowProgress();
    });
    durationTimer_.setSingleShot(true);
    durationTimer_.setTimerType(Qt::PreciseTimer);
    connect(&durationTimer_, &QTimer::timeout, this,
            [this] { Finish(CaptureOk, QStringLiteral("stopped after --duration")); });
}

int CaptureSession::Run()
{
    if (!options_.Sds.isEmpty()) {
        archive_ = std::make_unique<CaptureArchive>(options_.Sds, options_.Network, err_);
        if (!options_.NamesFile.isEmpty()) {
            if (const QString error = archive_->LoadNames(options_.NamesFile); !error.isEmpty()) {
                err_.write("tremvue-capture: " + error.toLocal8Bit() + '\n');
                return CaptureUsage;
            }
        }
        err_.write("tremvue-capture: archiving under " + options_.Sds.toLocal8Bit() + '\n');
    }
    if (!options_.Output.isEmpty()) {
        if (const QString error = file_.Open(); !error.isEmpty()) {
            err_.write("tremvue-capture: " + error.toLocal8Bit() + '\n');
            return CaptureFileFailed;
        }
        err_.write("tremvue-capture: writing " + file_.CurrentName().toLocal8Bit() + '\n');
    }
    SignalPipe stopSignals;
    if (!stopSignals.Ok())
        err_.write("tremvue-capture: SIGINT and SIGTERM cannot be caught; they end the run at "
                   "once\n");
    connect(&stopSignals, &SignalPipe::caught, this, [this](int signalNumber) {
        Finish(CaptureOk, QStringLiteral("stopped by ") + SignalName(signalNumber));
    });
    if (options_.DurationSeconds > 0.0)
        durationTimer_.start(
            static_cast<int>(std::min(std::ceil(options_.DurationSeconds * 1000.0), 2147483647.0)));
    sinceTick_.start();
    progressTimer_.start();
    client_.Start();
    return loop_.exec();
}

bool CaptureSession::Keep(std::span<const std::uint8_t> frame)
{
    if (!options_.Output.isEmpty())
        writeError_ = file_.Write(frame);
    if (writeError_.isEmpty() && archive_)
        writeError_ = archive_->Take(frame);
    if (!writeError_.isEmpty()) {
        // Ends the loop once the client has unwound; the client stops itself on false.
        QTimer::singleShot(0, this, [this] { Finish(CaptureFileFailed, writeError_); });
        return false;
    }
    progress_.CountFrame(frame.size());
    return true;
}

void CaptureSession::OnState(const QString& state)
{
    progress_.SetState(state);
    ShowProgress();
}

void CaptureSession::ShowProgress()
{
    const QByteArray line = progress_.Line();
    // The escape clears what a longer previous line left on the right.
    err_.write(terminal_ ? QByteArray("\r" + line + "\x1b[K") : QByteArray(line + '\n'));
}

void CaptureSession::Finish(int status, const QString& message)
{
    // A signal may arrive while a write error is being reported.
    if (finished_)
        return;
    finished_ = true;
    client_.Stop();
    file_.Close();
    progressTimer_.stop();
    durationTimer_.stop();
    progress_.SetState(QStringLiteral("stopped"));
    ShowProgress();
    if (terminal_)
        err_.write("\n");
    const QByteArray files = file_.FileCount() > 1
                                 ? QByteArray::number(file_.FileCount()) + " files, the last "
                                 : QByteArray();
    QByteArray where = " bytes";
    if (!options_.Output.isEmpty())
        where += " in " + files + file_.CurrentName().toLocal8Bit();
    if (archive_) {
        archive_->Finish();
        where += "; " + archive_->Summary();
    }
    err_.write("tremvue-capture: " + message.toLocal8Bit() + "; " +
               QByteArray::number(progress_.Frames()) + " frames, " +
               QByteArray::number(progress_.Bytes()) + where + '\n');
    // An empty file after a clean stop would pass for a quiet server; a script must tell.
    if (status == CaptureOk && progress_.Frames() == 0) {
        err_.write("tremvue-capture: nothing received from " + options_.Host.toLocal8Bit() + ':' +
                   QByteArray::number(options_.Port) + '\n');
        status = CaptureNothingReceived;
    }
    loop_.exit(status);
}
