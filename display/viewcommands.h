#pragma once

class QColor;
class QFont;
struct DisplayState;

// The state changes behind the View menu. Each returns true when the picture is to be redrawn
// at once; otherwise the change shows at the next redraw.
namespace ViewCommands {

bool SetScaleI(DisplayState& ds);
bool SetScaleC(DisplayState& ds);
bool SetScaleL(DisplayState& ds);
bool AbsoluteScale(DisplayState& ds);
bool SetScaleUp(DisplayState& ds);
bool SetScaleDown(DisplayState& ds);
bool RemoveDCoffset(DisplayState& ds);

bool CPUTimeScale(DisplayState& ds);
bool SetTimeC(DisplayState& ds);
bool SetTimeI(DisplayState& ds);
bool SetTimeS(DisplayState& ds);
bool SetTimeD(DisplayState& ds);

bool SetLabelsTime(DisplayState& ds);
bool SetLabelsMinMax(DisplayState& ds);
bool SetLabelsMeanRange(DisplayState& ds);
bool SetLabelsVolts(DisplayState& ds);
bool SetLabelsinGround(DisplayState& ds);
bool SetLabelsInCount(DisplayState& ds);

// A colour dialog's answer: an invalid colour is a cancel and changes nothing.
bool TakeColor(QColor& target, const QColor& chosen);
// A font dialog's answer.
bool TakeFont(QFont& target, const QFont& chosen, bool accepted);

} // namespace ViewCommands

// Bounds of ScaleFactor: halving or doubling without end would reach 0 or infinity, and the
// trace scaling divides by the factor's span.
inline constexpr double kMinScaleFactor = 0x1p-64;
inline constexpr double kMaxScaleFactor = 0x1p64;

// What the View menu shows for a display state, group by group.
struct ScaleMarks
{
    bool Individual = false;
    bool Common = false;
    bool Lock = false;
    bool Absolute = false;
    bool AmplitudeEnabled = false; // increase and decrease
    bool RemoveDcOn = false;
    bool RemoveDcEnabled = false;
    friend bool operator==(const ScaleMarks&, const ScaleMarks&) = default;
};

struct TimeMarks
{
    bool Common = false;
    bool Channel = false;
    bool Stream = false;
    bool Das = false;
    bool Cpu = false;
    friend bool operator==(const TimeMarks&, const TimeMarks&) = default;
};

struct LabelMarks
{
    bool Time = false;
    bool MinMax = false;
    bool MeanRange = false;
    friend bool operator==(const LabelMarks&, const LabelMarks&) = default;
};

struct UnitMarks
{
    bool Volts = false;
    bool Ground = false;
    bool Counts = false;
    friend bool operator==(const UnitMarks&, const UnitMarks&) = default;
};

ScaleMarks ScaleMarksOf(const DisplayState& ds);
// A mode outside 0..4 checks none.
TimeMarks TimeMarksOf(const DisplayState& ds);
LabelMarks LabelMarksOf(const DisplayState& ds);
// A unit outside 0..2 checks none.
UnitMarks UnitMarksOf(const DisplayState& ds);
