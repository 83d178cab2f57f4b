// Under a desktop locale with a decimal comma, the numbers pksd-sim writes into its event
// headers and those tremvue-inspect prints keep their '.'.
#include "packets/byteorder.h"
#include "tools/inspect/inspectrun.h"
#include "tools/pksd-sim/simoptions.h"
#include "tools/pksd-sim/simunits.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <clocale>

class tst_CommaLocale : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void headerNumbersKeepTheirPoint_data();
    void headerNumbersKeepTheirPoint();
};

void tst_CommaLocale::initTestCase()
{
    DetectByteOrder();
    // A missing locale would make this test pass for the wrong reason.
    QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr,
             "de_DE.UTF-8 is not installed: localedef -i de_DE -f UTF-8 de_DE.UTF-8");
    QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
}

void tst_CommaLocale::headerNumbersKeepTheirPoint_data()
{
    QTest::addColumn<QString>("rateOption");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("0.5") << QStringLiteral("0.5") << 0.5 << QByteArray("rate 0.5 positions 6");
    QTest::newRow("1000") << QStringLiteral("1000") << 1000.0
                          << QByteArray("rate 1000 positions 6");
}

void tst_CommaLocale::headerNumbersKeepTheirPoint()
{
    QFETCH(QString, rateOption);
    QFETCH(double, rate);
    QFETCH(QByteArray, text);
    SimOptions options;
    QString message;
    QCOMPARE(ParseSimOptions({QStringLiteral("pksd-sim"), QStringLiteral("--rate"), rateOption,
                              QStringLiteral("--channels"), QStringLiteral("6")},
                             options, message),
             ParseOutcome::Run);
    QCOMPARE(options.Rate, rate);
    PacketBytes packet{};
    WriteEventHeader(packet, MakeEventHeader(options, 0, 0, 0, DayTime{738000, 0.0}));
    const QByteArray bytes(reinterpret_cast<const char*>(packet.data()), sizeof packet);

    for (const bool json : {false, true}) {
        QByteArray input = bytes;
        QBuffer in(&input);
        QByteArray output;
        QBuffer out(&output);
        QBuffer err;
        QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) &&
                err.open(QIODevice::WriteOnly));
        QStringList args{QStringLiteral("--packets"), QStringLiteral("-")};
        if (json)
            args.prepend(QStringLiteral("--json"));
        QCOMPARE(RunInspect(args, in, out, err), 0);
        if (!json) {
            QVERIFY2(output.contains(text), output.constData());
            QVERIFY2(output.contains("channel 3 bitweight 2.4e-06 voltsperunit 1.25 unit M/S^2"),
                     output.constData());
            continue;
        }
        const QByteArray field = "\"SampleRate\":" + text.mid(5, text.indexOf(" p") - 5);
        QVERIFY2(output.contains(field), output.constData());
        const QJsonObject object = QJsonDocument::fromJson(output).object();
        QCOMPARE(object.value(QStringLiteral("SampleRate")).toDouble(), rate);
    }
}

QTEST_GUILESS_MAIN(tst_CommaLocale)
#include "tst_commalocale.moc"
