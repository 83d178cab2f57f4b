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

bool NeedsNewPicture(const QSize& pictureSize, bool hasPicture, const QSize& windowSize)
{
    return !hasPicture || windowSize.width() > pictureSize.width() ||
           windowSize.height() > pictureSize.height();
}

bool ResizePicture(QPixmap& picture, const QSize& windowSize)
{
    if (!NeedsNewPicture(picture.size(), !picture.isNull(), windowSize))
        return false;
    picture = QPixmap();
    // An empty or unmakeable size gives a null pixmap: the window then has no picture.
    picture = QPixmap(windowSize);
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
