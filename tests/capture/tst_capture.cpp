// tremvue-capture as the operator runs it, against pksd-sim and against a server that misbehaves
// on purpose: what it writes is exactly what was sent, in whole frames, however the run ends.
#include "tests/capture/childprocess.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "link/handshake.h"
#include "tools/capture/captureoptions.h"
#include "tools/capture/captureprogress.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

constexpr qint64 kFrame = 1030;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True when bytes are whole frames from start to end.
bool WholeFrames(const QByteArray& bytes)
{
    auto rest = ByteSpan(bytes);
    while (!rest.empty()) {
        const Frame frame = ReadFrame(rest);
        if (frame.Outcome != FrameOutcome::Whole)
            return false;
        rest = rest.subspan(frame.Size());
    }
    return true;
}

QByteArray MakeTestFrame(char fill)
{
    QByteArray frame(kFrame, fill);
    WriteFrameHeader(std::span<std::uint8_t, kFrameHeaderBytes>(
                         reinterpret_cast<std::uint8_t*>(frame.data()), kFrameHeaderBytes),
                     7, kMaxPayloadBytes);
    return frame;
}

void StartCapture(QProcess& capture, const QStringList& arguments)
{
    TieToTest(capture);
    capture.start(QStringLiteral(CAPTURE_PATH), arguments);
    QVERIFY(capture.waitForStarted());
}

// Returns what the capture wrote on standard error.
QByteArray StopCapture(QProcess& capture)
{
    capture.terminate();
    if (!capture.waitForFinished(10000) || capture.exitStatus() != QProcess::NormalExit ||
        capture.exitCode() != 0)
        return "capture did not end cleanly";
    return capture.readAllStandardError();
}

} // namespace

class tst_Capture : public QObject
{
    Q_OBJECT

private slots:
    void rotatedCaptureEqualsWhatWasSent();
    void sigtermMidStreamLeavesWholeFrames();
    void peerCloseOrBadLengthDropsOnlyTheBrokenFrameAndReconnectsLater();
    void fullDiskCutsBackToWholeFrames();
    void commandLine_data();
    void commandLine();
    void progressLineCountsAndRate();
    void connectionDefaultsAreTheMonitors_data();
    void connectionDefaultsAreTheMonitors();

private:
    QTemporaryDir dir;
};

void tst_Capture::rotatedCaptureEqualsWhatWasSent()
{
    const QString record = dir.filePath(QStringLiteral("sent.pksd"));
    TestChild sim;
    const quint16 port = StartPksdSim(sim, QStringLiteral(PKSD_SIM_PATH),
                                      {QStringLiteral("--record"), record, QStringLiteral("--fast"),
                                       QStringLiteral("--count"), QStringLiteral("1100"),
                                       QStringLiteral("--close-at-end"), QStringLiteral("--format"),
                                       QStringLiteral("mixed")});
    QVERIFY(port != 0);
    // Host and port come from the monitor's settings, as the operator left them.
    const QString config = dir.filePath(QStringLiteral("config"));
    {
        QSettings store(config + QStringLiteral("/Orvane/ovqt_display.ini"), QSettings::IniFormat);
        store.setValue(QStringLiteral("/ovqt_dislay/PksdHost"), QStringLiteral("127.0.0.1"));
        store.setValue(QStringLiteral("/ovqt_dislay/PksdPort"), port);
    }
    TestChild capture;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    capture.setProcessEnvironment(env);
    const QString output = dir.filePath(QStringLiteral("rotated.pksd"));
    StartCapture(capture, {QStringLiteral("--output"), output, QStringLiteral("--rotate-mb"),
                           QStringLiteral("1")});
    const QString first = dir.filePath(QStringLiteral("rotated.0001.pksd"));
    const QString second = dir.filePath(QStringLiteral("rotated.0002.pksd"));
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(second).size(), 1101 * kFrame - 970 * kFrame, 30000);
    QVERIFY(StopCapture(capture).contains("stopped by SIGTERM"));
    QCOMPARE(QFileInfo(first).size(), 970 * kFrame);
    QVERIFY(!QFileInfo::exists(output));
    QVERIFY(ReadAll(first) + ReadAll(second) == ReadAll(record));
    QVERIFY(sim.readAllStandardError().contains("connection 1 handshake 3 ok"));
}

void tst_Capture::sigtermMidStreamLeavesWholeFrames()
{
    TestChild sim;
    const quint16 port =
        StartPksdSim(sim, QStringLiteral(PKSD_SIM_PATH), {QStringLiteral("--fast")});
    QVERIFY(port != 0);
    TestChild capture;
    const QString output = dir.filePath(QStringLiteral("stream.pksd"));
    StartCapture(capture,
                 {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                  QString::number(port), QStringLiteral("--output"), output});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 300 * kFrame, 30000);
    QVERIFY(StopCapture(capture).contains("stopped by SIGTERM"));
    const QByteArray bytes = ReadAll(output);
    QVERIFY(bytes.size() > 300 * kFrame);
    QVERIFY(WholeFrames(bytes));
}

void tst_Capture::peerCloseOrBadLengthDropsOnlyTheBrokenFrameAndReconnectsLater()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    TestChild capture;
    const QString output = dir.filePath(QStringLiteral("cut.pksd"));
    StartCapture(capture,
                 {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                  QString::number(server.serverPort()), QStringLiteral("--output"), output,
                  QStringLiteral("--reconnect-ms"), QStringLiteral("400")});
    QVERIFY(server.waitForNewConnection(10000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    // The greeting is the monitor's, with the capture's own process id.
    const HandshakeMessages m = BuildHandshake(static_cast<std::uint32_t>(capture.processId()));
    QByteArray greeting;
    for (const auto bytes :
         {std::span<const std::uint8_t>(m.Opening), std::span<const std::uint8_t>(m.Identification),
          std::span<const std::uint8_t>(m.Request)})
        greeting.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QTRY_VERIFY_WITH_TIMEOUT(peer->bytesAvailable() >= greeting.size(), 10000);
    QCOMPARE(peer->readAll(), greeting);

    peer->write(MakeTestFrame('A') + MakeTestFrame('B').left(500));
    QVERIFY(peer->waitForBytesWritten(5000));
    QElapsedTimer sinceClose;
    sinceClose.start();
    peer->disconnectFromHost();
    QVERIFY(server.waitForNewConnection(10000));
    QVERIFY2(sinceClose.elapsed() >= 390, QByteArray::number(sinceClose.elapsed()).constData());
    peer.reset(server.nextPendingConnection());
    // A length beyond 1024 loses the frame boundaries: the capture hangs up and comes back.
    peer->write(MakeTestFrame('C') + MakeTestFrame('D') + QByteArray::fromHex("0007000007D0"));
    QVERIFY(peer->waitForBytesWritten(5000));
    QVERIFY(server.waitForNewConnection(10000));
    peer.reset(server.nextPendingConnection());
    peer->write(MakeTestFrame('E'));
    QVERIFY(peer->waitForBytesWritten(5000));
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(output).size(), 4 * kFrame, 10000);
    // Off a terminal, progress comes as plain lines that say what happened.
    const QByteArray log = StopCapture(capture);
    QVERIFY2(log.contains("\nframes 1  bytes 1030  "), log.constData());
    QVERIFY2(log.contains("  waiting 0.4 s to reconnect: closed by PKSD (500 bytes of a cut-off "
                          "frame dropped)\n"),
             log.constData());
    QVERIFY2(log.contains("waiting 0.4 s to reconnect: bad frame length from PKSD"),
             log.constData());
    QVERIFY(ReadAll(output) ==
            MakeTestFrame('A') + MakeTestFrame('C') + MakeTestFrame('D') + MakeTestFrame('E'));
}

void tst_Capture::fullDiskCutsBackToWholeFrames()
{
    TestChild sim;
    const quint16 port =
        StartPksdSim(sim, QStringLiteral(PKSD_SIM_PATH), {QStringLiteral("--fast")});
    QVERIFY(port != 0);
    TestChild capture;
    // A file size limit stands in for a full disk: the sixth frame gets only 500 bytes in.
    TieToTest(capture, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{5 * kFrame + 500, 5 * kFrame + 500};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    const QString output = dir.filePath(QStringLiteral("full.pksd"));
    capture.start(QStringLiteral(CAPTURE_PATH),
                  {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                   QString::number(port), QStringLiteral("--output"), output});
    QVERIFY(capture.waitForFinished(30000));
    QCOMPARE(capture.exitCode(), 1);
    const QByteArray expected = "cannot write " + output.toLocal8Bit();
    QVERIFY(capture.readAllStandardError().contains(expected));
    QCOMPARE(QFileInfo(output).size(), 5 * kFrame);
    QVERIFY(WholeFrames(ReadAll(output)));
}

void tst_Capture::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    const QString existing = dir.filePath(QStringLiteral("existing.pksd"));
    QFile(existing).open(QIODevice::WriteOnly);
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << QByteArray("--reconnect-ms N  for testing");
    QTest::newRow("port beyond 65535")
        << QStringList{QStringLiteral("--port"), QStringLiteral("65536")} << 2
        << QByteArray("--port needs a number from 1 to 65535");
    QTest::newRow("rotation of 0 MB")
        << QStringList{QStringLiteral("--rotate-mb=0")} << 2 << QByteArray("--rotate-mb needs");
    QTest::newRow("duration with a comma")
        << QStringList{QStringLiteral("--duration"), QStringLiteral("1,5")} << 2
        << QByteArray("--duration needs");
    QTest::newRow("stray argument") << QStringList{QStringLiteral("capture.pksd")} << 2
                                    << QByteArray("unknown argument capture.pksd");
    QTest::newRow("existing file never overwritten")
        << QStringList{QStringLiteral("--output"), existing, QStringLiteral("--port"),
                       QStringLiteral("9")}
        << 1 << QByteArray(QByteArray("cannot create ") + existing.toLocal8Bit() + ": File exists");
}

void tst_Capture::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    TestChild capture;
    StartCapture(capture, arguments);
    QVERIFY(capture.waitForFinished(10000));
    QCOMPARE(capture.exitCode(), status);
    const QByteArray text = capture.readAllStandardOutput() + capture.readAllStandardError();
    QVERIFY2(text.contains(message), text.constData());
}

void tst_Capture::progressLineCountsAndRate()
{
    CaptureProgress progress;
    progress.SetState(QStringLiteral("connected to pksd:2543"));
    for (int i = 0; i < 30; ++i)
        progress.CountFrame(1030);
    progress.Tick(2.0);
    for (int i = 0; i < 5; ++i)
        progress.CountFrame(100);
    QCOMPARE(progress.Line(), QByteArray("frames 35  bytes 31400  15.0 frames/s  connected to "
                                         "pksd:2543"));
    progress.Tick(4.0);
    QCOMPARE(progress.Line(), QByteArray("frames 35  bytes 31400  1.2 frames/s  connected to "
                                         "pksd:2543"));
}

void tst_Capture::connectionDefaultsAreTheMonitors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("storedHost"); // empty: none stored
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("nothing stored") << QStringList{} << QString() << "localhost" << 2543;
    QTest::newRow("stored") << QStringList{} << "pksd.camp"
                            << "pksd.camp" << 2600;
    QTest::newRow("options win") << QStringList{QStringLiteral("--host=a"),
                                                QStringLiteral("--port"), QStringLiteral("7")}
                                 << "pksd.camp"
                                 << "a" << 7;
}

void tst_Capture::connectionDefaultsAreTheMonitors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, storedHost);
    QFETCH(QString, host);
    QFETCH(int, port);
    QSettings store(dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    store.clear();
    if (!storedHost.isEmpty()) {
        store.setValue(QStringLiteral("/ovqt_dislay/PksdHost"), storedHost);
        store.setValue(QStringLiteral("/ovqt_dislay/PksdPort"), 2600);
    }
    CaptureCommandLine line = ParseCaptureCommandLine(arguments);
    QVERIFY(line.Valid);
    ApplyStoredConnection(line.Options, store);
    QCOMPARE(line.Options.Host, host);
    QCOMPARE(line.Options.Port, port);
}

QTEST_GUILESS_MAIN(tst_Capture)
#include "tst_capture.moc"
