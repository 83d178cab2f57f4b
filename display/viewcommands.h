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
