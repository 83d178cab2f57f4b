#include "store/storedvalues.h"
#include "tools/capture/captureoptions.h"
#include "tools/capture/capturesession.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSettings>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const CaptureCommandLine line = ParseCaptureCommandLine(app.arguments().mid(1));
    if (!line.Valid) {
        err.write("tremvue-capture: " + line.Error.toLocal8Bit() + '\n' + CaptureUsageText());
        return CaptureUsage;
    }
    if (line.Help) {
        out.write(CaptureUsageText());
        return CaptureOk;
    }
    CaptureOptions options = line.Options;
    ApplyStoredConnection(options, *OpenSettingsStore());
    if (options.Output.isEmpty() && options.Sds.isEmpty())
        options.Output = DefaultCaptureName(QDateTime::currentDateTimeUtc());
    CaptureSession session(options, err, ::isatty(STDERR_FILENO) == 1);
    return session.Run();
}
