#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "display/displaystate.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>

// The window's commands are described once, in the table below: member, object name, text,
// toggle, initial check mark and enabled state, slot, and for those that mirror the display
// state, how.

namespace {

using W = ovqt_displayMainWindow;
using Predicate = bool (*)(const DisplayState&);

// The state an action is built in.
enum Initial
{
    Command,   // enabled, no check mark
    Disabled,  // disabled, no check mark
    ToggleOn,  // enabled, checked
    ToggleOff, // enabled, unchecked
};

struct ActionEntry
{
    QAction* W::*Member;
    const char* Name;
    const char* Text;  // translated in the window's context
    void (W::*Slot)(); // null: wired by hand
    Initial State = Command;
    Predicate Checked = nullptr; // the mark that mirrors the display state
    Predicate Usable = nullptr;  // the enabled state that mirrors it
};

bool NotAbsolute(const DisplayState& d)
{
    return d.AmpScale != ScaleAbsolute;
}

// The member and its object name, which is the member's own name.
#define ACTION(member) &W::member, #member

// clang-format off
const ActionEntry kActions[] = {
    {ACTION(connectConnect_To_PKSDAction), "&Connect To PKSD", &W::OpenPksd},
    {ACTION(connectCloseAction), "C&lose PKSD Connection", &W::ClosePksd, Disabled},
    {ACTION(connectSave_Current_SettingsAction), "Save Current Settings", &W::SaveSettings},
    {ACTION(connectExitAction), "E&xit", nullptr},
    {ACTION(viewSelect_ComponentsAction), "&Select Components", &W::SelectTrace},
    {ACTION(viewSetTimeRangeAction), "SetTimeRange", &W::SetTimeRange},
    {ACTION(viewScale_ByIndividual_TraceAction), "Individual Trace", &W::SetScaleI, ToggleOn,
     [](const DisplayState& d) { return d.AmpScale == ScaleIndividual; }},
    {ACTION(viewScale_ByCommon_ScalingAction), "Range Scaling", &W::SetScaleC, ToggleOff,
     [](const DisplayState& d) { return d.AmpScale == ScaleCommon; }},
    {ACTION(viewScale_ByLock_ScaleAction), "Lock Scale", &W::SetScaleL, ToggleOff,
     [](const DisplayState& d) { return d.AmpScale == ScaleLock; }},
    {ACTION(viewScale_ByAbsolut_ScaleAction), "Absolute Scale", &W::AbsoluteScale, ToggleOff,
     [](const DisplayState& d) { return d.AmpScale == ScaleAbsolute; }},
    {ACTION(viewIncrease_Amplitude_2Action), "Increase Amplitude *2", &W::SetScaleUp, Command,
     nullptr, NotAbsolute},
    {ACTION(viewDecrease_Amplitude_12Action), "Decrease Amplitude *1/2", &W::SetScaleDown, Command,
     nullptr, NotAbsolute},
    {ACTION(viewRemove_DC_offsetAction), "&Remove DC offset", &W::RemoveDCoffset, ToggleOff,
     [](const DisplayState& d) { return d.ZeroDcOffset != 0; }, NotAbsolute},
    {ACTION(viewTime_Axis_Set_ByCommonAction), "Common Time", &W::SetTimeC, ToggleOff,
     [](const DisplayState& d) { return d.TimeScale == TimeCommon; }},
    {ACTION(viewTime_Axis_Set_ByIndividual_ChannelAction), "Individual Channel", &W::SetTimeI, ToggleOn,
     [](const DisplayState& d) { return d.TimeScale == TimePerChannel; }},
    {ACTION(viewTime_Axis_Set_ByStream_TimeAction), "Individual Stream", &W::SetTimeS, ToggleOff,
     [](const DisplayState& d) { return d.TimeScale == TimePerStream; }},
    {ACTION(viewTime_Axis_Set_ByDas_TimeAction), "Individual Das", &W::SetTimeD, ToggleOff,
     [](const DisplayState& d) { return d.TimeScale == TimePerUnit; }},
    {ACTION(viewTime_Axis_Set_ByCPU_TimeAction), "CPU Time", &W::CPUTimeScale, ToggleOff,
     [](const DisplayState& d) { return d.TimeScale == TimeCpuClock; }},
    {ACTION(viewFilter_parametersAction), "Filter parameters", &W::ApplyFilter, Disabled},
    {ACTION(viewLabelTimeAction), "Time", &W::SetLabelsTime, ToggleOn,
     [](const DisplayState& d) { return d.TimeLable != 0; }},
    {ACTION(viewLabelsMin_MaxAction), "Min-Max", &W::SetLabelsMinMax, ToggleOn,
     [](const DisplayState& d) { return d.MinMaxLable != 0; }},
    {ACTION(viewLabelsMean_RangeAction), "Mean-Range", &W::SetLabelsMeanRange, ToggleOn,
     [](const DisplayState& d) { return d.MeanRangeLable != 0; }},
    {ACTION(viewLabelsIn_VoltsAction), "In Volts", &W::SetLabelsVolts, ToggleOff,
     [](const DisplayState& d) { return d.VoltsLable == LabelVolts; }},
    {ACTION(viewLabelsIn_Ground_UnitsAction), "In Ground Units", &W::SetLabelsinGround, ToggleOff,
     [](const DisplayState& d) { return d.VoltsLable == LabelGround; }},
    {ACTION(viewLabelsIn_CountsAction), "In Counts", &W::SetLabelsInCount, ToggleOff,
     [](const DisplayState& d) { return d.VoltsLable == LabelCounts; }},
    {ACTION(viewFontAction), "&Font...", &W::SetFont},
    {ACTION(viewLabels_ColorAction), "Labels Color...", &W::LabelsColor},
    {ACTION(viewAxes__ColorAction), "Axes  Color...", &W::AxesColor},
    {ACTION(viewBackground_ColorAction), "Background Color...", &W::BackColor},
    {ACTION(displayStartAction), "St&art", &W::StartMonitor},
    {ACTION(displayStopAction), "S&top", &W::StopMonitor, Disabled},
    {ACTION(helpAboutAction), "&About", &W::About},
    {ACTION(viewChannel_HealthAction), "Channel &Health...", &W::ShowHealth},
};
// clang-format on
#undef ACTION

QString WindowText(const char* text)
{
    return QCoreApplication::translate("ovqt_displayMainWindow", text);
}

} // namespace

void ovqt_displayMainWindow::BuildActions()
{
    W& w = *this;
    for (const ActionEntry& action : kActions) {
        auto* a = new QAction(&w);
        a->setObjectName(QLatin1String(action.Name));
        const bool toggle = action.State == ToggleOn || action.State == ToggleOff;
        a->setCheckable(toggle);
        if (toggle)
            a->setChecked(action.State == ToggleOn);
        a->setEnabled(action.State != Disabled);
        w.*action.Member = a;
        if (action.Slot)
            QObject::connect(a, &QAction::triggered, &w, action.Slot);
    }
    QObject::connect(w.connectExitAction, &QAction::triggered, &w, &QWidget::close);
}

void ovqt_displayMainWindow::LabelActions()
{
    W& w = *this;
    for (const ActionEntry& action : kActions)
        (w.*action.Member)->setText(WindowText(action.Text));
    w.connectSave_Current_SettingsAction->setToolTip(
        WindowText("Save Current Settings for Future startup"));
    w.connectMenu->setTitle(WindowText("&Connect"));
    w.viewMenu->setTitle(WindowText("&View"));
    w.displayMenu->setTitle(WindowText("&Display"));
    w.helpMenu->setTitle(WindowText("&Help"));
    w.scaleByMenu->setTitle(WindowText("Scale By..."));
    w.timeAxisMenu->setTitle(WindowText("Time Axis Set By..."));
    w.labelsMenu->setTitle(WindowText("Labels"));
}

void ovqt_displayMainWindow::ShowMarks()
{
    const DisplayState& ds = state_.Display;
    for (const ActionEntry& action : kActions) {
        if (action.Checked)
            (this->*action.Member)->setChecked(action.Checked(ds));
        if (action.Usable)
            (this->*action.Member)->setEnabled(action.Usable(ds));
    }
}

void ovqt_displayMainWindow::BuildMenus()
{
    W& w = *this;
    w.MenuBarEditor = new QMenuBar(&w);
    w.MenuBarEditor->setObjectName(QStringLiteral("MenuBarEditor"));
    w.setMenuBar(w.MenuBarEditor);
    const auto menu = [&w](std::initializer_list<QAction*> items) {
        auto* m = new QMenu(&w);
        // Only the save command has a tool tip; menus hide tool tips unless told to show them.
        m->setToolTipsVisible(true);
        for (QAction* a : items) {
            if (a)
                m->addAction(a);
            else
                m->addSeparator();
        }
        return m;
    };

    w.connectMenu = menu({w.connectConnect_To_PKSDAction, w.connectCloseAction, nullptr,
                          w.connectSave_Current_SettingsAction, nullptr, w.connectExitAction});
    w.scaleByMenu = menu({w.viewScale_ByIndividual_TraceAction, w.viewScale_ByCommon_ScalingAction,
                          w.viewScale_ByLock_ScaleAction, w.viewScale_ByAbsolut_ScaleAction});
    w.timeAxisMenu =
        menu({w.viewTime_Axis_Set_ByCommonAction, w.viewTime_Axis_Set_ByIndividual_ChannelAction,
              w.viewTime_Axis_Set_ByStream_TimeAction, w.viewTime_Axis_Set_ByDas_TimeAction,
              w.viewTime_Axis_Set_ByCPU_TimeAction});
    w.labelsMenu = menu({w.viewLabelTimeAction, w.viewLabelsMin_MaxAction,
                         w.viewLabelsMean_RangeAction, nullptr, w.viewLabelsIn_VoltsAction,
                         w.viewLabelsIn_Ground_UnitsAction, w.viewLabelsIn_CountsAction});
    w.viewMenu = menu({w.viewSelect_ComponentsAction, nullptr, w.viewSetTimeRangeAction,
                       w.scaleByMenu->menuAction(), w.viewIncrease_Amplitude_2Action,
                       w.viewDecrease_Amplitude_12Action, w.viewRemove_DC_offsetAction, nullptr,
                       w.timeAxisMenu->menuAction(), w.viewFilter_parametersAction,
                       w.labelsMenu->menuAction(), nullptr, w.viewFontAction, nullptr,
                       w.viewLabels_ColorAction, w.viewAxes__ColorAction,
                       w.viewBackground_ColorAction, nullptr, w.viewChannel_HealthAction});
    w.displayMenu = menu({w.displayStartAction, w.displayStopAction});
    w.helpMenu = menu({w.helpAboutAction});
    for (QMenu* m : {w.connectMenu, w.viewMenu, w.displayMenu, w.helpMenu})
        w.MenuBarEditor->addMenu(m);
}
