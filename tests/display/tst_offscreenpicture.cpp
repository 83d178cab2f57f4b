#include "display/displaystate.h"
#include "display/offscreenpicture.h"
#include "plotfixture.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

class OffscreenPictureTest : public QObject
{
    Q_OBJECT

private slots:
    void resizeRule_data()
    {
        QTest::addColumn<QSize>("picture"); // logical size; empty: none yet
        QTest::addColumn<QSize>("window");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<bool>("needed");
        QTest::newRow("none yet") << QSize() << QSize(640, 480) << 1.0 << true;
        QTest::newRow("same size") << QSize(640, 480) << QSize(640, 480) << 1.0 << false;
        QTest::newRow("narrower and lower") << QSize(640, 480) << QSize(600, 400) << 1.0 << false;
        QTest::newRow("wider") << QSize(640, 480) << QSize(641, 480) << 1.0 << true;
        QTest::newRow("taller") << QSize(640, 480) << QSize(640, 481) << 1.0 << true;
        QTest::newRow("wider but lower") << QSize(640, 480) << QSize(800, 100) << 1.0 << true;
        QTest::newRow("ratio changed") << QSize(640, 480) << QSize(640, 480) << 2.0 << true;
    }
    void resizeRule()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, window);
        QFETCH(double, ratio);
        QPixmap pixmap;
        if (!picture.isEmpty())
            ResizePicture(pixmap, picture, 1.0);
        QTEST(NeedsNewPicture(pixmap, window, ratio), "needed");
    }

    void shrinkingKeepsThePicture()
    {
        QPixmap picture;
        QVERIFY(ResizePicture(picture, QSize(300, 200)));
        QCOMPARE(picture.size(), QSize(300, 200));
        const qint64 key = picture.cacheKey();
        QVERIFY(!ResizePicture(picture, QSize(250, 200)));
        QCOMPARE(picture.cacheKey(), key);
        QVERIFY(ResizePicture(picture, QSize(250, 260)));
        QCOMPARE(picture.size(), QSize(250, 260));
    }

    void noPictureDrawsNothing()
    {
        DisplayState ds;
        ChannelCatalogue cat;
        cat.Entries = {ActiveChannel(1, 0, 0, 0, 1.0, TenOClock())};
        const PacketStore store = MakeRing(2);
        QVERIFY(!DrawDTInto(nullptr, QRect(0, 0, 300, 200), 0, 0, ds, cat, store));
        QPixmap none;
        QVERIFY(!DrawDTInto(&none, QRect(0, 0, 300, 200), 0, 0, ds, cat, store));
        QCOMPARE(cat.Entries[0].AxisTime.Day, 0);
    }

    void smallerWindowIsLaidOutInsideTheLargerPicture()
    {
        DisplayState ds;
        ds.backgroundColor = Qt::darkBlue;
        ChannelCatalogue cat;
        cat.Entries = {ActiveChannel(1, 0, 0, 0, 1.0, TenOClock())};
        const PacketStore store = MakeRing(2);
        QPixmap picture;
        ResizePicture(picture, QSize(400, 300));
        picture.fill(Qt::white);
        ResizePicture(picture, QSize(300, 200));
        QVERIFY(DrawDTInto(&picture, QRect(0, 0, 300, 200), 10, 10, ds, cat, store));
        const QImage image = picture.toImage();
        QCOMPARE(image.pixelColor(150, 5), QColor(Qt::darkBlue));
        QCOMPARE(image.pixelColor(299, 199), QColor(Qt::darkBlue));
        // Beyond the window the old picture stays.
        QCOMPARE(image.pixelColor(300, 100), QColor(Qt::white));
        QCOMPARE(image.pixelColor(100, 200), QColor(Qt::white));
        QCOMPARE(cat.Entries[0].AxisTime.Msec, TenOClock().Msec);
    }

    void copyPutsThePictureAtTheOrigin()
    {
        QPixmap picture(20, 10);
        picture.fill(Qt::red);
        QImage window(40, 30, QImage::Format_RGB32);
        window.fill(Qt::black);
        {
            QPainter p(&window);
            CopyPicture(p, picture);
        }
        QCOMPARE(window.pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(window.pixelColor(19, 9), QColor(Qt::red));
        QCOMPARE(window.pixelColor(20, 9), QColor(Qt::black));
        QCOMPARE(window.pixelColor(19, 10), QColor(Qt::black));
    }
};

QTEST_MAIN(OffscreenPictureTest)
#include "tst_offscreenpicture.moc"
