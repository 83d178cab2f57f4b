// Runs one harness body over its regression inputs and its seeds; a broken check aborts.
#include <QDir>
#include <QFile>
#include <QTest>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

class TstFuzzRegress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void replay_data();
    void replay();
};

void TstFuzzRegress::initTestCase()
{
    if (LLVMFuzzerInitialize) {
        static int argc = 1;
        static char name[] = "replay";
        static char* args[] = {name, nullptr};
        static char** argv = args;
        LLVMFuzzerInitialize(&argc, &argv);
    }
}

void TstFuzzRegress::replay_data()
{
    QTest::addColumn<QString>("path");
    const QString root = QStringLiteral(TREMVUE_FUZZ_DIR);
    const QString harness = QStringLiteral(TREMVUE_FUZZ_HARNESS);
    int rows = 0;
    for (const QString& kind : {QStringLiteral("regressions"), QStringLiteral("corpus")}) {
        const QDir dir(root + u'/' + kind + u'/' + harness);
        for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
            QTest::addRow("%s/%s", qPrintable(kind), qPrintable(file)) << dir.filePath(file);
            ++rows;
        }
    }
    if (rows == 0)
        QTest::addRow("empty input") << QString();
}

void TstFuzzRegress::replay()
{
    QFETCH(QString, path);
    QByteArray bytes;
    if (!path.isEmpty()) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        bytes = file.readAll();
    }
    // The harness's own buffer of exactly the input's size, as libFuzzer hands it over.
    auto copy = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(bytes.size()) + 1);
    std::memcpy(copy.get(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QCOMPARE(LLVMFuzzerTestOneInput(copy.get(), static_cast<std::size_t>(bytes.size())), 0);
}

QTEST_APPLESS_MAIN(TstFuzzRegress)
#include "replay.moc"
