#include "app/ovqt_displaymainwindow.h"

#include "app/monitortick.h"
#include "app/programstate.h"
#include "app/settingsstore.h"
#include "dialogs/abouth.h"
#include "dialogs/selecttrace.h"
#include "dialogs/settimerange.h"
#include "dialogs/tremvueicon.h"
#include "display/cpuclock.h"
#include "display/drawdt.h"
#include "display/viewcommands.h"
#include "link/pksdlink.h"
#include "link/pksdopenclose.h"
#include "packets/byteorder.h"
#include "packets/daytime.h"
#include "store/packetring.h"
#include "store/storedvalues.h"

#include <QAction>
#include <QColorDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

namespace {

void Mark(QAction* a, bool on)
{
    a->setChecked(on);
}

} // namespace

ovqt_displayMainWindow::ovqt_displayMainWindow(ProgramState& state, const QString& settingsFile,
                                               QWidget* parent, const char* name,
                                               Qt::WindowFlags fl)
    : QMainWindow(parent, fl), state_(state)
{
    iconPixmap = TremvueIcon();
    // The picture is copied over the whole window; the status bar must paint its own ground
    // or its messages vanish on the plot's background.
    statusBar()->setAutoFillBackground(true);
    setObjectName(QLatin1String(name ? name : "ovqt_displayMainWindow"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(pal);
    setWindowIcon(QIcon(iconPixmap));

    BuildActions();
    BuildMenus();
    languageChange();
    resize(QSize(786, 765).expandedTo(minimumSizeHint()));
    WireActions();

    settingsStore_ = OpenSettingsStore(settingsFile);
    link =
        new PksdLink(state_.Connection, state_.Store, state_.Catalogue, settingsStore_.get(), this);
    monitorTimer = new QTimer(this);
    DisplayState& ds = state_.Display;
    ds.textColor = QColor(255, 255, 0);
    ds.axesColor = QColor(0, 255, 255);
    ds.backgroundColor = QColor(0, 0, 0);

    connect(link, &PksdLink::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(monitorTimer, &QTimer::timeout, this, &ovqt_displayMainWindow::TimerTimeout);

    ds.traceFont = QFont(QStringLiteral("Arial"), 7, QFont::Light, false);
    offscreenPixmap = QPixmap();

    ds.AmpScale = 0;
    ds.ScaleFactor = 1.0;
    ds.ZeroDcOffset = 0;
    DetectByteOrder();
}

ovqt_displayMainWindow::~ovqt_displayMainWindow()
{
    delete link;
    link = nullptr;
    delete monitorTimer;
    monitorTimer = nullptr;
    settingsStore_.reset();
}

QAction* ovqt_displayMainWindow::MakeAction(const char* name, bool toggle, bool on, bool enabled)
{
    auto* a = new QAction(this);
    a->setObjectName(QLatin1String(name));
    a->setCheckable(toggle);
    if (toggle)
        a->setChecked(on);
    a->setEnabled(enabled);
    return a;
}

void ovqt_displayMainWindow::BuildActions()
{
    connectConnect_To_PKSDAction = MakeAction("connectConnect_To_PKSDAction", false, false, true);
    connectCloseAction = MakeAction("connectCloseAction", false, false, false);
    connectSave_Current_SettingsAction =
        MakeAction("connectSave_Current_SettingsAction", false, false, true);
    connectExitAction = MakeAction("connectExitAction", false, false, true);
    viewSelect_ComponentsAction = MakeAction("viewSelect_ComponentsAction", false, false, true);
    viewSetTimeRangeAction = MakeAction("viewSetTimeRangeAction", false, false, true);
    viewScale_ByIndividual_TraceAction =
        MakeAction("viewScale_ByIndividual_TraceAction", true, true, true);
    viewScale_ByCommon_ScalingAction =
        MakeAction("viewScale_ByCommon_ScalingAction", true, false, true);
    viewScale_ByLock_ScaleAction = MakeAction("viewScale_ByLock_ScaleAction", true, false, true);
    viewScale_ByAbsolut_ScaleAction =
        MakeAction("viewScale_ByAbsolut_ScaleAction", true, false, true);
    viewIncrease_Amplitude_2Action =
        MakeAction("viewIncrease_Amplitude_2Action", false, false, true);
    viewDecrease_Amplitude_12Action =
        MakeAction("viewDecrease_Amplitude_12Action", false, false, true);
    viewRemove_DC_offsetAction = MakeAction("viewRemove_DC_offsetAction", true, false, true);
    viewTime_Axis_Set_ByCommonAction =
        MakeAction("viewTime_Axis_Set_ByCommonAction", true, false, true);
    viewTime_Axis_Set_ByIndividual_ChannelAction =
        MakeAction("viewTime_Axis_Set_ByIndividual_ChannelAction", true, true, true);
    viewTime_Axis_Set_ByStream_TimeAction =
        MakeAction("viewTime_Axis_Set_ByStream_TimeAction", true, false, true);
    viewTime_Axis_Set_ByDas_TimeAction =
        MakeAction("viewTime_Axis_Set_ByDas_TimeAction", true, false, true);
    viewTime_Axis_Set_ByCPU_TimeAction =
        MakeAction("viewTime_Axis_Set_ByCPU_TimeAction", true, false, true);
    viewFilter_parametersAction = MakeAction("viewFilter_parametersAction", false, false, false);
    viewLabelTimeAction = MakeAction("viewLabelTimeAction", true, true, true);
    viewLabelsMin_MaxAction = MakeAction("viewLabelsMin_MaxAction", true, true, true);
    viewLabelsMean_RangeAction = MakeAction("viewLabelsMean_RangeAction", true, true, true);
    viewLabelsIn_VoltsAction = MakeAction("viewLabelsIn_VoltsAction", true, false, true);
    viewLabelsIn_Ground_UnitsAction =
        MakeAction("viewLabelsIn_Ground_UnitsAction", true, false, true);
    viewLabelsIn_CountsAction = MakeAction("viewLabelsIn_CountsAction", true, false, true);
    viewFontAction = MakeAction("viewFontAction", false, false, true);
    viewLabels_ColorAction = MakeAction("viewLabels_ColorAction", false, false, true);
    viewAxes__ColorAction = MakeAction("viewAxes__ColorAction", false, false, true);
    viewBackground_ColorAction = MakeAction("viewBackground_ColorAction", false, false, true);
    displayStartAction = MakeAction("displayStartAction", false, false, true);
    displayStopAction = MakeAction("displayStopAction", false, false, false);
    helpAboutAction = MakeAction("helpAboutAction", false, false, true);
}

void ovqt_displayMainWindow::BuildMenus()
{
    MenuBarEditor = new QMenuBar(this);
    MenuBarEditor->setObjectName(QStringLiteral("MenuBarEditor"));
    setMenuBar(MenuBarEditor);

    connectMenu = new QMenu(this);
    connectMenu->addAction(connectConnect_To_PKSDAction);
    connectMenu->addAction(connectCloseAction);
    connectMenu->addSeparator();
    connectMenu->addAction(connectSave_Current_SettingsAction);
    connectMenu->addSeparator();
    connectMenu->addAction(connectExitAction);
    menuBarItems_[0] = MenuBarEditor->addMenu(connectMenu);

    viewMenu = new QMenu(this);
    viewMenu->addAction(viewSelect_ComponentsAction);
    viewMenu->addSeparator();
    viewMenu->addAction(viewSetTimeRangeAction);
    scaleByMenu = new QMenu(this);
    scaleByMenu->addAction(viewScale_ByIndividual_TraceAction);
    scaleByMenu->addAction(viewScale_ByCommon_ScalingAction);
    scaleByMenu->addAction(viewScale_ByLock_ScaleAction);
    scaleByMenu->addAction(viewScale_ByAbsolut_ScaleAction);
    viewMenu->addMenu(scaleByMenu);
    viewMenu->addAction(viewIncrease_Amplitude_2Action);
    viewMenu->addAction(viewDecrease_Amplitude_12Action);
    viewMenu->addAction(viewRemove_DC_offsetAction);
    viewMenu->addSeparator();
    timeAxisMenu = new QMenu(this);
    timeAxisMenu->addAction(viewTime_Axis_Set_ByCommonAction);
    timeAxisMenu->addAction(viewTime_Axis_Set_ByIndividual_ChannelAction);
    timeAxisMenu->addAction(viewTime_Axis_Set_ByStream_TimeAction);
    timeAxisMenu->addAction(viewTime_Axis_Set_ByDas_TimeAction);
    timeAxisMenu->addAction(viewTime_Axis_Set_ByCPU_TimeAction);
    viewMenu->addMenu(timeAxisMenu);
    viewMenu->addAction(viewFilter_parametersAction);
    labelsMenu = new QMenu(this);
    labelsMenu->addAction(viewLabelTimeAction);
    labelsMenu->addAction(viewLabelsMin_MaxAction);
    labelsMenu->addAction(viewLabelsMean_RangeAction);
    labelsMenu->addSeparator();
    labelsMenu->addAction(viewLabelsIn_VoltsAction);
    labelsMenu->addAction(viewLabelsIn_Ground_UnitsAction);
    labelsMenu->addAction(viewLabelsIn_CountsAction);
    viewMenu->addMenu(labelsMenu);
    viewMenu->addSeparator();
    viewMenu->addAction(viewFontAction);
    viewMenu->addSeparator();
    viewMenu->addAction(viewLabels_ColorAction);
    viewMenu->addAction(viewAxes__ColorAction);
    viewMenu->addAction(viewBackground_ColorAction);
    menuBarItems_[1] = MenuBarEditor->addMenu(viewMenu);

    displayMenu = new QMenu(this);
    displayMenu->addAction(displayStartAction);
    displayMenu->addAction(displayStopAction);
    menuBarItems_[2] = MenuBarEditor->addMenu(displayMenu);

    helpMenu = new QMenu(this);
    helpMenu->addAction(helpAboutAction);
    menuBarItems_[3] = MenuBarEditor->addMenu(helpMenu);
}

void ovqt_displayMainWindow::languageChange()
{
    setWindowTitle(tr("Tremvue"));
    connectConnect_To_PKSDAction->setText(tr("&Connect To PKSD"));
    connectCloseAction->setText(tr("C&lose PKSD Connection"));
    connectSave_Current_SettingsAction->setText(tr("Save Current Settings"));
    connectSave_Current_SettingsAction->setToolTip(tr("Save Current Settings for Future startup"));
    connectExitAction->setText(tr("E&xit"));
    viewSelect_ComponentsAction->setText(tr("&Select Components"));
    viewSetTimeRangeAction->setText(tr("SetTimeRange"));
    viewScale_ByIndividual_TraceAction->setText(tr("Individual Trace"));
    viewScale_ByCommon_ScalingAction->setText(tr("Range Scaling"));
    viewScale_ByLock_ScaleAction->setText(tr("Lock Scale"));
    viewScale_ByAbsolut_ScaleAction->setText(tr("Absolute Scale"));
    viewIncrease_Amplitude_2Action->setText(tr("Increase Amplitude *2"));
    viewDecrease_Amplitude_12Action->setText(tr("Decrease Amplitude *1/2"));
    viewRemove_DC_offsetAction->setText(tr("&Remove DC offset"));
    viewTime_Axis_Set_ByCommonAction->setText(tr("Common Time"));
    viewTime_Axis_Set_ByIndividual_ChannelAction->setText(tr("Individual Channel"));
    viewTime_Axis_Set_ByStream_TimeAction->setText(tr("Individual Stream"));
    viewTime_Axis_Set_ByDas_TimeAction->setText(tr("Individual Das"));
    viewTime_Axis_Set_ByCPU_TimeAction->setText(tr("CPU Time"));
    viewFilter_parametersAction->setText(tr("Filter parameters"));
    viewLabelTimeAction->setText(tr("Time"));
    viewLabelsMin_MaxAction->setText(tr("Min-Max"));
    viewLabelsMean_RangeAction->setText(tr("Mean-Range"));
    viewLabelsIn_VoltsAction->setText(tr("In Volts"));
    viewLabelsIn_Ground_UnitsAction->setText(tr("In Ground Units"));
    viewLabelsIn_CountsAction->setText(tr("In Counts"));
    viewFontAction->setText(tr("&Font..."));
    viewLabels_ColorAction->setText(tr("Labels Color..."));
    viewAxes__ColorAction->setText(tr("Axes  Color..."));
    viewBackground_ColorAction->setText(tr("Background Color..."));
    displayStartAction->setText(tr("St&art"));
    displayStopAction->setText(tr("S&top"));
    helpAboutAction->setText(tr("&About"));

    menuBarItems_[0]->setText(tr("&Connect"));
    menuBarItems_[1]->setText(tr("&View"));
    menuBarItems_[2]->setText(tr("&Display"));
    menuBarItems_[3]->setText(tr("&Help"));
    const QList<QAction*> entries = viewMenu->actions();
    entries.at(3)->setText(tr("Scale By..."));
    entries.at(8)->setText(tr("Time Axis Set By..."));
    entries.at(10)->setText(tr("Labels"));
}

void ovqt_displayMainWindow::WireActions()
{
    using W = ovqt_displayMainWindow;
    const std::pair<QAction*, void (W::*)()> wiring[] = {
        {connectConnect_To_PKSDAction, &W::OpenPksd},
        {connectCloseAction, &W::ClosePksd},
        {connectSave_Current_SettingsAction, &W::SaveSettings},
        {viewSelect_ComponentsAction, &W::SelectTrace},
        {viewSetTimeRangeAction, &W::SetTimeRange},
        {viewScale_ByIndividual_TraceAction, &W::SetScaleI},
        {viewScale_ByCommon_ScalingAction, &W::SetScaleC},
        {viewScale_ByLock_ScaleAction, &W::SetScaleL},
        {viewScale_ByAbsolut_ScaleAction, &W::AbsoluteScale},
        {viewIncrease_Amplitude_2Action, &W::SetScaleUp},
        {viewDecrease_Amplitude_12Action, &W::SetScaleDown},
        {viewRemove_DC_offsetAction, &W::RemoveDCoffset},
        {viewTime_Axis_Set_ByCommonAction, &W::SetTimeC},
        {viewTime_Axis_Set_ByIndividual_ChannelAction, &W::SetTimeI},
        {viewTime_Axis_Set_ByStream_TimeAction, &W::SetTimeS},
        {viewTime_Axis_Set_ByDas_TimeAction, &W::SetTimeD},
        {viewTime_Axis_Set_ByCPU_TimeAction, &W::CPUTimeScale},
        {viewFilter_parametersAction, &W::ApplyFilter},
        {viewLabelTimeAction, &W::SetLabelsTime},
        {viewLabelsMin_MaxAction, &W::SetLabelsMinMax},
        {viewLabelsMean_RangeAction, &W::SetLabelsMeanRange},
        {viewLabelsIn_VoltsAction, &W::SetLabelsVolts},
        {viewLabelsIn_Ground_UnitsAction, &W::SetLabelsinGround},
        {viewLabelsIn_CountsAction, &W::SetLabelsInCount},
        {viewFontAction, &W::SetFont},
        {viewLabels_ColorAction, &W::LabelsColor},
        {viewAxes__ColorAction, &W::AxesColor},
        {viewBackground_ColorAction, &W::BackColor},
        {displayStartAction, &W::StartMonitor},
        {displayStopAction, &W::StopMonitor},
        {helpAboutAction, &W::About},
    };
    for (const auto& [action, slot] : wiring)
        connect(action, &QAction::triggered, this, slot);
    connect(connectExitAction, &QAction::triggered, this, &QWidget::close);
}

void ovqt_displayMainWindow::ReconnectPksd()
{
    link->ReconnectPksd();
}

void ovqt_displayMainWindow::LoadSettings()
{
    ReadStoredSettings(*settingsStore_, state_);
    ShowDcMark();
    ShowLabelMarks();
    ShowUnitMarks();
    ShowTimeMarks();
    // The menu shows the stored scale mode too, not Individual Trace regardless.
    ShowScaleMarks();

    ConnectionState& conn = state_.Connection;
    if (conn.AutoStartPKSD != 0) {
        SetConnectActions({connectConnect_To_PKSDAction, connectCloseAction}, true);
        if (!AllocateRing(state_.Store)) {
            QMessageBox::critical(this, tr("Memory Error"),
                                  StartupRingFailureText(state_.Store.NringBuffer),
                                  QMessageBox::Ok);
            return;
        }
        link->Connect();
    }
    if (conn.AutoStartMonitor != 0) {
        displayStartAction->setEnabled(false);
        displayStopAction->setEnabled(true);
        monitorTimer->start(MonitorIntervalMs(state_.Display.TimeRange));
    }
}

void ovqt_displayMainWindow::ShowBackground()
{
    if (!offscreenPixmap.isNull())
        offscreenPixmap.fill(state_.Display.backgroundColor);
    repaint();
}

void ovqt_displayMainWindow::OpenPksd()
{
    ::OpenPksd(this, state_.Connection, state_.Store, *link,
               {connectConnect_To_PKSDAction, connectCloseAction});
}

void ovqt_displayMainWindow::ClosePksd()
{
    ::ClosePksd(*link, {connectConnect_To_PKSDAction, connectCloseAction});
}

void ovqt_displayMainWindow::SelectTrace()
{
    ::SelectTrace(this, state_.Catalogue);
}

void ovqt_displayMainWindow::SetTimeRange()
{
    DisplayState& ds = state_.Display;
    if (!::SetTimeRange(this, ds.TimeRange, ds.TimeShift))
        return;
    // Restarted with the new pace whether or not the monitor was running.
    monitorTimer->stop();
    monitorTimer->start(MonitorIntervalMs(ds.TimeRange));
    DrawDT();
}

void ovqt_displayMainWindow::SetScaleI()
{
    const bool redraw = ViewCommands::SetScaleI(state_.Display);
    ShowScaleMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetScaleC()
{
    const bool redraw = ViewCommands::SetScaleC(state_.Display);
    ShowScaleMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetScaleL()
{
    const bool redraw = ViewCommands::SetScaleL(state_.Display);
    ShowScaleMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetScaleUp()
{
    RedrawWhen(ViewCommands::SetScaleUp(state_.Display));
}

void ovqt_displayMainWindow::SetScaleDown()
{
    RedrawWhen(ViewCommands::SetScaleDown(state_.Display));
}

void ovqt_displayMainWindow::RemoveDCoffset()
{
    const bool redraw = ViewCommands::RemoveDCoffset(state_.Display);
    ShowDcMark();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::CPUTimeScale()
{
    const bool redraw = ViewCommands::CPUTimeScale(state_.Display);
    ShowTimeMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetTimeC()
{
    const bool redraw = ViewCommands::SetTimeC(state_.Display);
    ShowTimeMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetTimeI()
{
    const bool redraw = ViewCommands::SetTimeI(state_.Display);
    ShowTimeMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetTimeS()
{
    const bool redraw = ViewCommands::SetTimeS(state_.Display);
    ShowTimeMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetTimeD()
{
    const bool redraw = ViewCommands::SetTimeD(state_.Display);
    ShowTimeMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::ApplyFilter() {}

void ovqt_displayMainWindow::SetLabelsTime()
{
    const bool redraw = ViewCommands::SetLabelsTime(state_.Display);
    ShowLabelMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetLabelsMinMax()
{
    const bool redraw = ViewCommands::SetLabelsMinMax(state_.Display);
    ShowLabelMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetLabelsMeanRange()
{
    const bool redraw = ViewCommands::SetLabelsMeanRange(state_.Display);
    ShowLabelMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetLabelsVolts()
{
    const bool redraw = ViewCommands::SetLabelsVolts(state_.Display);
    ShowUnitMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetLabelsinGround()
{
    const bool redraw = ViewCommands::SetLabelsinGround(state_.Display);
    ShowUnitMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetLabelsInCount()
{
    const bool redraw = ViewCommands::SetLabelsInCount(state_.Display);
    ShowUnitMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::SetFont()
{
    DisplayState& ds = state_.Display;
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, ds.traceFont, this);
    if (!ViewCommands::TakeFont(ds.traceFont, chosen, accepted))
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    DrawDT();
    repaint();
    QGuiApplication::restoreOverrideCursor();
}

void ovqt_displayMainWindow::ChooseColor(QColor& target)
{
    if (ViewCommands::TakeColor(target, QColorDialog::getColor(target, this)))
        DrawDT();
}

void ovqt_displayMainWindow::LabelsColor()
{
    ChooseColor(state_.Display.textColor);
}

void ovqt_displayMainWindow::AxesColor()
{
    ChooseColor(state_.Display.axesColor);
}

void ovqt_displayMainWindow::BackColor()
{
    ChooseColor(state_.Display.backgroundColor);
}

void ovqt_displayMainWindow::AbsoluteScale()
{
    const bool redraw = ViewCommands::AbsoluteScale(state_.Display);
    ShowScaleMarks();
    RedrawWhen(redraw);
}

void ovqt_displayMainWindow::StartMonitor()
{
    monitorTimer->start(MonitorIntervalMs(state_.Display.TimeRange));
    displayStartAction->setEnabled(false);
    displayStopAction->setEnabled(true);
    state_.Connection.AutoStartMonitor = 1;
    DrawDT();
}

void ovqt_displayMainWindow::StopMonitor()
{
    monitorTimer->stop();
    displayStartAction->setEnabled(true);
    displayStopAction->setEnabled(false);
    state_.Connection.AutoStartMonitor = 0;
}

void ovqt_displayMainWindow::About()
{
    AboutH dialog(this, "About", true);
    dialog.exec();
}

void ovqt_displayMainWindow::DrawDT()
{
    if (offscreenPixmap.isNull())
        return;
    bool repaintWanted = false;
    {
        QPainter p(&offscreenPixmap);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        repaintWanted = ::DrawDT(p, rect(), MenuBarEditor->height(), statusBar()->height(),
                                 state_.Display, state_.Catalogue, state_.Store, CpuClockNow());
        QGuiApplication::restoreOverrideCursor();
    }
    if (repaintWanted)
        update();
}

void ovqt_displayMainWindow::TimerTimeout()
{
    if (!MonitorTickRedraws(state_.Display.TimeScale, state_.Store.NewData))
        return;
    DrawDT();
    state_.Store.NewData = 0;
}

void ovqt_displayMainWindow::SockTimeout()
{
    link->SockTimeout();
}

void ovqt_displayMainWindow::SaveSettings()
{
    WriteStoredSettings(*settingsStore_, state_);
}

void ovqt_displayMainWindow::slotReadyRead()
{
    link->slotReadyRead();
}

void ovqt_displayMainWindow::slotConnected()
{
    link->slotConnected();
}

void ovqt_displayMainWindow::slotError(int code)
{
    link->slotError(code);
}

void ovqt_displayMainWindow::slotClosed()
{
    link->slotClosed();
}

void ovqt_displayMainWindow::sloatClosedDelay()
{
    link->sloatClosedDelay();
}

void ovqt_displayMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!offscreenPixmap.isNull() && width() <= offscreenPixmap.width() &&
        height() <= offscreenPixmap.height())
        return;
    offscreenPixmap = QPixmap();
    offscreenPixmap = QPixmap(size());
    if (!offscreenPixmap.isNull())
        offscreenPixmap.fill(state_.Display.backgroundColor);
    DrawDT();
}

void ovqt_displayMainWindow::paintEvent(QPaintEvent* /*event*/)
{
    if (offscreenPixmap.isNull()) {
        QPalette pal = statusBar()->palette();
        pal.setColor(QPalette::Window, QColor(212, 208, 200));
        statusBar()->setPalette(pal);
        return;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, offscreenPixmap);
}

void ovqt_displayMainWindow::RedrawWhen(bool redraw)
{
    if (redraw)
        DrawDT();
}

void ovqt_displayMainWindow::ShowScaleMarks()
{
    const ScaleMarks m = ScaleMarksOf(state_.Display);
    Mark(viewScale_ByIndividual_TraceAction, m.Individual);
    Mark(viewScale_ByCommon_ScalingAction, m.Common);
    Mark(viewScale_ByLock_ScaleAction, m.Lock);
    Mark(viewScale_ByAbsolut_ScaleAction, m.Absolute);
    viewIncrease_Amplitude_2Action->setEnabled(m.AmplitudeEnabled);
    viewDecrease_Amplitude_12Action->setEnabled(m.AmplitudeEnabled);
    viewRemove_DC_offsetAction->setEnabled(m.RemoveDcEnabled);
    Mark(viewRemove_DC_offsetAction, m.RemoveDcOn);
}

void ovqt_displayMainWindow::ShowDcMark()
{
    Mark(viewRemove_DC_offsetAction, ScaleMarksOf(state_.Display).RemoveDcOn);
}

void ovqt_displayMainWindow::ShowTimeMarks()
{
    const TimeMarks m = TimeMarksOf(state_.Display);
    Mark(viewTime_Axis_Set_ByCPU_TimeAction, m.Cpu);
    Mark(viewTime_Axis_Set_ByIndividual_ChannelAction, m.Channel);
    Mark(viewTime_Axis_Set_ByCommonAction, m.Common);
    Mark(viewTime_Axis_Set_ByStream_TimeAction, m.Stream);
    Mark(viewTime_Axis_Set_ByDas_TimeAction, m.Das);
}

void ovqt_displayMainWindow::ShowLabelMarks()
{
    const LabelMarks m = LabelMarksOf(state_.Display);
    Mark(viewLabelTimeAction, m.Time);
    Mark(viewLabelsMin_MaxAction, m.MinMax);
    Mark(viewLabelsMean_RangeAction, m.MeanRange);
}

void ovqt_displayMainWindow::ShowUnitMarks()
{
    const UnitMarks m = UnitMarksOf(state_.Display);
    Mark(viewLabelsIn_VoltsAction, m.Volts);
    Mark(viewLabelsIn_Ground_UnitsAction, m.Ground);
    Mark(viewLabelsIn_CountsAction, m.Counts);
}
