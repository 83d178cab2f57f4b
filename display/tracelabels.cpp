#include "display/tracelabels.h"

#include "display/displaystate.h"
#include "display/saturate.h"
#include "packets/numbertext.h"
#include "store/dasstreamchaninfo.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstdint>

namespace {

// Counts per ground unit; a sensitivity of 0 shows every ground value as 0.
double GroundPerVolt(const DasStreamChanInfo& e)
{
    return e.VoltsPerUnit != 0.0 ? 1.0 / e.VoltsPerUnit : 0.0;
}

// One labelled value in counts, volts or ground units. Counts are the truncated value, printed
// in 64 bits: a difference to the mean can lie outside 32 bits.
QString ValueText(const char* prefix, double counts, const DasStreamChanInfo& e,
                  const DisplayState& ds)
{
    switch (ds.VoltsLable) {
    case LabelVolts:
        return QLatin1String(prefix) + QString::fromStdString(FormatG(counts * e.BitWeight)) +
               QLatin1Char('V');
    case LabelGround:
        return QLatin1String(prefix) +
               QString::fromStdString(FormatG(counts * e.BitWeight * GroundPerVolt(e))) +
               e.UnitCode;
    default:
        return QString::asprintf("%s%lld", prefix, static_cast<long long>(TruncToInt64(counts)));
    }
}

double EdgeValue(std::int32_t scale, const DasStreamChanInfo& e, const DisplayState& ds)
{
    return ds.ZeroDcOffset ? scale - e.Mean : static_cast<double>(scale);
}

} // namespace

QString ChannelLabelText(const DasStreamChanInfo& e)
{
    return QString::asprintf("%4X-%02d-%02d", static_cast<unsigned>(e.DasId), e.Stream + 1,
                             e.Channel + 1);
}

QString NameLabelText(const DasStreamChanInfo& e)
{
    return e.Name + QString::asprintf("-%02d-%02d", e.Stream + 1, e.Channel + 1);
}

QString MinText(const DasStreamChanInfo& e, const DisplayState& ds)
{
    return ValueText("Min=", EdgeValue(e.ScaleLow, e, ds), e, ds);
}

QString MaxText(const DasStreamChanInfo& e, const DisplayState& ds)
{
    return ValueText("Max=", EdgeValue(e.ScaleHigh, e, ds), e, ds);
}

QString MeanText(const DasStreamChanInfo& e, const DisplayState& ds)
{
    return ValueText("Mean=", ds.ZeroDcOffset ? 0.0 : e.Mean, e, ds);
}

QString RangeText(const DasStreamChanInfo& e, const DisplayState& ds)
{
    // The span of full-scale 32-bit data does not fit the 32-bit RangeCount.
    return ValueText("Range=", static_cast<double>(e.RangeSpan), e, ds);
}

LabelRows FitLabelRows(int ya, int yb, const QFontMetrics& fm)
{
    // A band far off the picture (a stray DisplayIndex) has coordinates near the int limits.
    const std::int64_t top = ya;
    const std::int64_t bottom = yb;
    const std::int64_t height = fm.ascent() + fm.descent();
    LabelRows rows;
    rows.MiddleLine = SaturateInt32((top + bottom) / 2);
    rows.TopLine = SaturateInt32(top + fm.ascent() + 2);
    rows.BottomLine = SaturateInt32(bottom - fm.descent() - 2);
    // Text boxes run from baseline - ascent to baseline + descent.
    rows.Middle = bottom - top >= height;
    rows.Top = rows.Middle && top + 2 + height <= std::int64_t{rows.MiddleLine} - fm.ascent();
    rows.Bottom =
        rows.Middle && std::int64_t{rows.MiddleLine} + fm.descent() <= bottom - 2 - height;
    return rows;
}

void DrawTraceLabels(QPainter& p, const DasStreamChanInfo& e, int x0, int x1, int ya, int yb,
                     const DisplayState& ds)
{
    const QFontMetrics fm = p.fontMetrics();
    const LabelRows rows = FitLabelRows(ya, yb, fm);
    const auto rightAligned = [&](const QString& text, int y) {
        p.drawText(QPoint(x0 - fm.horizontalAdvance(text) - 2, y), text);
    };
    if (!rows.Middle)
        return;
    rightAligned(ChannelLabelText(e), rows.MiddleLine);
    if (ds.MinMaxLable) {
        if (rows.Bottom)
            rightAligned(MinText(e, ds), rows.BottomLine);
        if (rows.Top)
            rightAligned(MaxText(e, ds), rows.TopLine);
    }
    if (ds.MeanRangeLable) {
        p.drawText(QPoint(x1 + 2, rows.MiddleLine), NameLabelText(e));
        if (rows.Bottom)
            p.drawText(QPoint(x1 + 2, rows.BottomLine), MeanText(e, ds));
        if (rows.Top)
            p.drawText(QPoint(x1 + 2, rows.TopLine), RangeText(e, ds));
    }
}
