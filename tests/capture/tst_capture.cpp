// tremvue-capture as the operator runs it, against pksd-sim and against a server that misbehaves
// on purpose: what it writes is exactly what was sent, in whole frames, however the run ends.
#include "tests/common/childprocess.h"
#include "tests/common/mseedread.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "packets/dtpacket.h"
#include "tests/common/pksdsimprocess.h"
#include "tools/capture/captureprogress.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <set>
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
    for (auto rest = ByteSpan(bytes); !rest.empty();) {
        const Frame frame = ReadFrame(rest);
        if (frame.Outcome != FrameOutcome::Whole)
            return false;
        rest = rest.subspan(frame.Size());
    }
    return true;
}

QByteArray TestFrame(char fill)
{
    QByteArray frame(kFrame, fill);
    WriteFrameHeader(std::span<std::uint8_t, kFrameHeaderBytes>(
                         reinterpret_cast<std::uint8_t*>(frame.data()), kFrameHeaderBytes),
                     7, kMaxPayloadBytes);
    return frame;
}

QStringList Connect(quint16 port, const QString& output)
{
    return Args("--host 127.0.0.1 --port",
                {QString::number(port), QStringLiteral("--output"), output});
}

QStringList Archive(quint16 port, const QString& root)
{
    return Args("--host 127.0.0.1 --port", {QString::number(port), QStringLiteral("--sds"), root});
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

using ChannelSamples = std::map<QByteArray, std::vector<std::int32_t>>;

// The samples of every data packet pksd-sim sent, by the archive's default name, each packet
// once: a packet whose channel had one with the same start before adds nothing. packets counts
// the data packets of the last record.
ChannelSamples SentSamples(const QStringList& records, int* packets = nullptr)
{
    ChannelSamples samples;
    std::set<std::pair<QByteArray, hptime_t>> starts;
    auto slot = std::make_unique<DtPacket>();
    for (const QString& record : records) {
        const QByteArray bytes = ReadAll(record);
        if (packets)
            *packets = 0;
        for (auto rest = ByteSpan(bytes); !rest.empty();) {
            const Frame frame = ReadFrame(rest);
            rest = rest.subspan(frame.Size());
            if (frame.Payload[0] != 'D' || !DecodeDtPacket(*slot, frame.Payload))
                continue;
            if (packets)
                ++*packets;
            const QByteArray name = "XX." + QByteArray::number(slot->DasId, 16).toUpper() +
                                    ".00.HH" + QByteArray(1, "ZNE"[slot->Channel]);
            if (starts.insert({name, PacketStart(*slot)}).second)
                samples[name].insert(samples[name].end(), slot->Samples,
                                     slot->Samples + slot->SampleCount);
        }
    }
    return samples;
}

// Waits until the last record holds its packets, then until the archive under root holds
// exactly what the records sent, in whole records in the day files of their first samples.
bool ArchiveHolds(const QString& root, const QStringList& records, int packets, int files)
{
    ChannelSamples sent;
    QString problem;
    int found = 0;
    const bool holds =
        QTest::qWaitFor(
            [&] {
                int recorded = 0;
                sent = SentSamples(records, &recorded);
                return recorded == packets;
            },
            30000) &&
        QTest::qWaitFor([&] { return ArchivedSamples(root, problem, found) == sent; }, 30000);
    if (!holds || !problem.isEmpty() || found != files)
        qWarning("archive: %s, %d files", qPrintable(problem), found);
    return holds && problem.isEmpty() && found == files;
}

} // namespace

class TstCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void captureEqualsPksdSimRecordAcrossRotation()
    {
        const QString record = dir.filePath(QStringLiteral("sent.pksd"));
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(
            Args("--fast --count 1100 --close-at-end --format mixed --record", {record})));
        TestChild capture;
        StoreConnection(capture, "127.0.0.1", sim.Port()); // no --host, no --port
        const QString output = dir.filePath(QStringLiteral("rotated.pksd"));
        capture.start(QStringLiteral(CAPTURE_PATH), Args("--rotate-mb 1 --output", {output}));
        const QString first = dir.filePath(QStringLiteral("rotated.0001.pksd"));
        const QString second = dir.filePath(QStringLiteral("rotated.0002.pksd"));
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(second).size(), 1101 * kFrame - 970 * kFrame, 30000);
        const qint64 pid = capture.processId();
        QVERIFY(StopCapture(capture).contains("stopped by SIGTERM"));
        QCOMPARE(QFileInfo(first).size(), 970 * kFrame);
        QVERIFY(!QFileInfo::exists(output));
        QVERIFY(ReadAll(first) + ReadAll(second) == ReadAll(record));
        // The greeting was the monitor's, with the capture's own process id.
        sim.Stop();
        const QString log = sim.LogLines().join(QLatin1Char('\n'));
        QVERIFY2(
            log.contains(QStringLiteral("handshake 1 ok: type 1 length 0\nconnection 1 handshake 2 "
                                        "ok: type 11 length 36 pid %1\nconnection 1 handshake 3 ok")
                             .arg(pid)),
            qPrintable(log));
    }

    void captureKeepsOnlyWholeFramesAfterSigterm()
    {
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(Args("--fast")));
        TestChild capture;
        StoreConnection(capture, "127.0.0.1", 1); // the command line wins
        const QString output = dir.filePath(QStringLiteral("stream.pksd"));
        capture.start(QStringLiteral(CAPTURE_PATH), Connect(sim.Port(), output));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 300 * kFrame, 30000);
        QVERIFY(StopCapture(capture).contains("stopped by SIGTERM"));
        const QByteArray bytes = ReadAll(output);
        QVERIFY(bytes.size() > 300 * kFrame);
        QVERIFY(WholeFrames(bytes));
    }

    void peerCloseOrBadLengthDropsOnlyTheBrokenFrameAndReconnectsAfterTheInterval()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        TestChild capture;
        const QString output = dir.filePath(QStringLiteral("cut.pksd"));
        capture.setReadChannel(QProcess::StandardError);
        capture.start(QStringLiteral(CAPTURE_PATH),
                      Connect(server.serverPort(), output) + Args("--reconnect-ms 400"));
        QVERIFY(server.waitForNewConnection(10000));
        std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
        peer->write(TestFrame('A') + TestFrame('B').left(500));
        QVERIFY(peer->waitForBytesWritten(5000));
        peer->disconnectFromHost();
        QVERIFY(server.waitForNewConnection(10000));
        // It said it would wait before it came back: the wait lies between the two.
        capture.waitForReadyRead(0);
        QByteArray log = capture.readAllStandardError();
        QVERIFY2(log.contains("waiting 0.4 s to reconnect: closed by PKSD"), log.constData());
        peer.reset(server.nextPendingConnection());
        // A length beyond 1024 loses the frame boundaries: the capture hangs up and comes back.
        peer->write(TestFrame('C') + TestFrame('D') + QByteArray::fromHex("0007000007D0"));
        QVERIFY(peer->waitForBytesWritten(5000));
        QVERIFY(server.waitForNewConnection(10000));
        peer.reset(server.nextPendingConnection());
        peer->write(TestFrame('E'));
        QVERIFY(peer->waitForBytesWritten(5000));
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(output).size(), 4 * kFrame, 10000);
        // Off a terminal, progress comes as plain lines that say what happened.
        log += StopCapture(capture);
        for (const char* line : {"\nframes 1  bytes 1030  ",
                                 "  waiting 0.4 s to reconnect: closed by PKSD (500 bytes of a "
                                 "cut-off frame dropped)\n",
                                 "waiting 0.4 s to reconnect: bad frame length from PKSD"})
            QVERIFY2(log.contains(line), log.constData());
        QVERIFY(ReadAll(output) ==
                TestFrame('A') + TestFrame('C') + TestFrame('D') + TestFrame('E'));
    }

    void writeFailureExitsOneWithWholeFramesKept()
    {
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(Args("--fast")));
        // A file size limit stands in for a full disk: the sixth frame gets only 500 bytes in.
        TestChild capture([] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{5 * kFrame + 500, 5 * kFrame + 500};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        const QString output = dir.filePath(QStringLiteral("full.pksd"));
        QCOMPARE(capture.Run(QStringLiteral(CAPTURE_PATH), Connect(sim.Port(), output)), 1);
        QVERIFY(capture.readAllStandardError().contains(
            QByteArray("cannot write " + output.toLocal8Bit())));
        QCOMPARE(QFileInfo(output).size(), 5 * kFrame);
        QVERIFY(WholeFrames(ReadAll(output)));
    }

    void commandLineExitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        const QString existing = dir.filePath(QStringLiteral("existing.pksd"));
        QFile(existing).open(QIODevice::WriteOnly);
        QTest::newRow("help") << Args("--help") << 0 << QByteArray("Usage: tremvue-capture");
        QTest::newRow("port beyond 65535")
            << Args("--port 65536") << 2 << QByteArray("--port needs a number from 1 to 65535");
        QTest::newRow("rotation of 0 MB")
            << Args("--rotate-mb=0") << 2 << QByteArray("--rotate-mb needs");
        QTest::newRow("duration with a comma")
            << Args("--duration 1,5") << 2 << QByteArray("--duration needs");
        QTest::newRow("stray argument")
            << Args("capture.pksd") << 2 << QByteArray("unknown argument capture.pksd");
        QTest::newRow("forgotten value takes the next option")
            << Args("--port 9 --output --duration 1") << 2
            << QByteArray("--output needs a value, not --duration");
        QTest::newRow("option given as a value after =")
            << Args("--host=--port") << 2 << QByteArray("--host needs a value, not --port");
        const QString never = dir.filePath(QStringLiteral("never.pksd"));
        QTest::newRow("nothing received is not success")
            << Args("--host 127.0.0.1 --port 9 --reconnect-ms 50 --duration 0.3 --output", {never})
            << 3 << QByteArray("nothing received from 127.0.0.1:9");
        QTest::newRow("existing file never overwritten")
            << Args("--port 9 --output", {existing}) << 1
            << QByteArray("cannot create " + existing.toLocal8Bit() + ": File exists");
    }

    void commandLineExitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        TestChild capture;
        QTEST(capture.Run(QStringLiteral(CAPTURE_PATH), arguments), "status");
        const QByteArray text = capture.readAllStandardOutput() + capture.readAllStandardError();
        QVERIFY2(text.contains(message), text.constData());
    }

    void sdsArchiveAcrossMidnightHoldsEverySampleOnceInItsDayFile()
    {
        const QString record = dir.filePath(QStringLiteral("midnight.pksd"));
        const QString root = dir.filePath(QStringLiteral("midnight"));
        // From a minute before the new year, long enough to carry every channel into it.
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(Args("--fast --count 1200 --close-at-end --format mixed --units "
                               "9A01,9A02,9A03 --start 2025-12-31T23:59:00 --record",
                               {record})));
        TestChild capture;
        capture.start(QStringLiteral(CAPTURE_PATH), Archive(sim.Port(), root));
        // Nine channels, each in the file of day 365 of 2025 and of day 1 of 2026.
        QVERIFY(ArchiveHolds(root, {record}, 1200, 18));
        const QByteArray log = StopCapture(capture);
        QVERIFY2(log.contains("archived 1200 data packets as ") &&
                     log.contains(QByteArray(" records under " + root.toLocal8Bit() +
                                             ", 0 archived before, 0 not archived")),
                 log.constData());
    }

    void sdsArchiveRestartedWritesNoPacketTwice()
    {
        const QString root = dir.filePath(QStringLiteral("restart"));
        QStringList records;
        // The server sends everything since the same start again on the second connection,
        // its last minute included, then goes on.
        for (const char* count : {"300", "450"}) {
            records << dir.filePath(QStringLiteral("restart%1.pksd").arg(records.size()));
            PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
            QVERIFY(sim.Start(
                Args("--fast --close-at-end --format mixed --start "
                     "2025-06-01T12:00:00 --count",
                     {QString::fromLatin1(count), QStringLiteral("--record"), records.back()})));
            TestChild capture;
            capture.start(QStringLiteral(CAPTURE_PATH), Archive(sim.Port(), root));
            QVERIFY(ArchiveHolds(root, records, QByteArray(count).toInt(), 3));
            const QByteArray log = StopCapture(capture);
            if (records.size() == 2)
                QVERIFY2(log.contains("archived 150 data packets as ") &&
                             log.contains(QByteArray(" records under " + root.toLocal8Bit() +
                                                     ", 300 archived before, 0 not archived")),
                         log.constData());
        }
    }

    void sdsArchiveOnAFullDiskKeepsWholeRecordsAndExitsOne()
    {
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(Args("--fast")));
        // The file size limit stands in for a full disk: a day file's sixth record gets only
        // 500 bytes in.
        TestChild capture([] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{5 * 1024 + 500, 5 * 1024 + 500};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        const QString root = dir.filePath(QStringLiteral("full"));
        QCOMPARE(capture.Run(QStringLiteral(CAPTURE_PATH), Archive(sim.Port(), root)), 1);
        QVERIFY(capture.readAllStandardError().contains(
            QByteArray("cannot write " + root.toLocal8Bit())));
        QString problem;
        int files = 0;
        ArchivedSamples(root, problem, files);
        QVERIFY2(problem.isEmpty() && files == 3, qPrintable(problem));
        qint64 largest = 0;
        for (const auto& [path, records] : ReadArchive(root))
            largest = std::max(largest, QFileInfo(path).size());
        QCOMPARE(largest, 5 * 1024);
    }

    void progressLineRateIsOverTheLastTick()
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
        QCOMPARE(progress.Line().left(30), QByteArray("frames 35  bytes 31400  1.2 fr"));
    }

private:
    // The monitor's settings as the operator left them, for a capture started with env.
    void StoreConnection(QProcess& capture, const char* host, quint16 port)
    {
        const QString config = dir.filePath(QStringLiteral("config%1").arg(port));
        QSettings store(config + QStringLiteral("/Orvane/ovqt_display.ini"), QSettings::IniFormat);
        store.setValue(QStringLiteral("/ovqt_dislay/PksdHost"), QString::fromLatin1(host));
        store.setValue(QStringLiteral("/ovqt_dislay/PksdPort"), port);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        capture.setProcessEnvironment(env);
    }

    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TstCapture)
#include "tst_capture.moc"
