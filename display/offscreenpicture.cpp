#include "display/offscreenpicture.h"

#include "display/cpuclock.h"
#include "display/displaystate.h"
#include "display/drawdt.h"
#include "display/timewindow.h"
#include "packets/daytime.h"

#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QSize>

bool NeedsNewPicture(const QPixmap& picture, const QSize& windowSize, double devicePixelRatio)
{
    if (picture.isNull() || picture.devicePixelRatio() != devicePixelRatio)
        return true;
    const QSize logical = picture.deviceIndependentSize().toSize();
    return windowSize.width() > logical.width() || windowSize.height() > logical.height();
}

bool ResizePicture(QPixmap& picture, const QSize& windowSize, double devicePixelRatio)
{
    if (!NeedsNewPicture(picture, windowSize, devicePixelRatio))
        return false;
    picture = QPixmap();
    // An empty or unmakeable size gives a null pixmap: the window then has no picture.
    picture = QPixmap(windowSize * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    return true;
}

bool DrawDTInto(QPaintDevice* picture, const QRect& windowRect, int menuBarHeight,
                int statusBarHeight, DisplayState& ds, ChannelCatalogue& cat,
                const PacketStore& store)
{
    if (!picture || picture->width() <= 0 || picture->height() <= 0)
        return false;
    QPainter p;
    if (!p.begin(picture))
        return false;
    const DayTime now = ds.TimeScale == TimeCpuClock ? CpuClockNow() : DayTime{};
    return DrawDT(p, windowRect, menuBarHeight, statusBarHeight, ds, cat, store, now);
}

void CopyPicture(QPainter& p, const QPixmap& picture)
{
    p.drawPixmap(0, 0, picture);
}
