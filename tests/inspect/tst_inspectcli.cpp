#include "tests/inspect/inspectpackets.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result
{
    int Status = -1;
    QByteArray Out;
    QByteArray Err;
};

Result RunBinary(const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral(TREMVUE_INSPECT_BINARY), args);
    if (!process.waitForStarted()) {
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    Result r;
    r.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.Out = process.readAllStandardOutput();
    r.Err = process.readAllStandardError();
    return r;
}

} // namespace

class tst_InspectCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatus_data();
    void exitStatus();

private:
    QTemporaryDir dir;
    QByteArray packets;
};

void tst_InspectCli::initTestCase()
{
    QVERIFY(dir.isValid());
    int taken = 0;
    std::vector<std::int32_t> samples;
    for (int i = 0; i < 400; ++i) {
        samples.push_back(i * i % 997 - 500);
    }
    packets = Bytes(MakeDtPacket(DtFormat::Steim2, samples, taken)) +
              Bytes(MakeEventPacket(TestEventFields()));
    QFile whole(dir.filePath(QStringLiteral("whole.bin")));
    QVERIFY(whole.open(QIODevice::WriteOnly));
    whole.write(packets);
    QFile cut(dir.filePath(QStringLiteral("cut.bin")));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(packets.left(1024 + 700));
    QFile bad(dir.filePath(QStringLiteral("badlength.bin")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(Frame(packets.left(1024)) + QByteArray::fromHex("0000000007D0") + packets);
}

void tst_InspectCli::exitStatus_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("feedStdin");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    const QString whole = dir.filePath(QStringLiteral("whole.bin"));
    const QString cut = dir.filePath(QStringLiteral("cut.bin"));
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << false << 0
                          << QByteArray("Usage: tremvue-inspect") << QByteArray();
    QTest::newRow("no arguments") << QStringList{} << false << 2 << QByteArray()
                                  << QByteArray("Usage: tremvue-inspect");
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--packets"), QStringLiteral("--bogus"), whole} << false << 2
        << QByteArray() << QByteArray("unknown option --bogus");
    QTest::newRow("missing file") << QStringList{QStringLiteral("--packets"),
                                                 dir.filePath(QStringLiteral("none"))}
                                  << false << 1 << QByteArray() << QByteArray("cannot open");
    QTest::newRow("file") << QStringList{QStringLiteral("--packets"), whole} << false << 0
                          << QByteArray("EH 0A3F stream 3") << QByteArray();
    QTest::newRow("truncated file")
        << QStringList{QStringLiteral("--packets"), cut} << false << 3
        << (cut.toLocal8Bit() + ": offset 1024: truncated packet: 700 of 1024 bytes")
        << QByteArray();
    QTest::newRow("bad frame length")
        << QStringList{QStringLiteral("--frames"), dir.filePath(QStringLiteral("badlength.bin"))}
        << false << 3 << QByteArray("offset 1030: bad frame length 2000") << QByteArray();
    QTest::newRow("missing file wins over a damaged one")
        << QStringList{QStringLiteral("--packets"), cut, dir.filePath(QStringLiteral("none"))}
        << false << 1 << QByteArray("truncated packet") << QByteArray("cannot open");
    QTest::newRow("stdin") << QStringList{QStringLiteral("--packets"), QStringLiteral("--json"),
                                          QStringLiteral("-")}
                           << true << 0 << QByteArray("\"SampleCount\":400") << QByteArray();
}

void tst_InspectCli::exitStatus()
{
    QFETCH(QStringList, args);
    QFETCH(bool, feedStdin);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const Result r = RunBinary(args, feedStdin ? packets : QByteArray());
    QCOMPARE(r.Status, status);
    QVERIFY2(r.Out.contains(out), r.Out.constData());
    QVERIFY2(r.Err.contains(err), r.Err.constData());
}

QTEST_GUILESS_MAIN(tst_InspectCli)
#include "tst_inspectcli.moc"
