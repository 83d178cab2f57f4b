#include "store/rgb.h"

#include <QTest>

#include <string>

class ColorTextTest : public QObject
{
    Q_OBJECT

private slots:
    void formatHasNoBlanks()
    {
        QCOMPARE(ColorText(Rgb{12, 34, 56}), QStringLiteral("(12,34,56)"));
        QCOMPARE(ColorText(Rgb{0, 0, 0}), QStringLiteral("(0,0,0)"));
        QCOMPARE(ColorText(Rgb{255, 255, 255}), QStringLiteral("(255,255,255)"));
    }

    void everyComponentValueRoundTrips()
    {
        for (int v = 0; v < 256; ++v) {
            const auto c = static_cast<std::uint8_t>(v);
            const Rgb color{c, static_cast<std::uint8_t>(255 - v), c};
            QCOMPARE(ParseColorText(ColorText(color)), std::optional<Rgb>(color));
        }
    }

    void parseFollowsScanfRules_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("scans");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("plain") << QByteArray("(255,255,0)") << true << 255 << 255 << 0;
        QTest::newRow("blanks before numbers") << QByteArray("( 1,\t2, 3)") << true << 1 << 2 << 3;
        QTest::newRow("signs") << QByteArray("(+7,-0,+0)") << true << 7 << 0 << 0;
        QTest::newRow("trailing text ignored") << QByteArray("(1,2,3) red") << true << 1 << 2 << 3;
        QTest::newRow("closing parenthesis not needed")
            << QByteArray("(1,2,3") << true << 1 << 2 << 3;
        QTest::newRow("clamped high")
            << QByteArray("(256,1000,99999999999999999999)") << true << 255 << 255 << 255;
        QTest::newRow("clamped low")
            << QByteArray("(-1,-300,-99999999999999999999)") << true << 0 << 0 << 0;
        QTest::newRow("empty") << QByteArray("") << false << 0 << 0 << 0;
        QTest::newRow("two numbers") << QByteArray("(1,2)") << false << 0 << 0 << 0;
        QTest::newRow("blank before parenthesis") << QByteArray(" (1,2,3)") << false << 0 << 0 << 0;
        QTest::newRow("blank before comma") << QByteArray("(1 ,2,3)") << false << 0 << 0 << 0;
        QTest::newRow("no parenthesis") << QByteArray("1,2,3") << false << 0 << 0 << 0;
        QTest::newRow("sign alone") << QByteArray("(1,2,-)") << false << 0 << 0 << 0;
        QTest::newRow("cut off after comma") << QByteArray("(1,2,") << false << 0 << 0 << 0;
        QTest::newRow("words") << QByteArray("(red,green,blue)") << false << 0 << 0 << 0;
    }
    void parseFollowsScanfRules()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, scans);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        const auto c = ParseColorText(std::string_view(text.constData(), text.size()));
        QCOMPARE(c.has_value(), scans);
        if (c) {
            QCOMPARE(int(c->Red), red);
            QCOMPARE(int(c->Green), green);
            QCOMPARE(int(c->Blue), blue);
        }
    }

    void parseStopsAtTheEndOfTheView()
    {
        const char text[] = "(1,2,34";
        const auto c = ParseColorText(std::string_view(text, 6));
        QVERIFY(c.has_value());
        QCOMPARE(int(c->Blue), 3);
    }
};

QTEST_APPLESS_MAIN(ColorTextTest)
#include "tst_colortext.moc"
