#include "dialogs/abouth.h"
#include "dialogs/tremvueicon.h"
#include "tests/common/formcheck.h"
#include "tests/common/modalscript.h"

#include <QPushButton>
#include <QSet>
#include <QTest>

class TestAboutH : public QObject
{
    Q_OBJECT

private slots:
    void aboutIsModalWithOurPictureAndClosesWithOk()
    {
        AboutH plain;
        QCOMPARE(plain.objectName(), QStringLiteral("AboutH"));
        QCOMPARE(plain.size(), QSize(388, 145));
        CheckForm(plain, {{"buttonOk", "AboutH", {200, 92, 82, 26}, "&OK"},
                          {"pixmapLabel5", "AboutH", {40, 20, 93, 99}, ""}});
        QVERIFY(plain.textLabel2->text().startsWith(QLatin1String("<blockquote>")));
        QVERIFY(plain.textLabel2->text().contains(QLatin1String("Tremvue")));
        QVERIFY(plain.buttonOk->isDefault());

        QWidget parent;
        AboutH about(&parent, "About", true);
        ModalScript script{[&](QWidget* w) {
            QCOMPARE(w, &about);
            QTest::mouseClick(about.buttonOk, Qt::LeftButton);
        }};
        QCOMPARE(about.exec(), int(QDialog::Accepted));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));

        const QImage picture = about.pixmapLabel5->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(93, 99));
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                colours.insert(picture.pixel(x, y));
        QCOMPARE(colours.size(), 53);
        const QImage icon = TremvueIcon().toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(16, 16)), 255);
    }
};

QTEST_MAIN(TestAboutH)
#include "tst_abouth.moc"
