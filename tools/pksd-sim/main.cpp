#include "replaysource.h"
#include "simlog.h"
#include "simoptions.h"
#include "simserver.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pksd-sim"));

    SimOptions options;
    QString message;
    switch (ParseSimOptions(QCoreApplication::arguments(), options, message)) {
    case ParseOutcome::Help:
        std::fputs(message.toUtf8().constData(), stdout);
        return 0;
    case ParseOutcome::Error:
        LogLine(QStringLiteral("pksd-sim: ") + message + QStringLiteral(" (see --help)"));
        return 2;
    case ParseOutcome::Run:
        break;
    }

    QByteArray capture;
    if (!options.ReplayFile.isEmpty() &&
        !ReplaySource::Load(options.ReplayFile, capture, message)) {
        LogLine(QStringLiteral("pksd-sim: ") + options.ReplayFile + QStringLiteral(": ") + message);
        return 1;
    }

    SimServer server(options, capture);
    if (!server.Start(message)) {
        LogLine(QStringLiteral("pksd-sim: ") + message);
        return 1;
    }
    const QByteArray line = QStringLiteral("listening %1:%2\n")
                                .arg(server.Address().toString())
                                .arg(server.Port())
                                .toUtf8();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
