// The health marks on the trace plot, painted into an image of known size.
#include "display/displaystate.h"
#include "display/drawdt.h"
#include "display/healthmark.h"
#include "display/tracemapping.h"
#include "plotfixture.h"
#include "store/healthtext.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

const QColor kAxes(0, 255, 255);
const QColor kGround(255, 255, 255); // the mark's own

struct Scene
{
    DisplayState ds;
    ChannelCatalogue cat;
    PacketStore store = MakeRing(16);

    // Two red and green channels with a packet each, ending at 10:00:00.
    Scene()
    {
        cat.Entries = {ActiveChannel(1, 0, 0, 0, 1.0, TenOClock()),
                       ActiveChannel(1, 0, 1, 1, 1.0, TenOClock(), {0, 255, 0})};
        PutPacket(store, cat.Entries[0], TenOClock(-60), std::vector<std::int32_t>(60, 5));
        std::vector<std::int32_t> wave(60);
        for (std::size_t i = 0; i < wave.size(); ++i)
            wave[i] = static_cast<std::int32_t>(i % 7);
        PutPacket(store, cat.Entries[1], TenOClock(-60), wave);
    }

    QImage Draw()
    {
        QImage image(800, 400, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter p(&image);
        DrawDT(p, image.rect(), 0, 0, ds, cat, store, TenOClock());
        return image;
    }
};

// Pixels of the colour within rows top..bottom, as a bounding rectangle.
QRect Where(const QImage& image, const QColor& color, int top = 0, int bottom = INT_MAX)
{
    QRect r;
    for (int y = std::max(top, 0); y <= std::min(bottom, image.height() - 1); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color)
                r |= QRect(x, y, 1, 1);
    return r;
}

// Yellow label text, drawn with smoothed edges.
bool HasLabel(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 100 && c.green() > 100 && c.blue() < 50)
                return true;
        }
    return false;
}

int CountInRow(const QImage& image, const QColor& color, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += image.pixelColor(x, y) == color ? 1 : 0;
    return n;
}

} // namespace

class HealthMarksTest : public QObject
{
    Q_OBJECT

private slots:
    void healthyPictureIsThePictureWithoutHealth()
    {
        Scene s;
        const QImage before = s.Draw(); // entries as they were before anything was judged
        for (DasStreamChanInfo& e : s.cat.Entries)
            e.Health.Worst = HealthState::Ok;
        QCOMPARE(s.Draw(), before);
        QVERIFY(Where(before, WarningColor()).isNull());
    }

    void unwellBandGetsItsMarkInTheTopRightCorner_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("silent") << int(HealthState::Silent) << QStringLiteral("silent 5 min");
        QTest::newRow("late") << int(HealthState::Late) << QStringLiteral("late 5 min");
        QTest::newRow("flat") << int(HealthState::Flat) << QStringLiteral("flat");
        QTest::newRow("clipped") << int(HealthState::Clipped) << QStringLiteral("clipped");
    }
    void unwellBandGetsItsMarkInTheTopRightCorner()
    {
        QFETCH(int, state);
        QFETCH(QString, text);
        Scene s;
        const QImage healthy = s.Draw();
        ChannelHealth& h = s.cat.Entries[1].Health; // the lower band
        h.Heard = true;
        h.Worst = static_cast<HealthState>(state);
        h.SilentMs = 300000;
        h.DelayMs = 300000;
        QCOMPARE(HealthMarkText(h), text);
        const QImage marked = s.Draw();

        // Only the corner of the lower band changed, and it holds the mark's colours.
        const QRect changed = [&] {
            QRect r;
            for (int y = 0; y < marked.height(); ++y)
                for (int x = 0; x < marked.width(); ++x)
                    if (marked.pixel(x, y) != healthy.pixel(x, y))
                        r |= QRect(x, y, 1, 1);
            return r;
        }();
        QVERIFY(!changed.isNull());
        QVERIFY2(changed.top() > 200 && changed.bottom() < 230,
                 qPrintable(QString::number(changed.top())));
        QVERIFY(changed.left() > 400);
        const QRect red = Where(marked, WarningColor());
        QVERIFY(changed.contains(red));
        QVERIFY(changed.contains(Where(marked, kGround)));
        // Wider texts reach further left, from the same right edge.
        QVERIFY(red.width() > 5);
    }

    void neverHeardChannelDrawsNoTimeAxis()
    {
        Scene s;
        s.cat.Entries.resize(1);
        DasStreamChanInfo& e = s.cat.Entries[0];
        const int middle = 200;
        const int framesOnly = 2; // the band's two upright frame lines
        QVERIFY(CountInRow(s.Draw(), kAxes, middle) > framesOnly);

        // Its data merely outside the window: the axis stays.
        s.store = MakeRing(16);
        QVERIFY(CountInRow(s.Draw(), kAxes, middle) > framesOnly);

        // Never a packet: frame, label and mark only.
        e.LastEndTime = DayTime{};
        e.Health.Worst = HealthState::NeverHeard;
        const QImage never = s.Draw();
        QCOMPARE(CountInRow(never, kAxes, middle), framesOnly);
        QVERIFY(!Where(never, WarningColor()).isNull());
        QVERIFY(HasLabel(never)); // the channel label
    }

    void markIsCutToALowBand()
    {
        Scene s;
        for (int i = 2; i < 40; ++i)
            s.cat.Entries.push_back(
                ActiveChannel(1, 0, static_cast<std::uint16_t>(i), i, 1.0, TenOClock()));
        s.cat.Entries[5].Health.Worst = HealthState::Flat;
        const QImage marked = s.Draw();
        const TraceBand band = BandOf(2, 397.0 / 40, 5); // the plot from y 2 to 399
        const QRect red = Where(marked, WarningColor());
        QVERIFY(!red.isNull());
        QVERIFY(red.top() > band.Top && red.bottom() < band.Bottom);
    }
};

QTEST_MAIN(HealthMarksTest)
#include "tst_healthmarks.moc"
