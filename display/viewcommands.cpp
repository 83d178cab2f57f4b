#include "display/viewcommands.h"

#include "display/displaystate.h"

#include <QColor>
#include <QFont>

namespace ViewCommands {

namespace {

bool ChooseScale(DisplayState& ds, int mode)
{
    ds.AmpScale = mode;
    ds.ScaleFactor = 1.0;
    return true;
}

bool ChooseTime(DisplayState& ds, int mode)
{
    ds.TimeScale = mode;
    return true;
}

int Flipped(int flag)
{
    return flag != 0 ? 0 : 1;
}

} // namespace

bool SetScaleI(DisplayState& ds)
{
    return ChooseScale(ds, ScaleIndividual);
}

bool SetScaleC(DisplayState& ds)
{
    return ChooseScale(ds, ScaleCommon);
}

// Keeps the factor: the locked scale ignores it until another mode is chosen.
bool SetScaleL(DisplayState& ds)
{
    ds.AmpScale = ScaleLock;
    return false;
}

bool AbsoluteScale(DisplayState& ds)
{
    ds.ZeroDcOffset = 0;
    return ChooseScale(ds, ScaleAbsolute);
}

bool SetScaleUp(DisplayState& ds)
{
    const double halved = ds.ScaleFactor * 0.5;
    ds.ScaleFactor = halved < kMinScaleFactor ? kMinScaleFactor : halved;
    return true;
}

bool SetScaleDown(DisplayState& ds)
{
    const double doubled = ds.ScaleFactor * 2.0;
    ds.ScaleFactor = doubled > kMaxScaleFactor ? kMaxScaleFactor : doubled;
    return true;
}

bool RemoveDCoffset(DisplayState& ds)
{
    ds.ZeroDcOffset = Flipped(ds.ZeroDcOffset);
    return true;
}

// Every monitor tick redraws in this mode, so the command itself does not.
bool CPUTimeScale(DisplayState& ds)
{
    ChooseTime(ds, TimeCpuClock);
    return false;
}

bool SetTimeC(DisplayState& ds)
{
    return ChooseTime(ds, TimeCommon);
}

bool SetTimeI(DisplayState& ds)
{
    return ChooseTime(ds, TimePerChannel);
}

bool SetTimeS(DisplayState& ds)
{
    return ChooseTime(ds, TimePerStream);
}

bool SetTimeD(DisplayState& ds)
{
    return ChooseTime(ds, TimePerUnit);
}

bool SetLabelsTime(DisplayState& ds)
{
    ds.TimeLable = Flipped(ds.TimeLable);
    return false;
}

bool SetLabelsMinMax(DisplayState& ds)
{
    ds.MinMaxLable = Flipped(ds.MinMaxLable);
    return false;
}

bool SetLabelsMeanRange(DisplayState& ds)
{
    ds.MeanRangeLable = Flipped(ds.MeanRangeLable);
    return false;
}

bool SetLabelsVolts(DisplayState& ds)
{
    ds.VoltsLable = LabelVolts;
    return false;
}

bool SetLabelsinGround(DisplayState& ds)
{
    ds.VoltsLable = LabelGround;
    return false;
}

bool SetLabelsInCount(DisplayState& ds)
{
    ds.VoltsLable = LabelCounts;
    return false;
}

bool TakeColor(QColor& target, const QColor& chosen)
{
    if (!chosen.isValid())
        return false;
    target = chosen;
    return true;
}

bool TakeFont(QFont& target, const QFont& chosen, bool accepted)
{
    if (!accepted)
        return false;
    target = chosen;
    return true;
}

} // namespace ViewCommands
