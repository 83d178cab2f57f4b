#pragma once

#include "tools/capture/capturearchive.h"
#include "tools/capture/captureclient.h"
#include "tools/capture/capturefile.h"
#include "tools/capture/captureoptions.h"
#include "tools/capture/captureprogress.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <memory>

class QIODevice;

// One run of the capture: the file, the client, the progress report on err, and the ways the
// run ends (duration, SIGINT or SIGTERM, a write error).
class CaptureSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CaptureSession)

public:
    // options must have its host and port filled in. On a terminal the
    // progress line is rewritten in place every second; elsewhere it is a plain line every ten
    // seconds and at each change of the connection.
    CaptureSession(const CaptureOptions& options, QIODevice& err, bool terminal);

    // Runs until the capture ends; returns the exit status.
    int Run();

private:
    bool Keep(std::span<const std::uint8_t> frame);
    void OnState(const QString& state);
    void ShowProgress();
    void Finish(int status, const QString& message);

    CaptureOptions options_;
    QIODevice& err_;
    bool terminal_;
    CaptureFile file_;
    std::unique_ptr<CaptureArchive> archive_; // with --sds
    CaptureClient client_;
    CaptureProgress progress_;
    QTimer progressTimer_;
    QTimer durationTimer_;
    QElapsedTimer sinceTick_;
    QEventLoop loop_;
    QString writeError_;
    bool finished_ = false;
};
