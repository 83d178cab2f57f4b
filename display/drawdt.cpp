#include "display/drawdt.h"

#include "display/channelindex.h"
#include "display/displaystate.h"
#include "display/healthmark.h"
#include "display/plotgeometry.h"
#include "display/timeaxis.h"
#include "display/timewindow.h"
#include "display/tracelabels.h"
#include "display/tracemapping.h"
#include "display/tracepass.h"
#include "display/tracescale.h"
#include "display/tracestatistics.h"
#include "packets/daytime.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRect>

namespace {

void DrawFrame(QPainter& p, const PlotGeometry& g, const TraceBand& band, const QColor& color)
{
    p.setPen(QPen(color, 1, Qt::SolidLine));
    p.drawLine(g.X0, band.Top, g.X0, band.Bottom);
    p.drawLine(g.X1, band.Top, g.X1, band.Bottom);
    p.drawLine(g.Left, band.Top, g.Right, band.Top);
    p.drawLine(g.Left, band.Bottom, g.Right, band.Bottom);
}

} // namespace

bool DrawDT(QPainter& p, const QRect& windowRect, int menuBarHeight, int statusBarHeight,
            const DisplayState& ds, ChannelCatalogue& cat, const PacketStore& store,
            const DayTime& cpuNow)
{
    p.setFont(ds.traceFont);
    const int labelWidth = p.fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWWWW"));
    PlotGeometry g;
    if (!ComputePlotGeometry(windowRect, menuBarHeight, statusBarHeight, labelWidth, g))
        return false;

    p.fillRect(QRect(g.Left, g.Top, windowRect.width(), windowRect.height()), ds.backgroundColor);
    DropLabelAreas(g, ds.MinMaxLable != 0, ds.MeanRangeLable != 0);

    const int nActive = ResetChannels(cat, ds);
    ApplyTimeMode(cat, ds, cpuNow);

    const double h = static_cast<double>(g.Y1 - g.Y0) / (nActive > 0 ? nActive : 1);
    if (ds.TimeRange <= 0 || nActive == 0 || h < 1.0)
        return true;

    const ChannelIndex index(cat);
    if (ds.AmpScale != ScaleLock)
        GatherStatistics(cat, index, store, ds.TimeRange);
    else
        GatherStatistics(cat, ChannelIndex(cat, ChannelIndex::Entries::ActiveWithoutScale), store,
                         ds.TimeRange);
    const GlobalFigures figures = FinishStatistics(cat);
    ComputeScales(cat, ds, figures);

    for (const DasStreamChanInfo& e : cat.Entries) {
        if (!e.Active)
            continue;
        const TraceBand band = BandOf(g.Y0, h, e.DisplayIndex);
        DrawFrame(p, g, band, ds.axesColor);
        p.setPen(QPen(ds.textColor, 1, Qt::SolidLine));
        DrawTraceLabels(p, e, g.X0, g.X1, band.Top, band.Bottom, ds);
        // A channel that never sent data has no time to show; its mark says why.
        if (!AxisFromNoData(e, ds))
            DrawTimeAxis(e.AxisTime, g.X0, g.X1, band.Top, band.Bottom, p, ds.textColor,
                         ds.axesColor, ds);
    }

    TraceBuffers buffers;
    DrawTracePass(p, cat, index, store, {g.X0, g.X1, g.Y0, h}, ds.TimeRange, buffers);
    for (const DasStreamChanInfo& e : cat.Entries) {
        if (!e.Active)
            continue;
        const TraceBand band = BandOf(g.Y0, h, e.DisplayIndex);
        DrawHealthMark(p, e, g.X0, g.X1, band.Top, band.Bottom, ds.traceFont);
    }
    return true;
}
