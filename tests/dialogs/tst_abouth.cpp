#include "dialogs/abouth.h"
#include "dialogs/tremvueicon.h"
#include "tests/dialogs/modalscript.h"

#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

class TestAboutH : public QObject
{
    Q_OBJECT

private slots:
    void opensModallyAndClosesWithOk();
    void layout();
    void icon();
};

void TestAboutH::opensModallyAndClosesWithOk()
{
    QWidget parent;
    AboutH about(&parent, "About", true);
    ModalScript script{[&](QWidget* w) {
        QCOMPARE(w, &about);
        QVERIFY(about.isModal());
        QCOMPARE(about.pixmapLabel5->pixmap().size(), QSize(93, 99));
        QTest::mouseClick(about.buttonOk, Qt::LeftButton);
    }};
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(about.objectName(), QStringLiteral("About"));
}

void TestAboutH::layout()
{
    AboutH about;
    QCOMPARE(about.objectName(), QStringLiteral("AboutH"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.size(), QSize(388, 145));
    QVERIFY(about.isSizeGripEnabled());
    QCOMPARE(about.buttonOk->objectName(), QStringLiteral("buttonOk"));
    QCOMPARE(about.buttonOk->geometry(), QRect(200, 92, 82, 26));
    QCOMPARE(about.buttonOk->text(), QStringLiteral("&OK"));
    QVERIFY(about.buttonOk->shortcut().isEmpty());
    QVERIFY(about.buttonOk->isDefault());
    QVERIFY(about.buttonOk->autoDefault());
    QCOMPARE(about.pixmapLabel5->objectName(), QStringLiteral("pixmapLabel5"));
    QCOMPARE(about.pixmapLabel5->geometry(), QRect(40, 20, 93, 99));
    QVERIFY(about.pixmapLabel5->hasScaledContents());
    QCOMPARE(about.textLabel2->objectName(), QStringLiteral("textLabel2"));
    QCOMPARE(about.textLabel2->geometry(), QRect(160, 20, 210, 59));
    QCOMPARE(about.textLabel2->textFormat(), Qt::RichText);
    const QString text = about.textLabel2->text();
    QVERIFY(text.startsWith(QLatin1String("<blockquote>")));
    QVERIFY(text.contains(QLatin1String("Tremvue")));
    QVERIFY(text.contains(QLatin1String("2.4")));

    const QImage picture = about.pixmapLabel5->pixmap().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            colours.insert(picture.pixel(x, y));
    }
    QCOMPARE(colours.size(), 53);
}

void TestAboutH::icon()
{
    const QPixmap icon = TremvueIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(icon.hasAlphaChannel());
    const QImage image = icon.toImage();
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(16, 16)), 255);
}

QTEST_MAIN(TestAboutH)
#include "tst_abouth.moc"
