#include "app/ovqt_displaymainwindow.h"

#include "app/connectioncommands.h"
#include "app/healthwatch.h"
#include "app/monitortick.h"
#include "app/programstate.h"
#include "app/statusfields.h"
#include "app/storecommands.h"
#include "dialogs/abouth.h"
#include "dialogs/healthlist.h"
#include "dialogs/selecttrace.h"
#include "dialogs/settimerange.h"
#include "dialogs/tremvueicon.h"
#include "display/offscreenpicture.h"
#include "display/viewcommands.h"
#include "link/pksdlink.h"
#include "packets/byteorder.h"
#include "store/healthboard.h"
#include "store/storedvalues.h"

#include <QAction>
#include <QColorDialog>
#include <QEvent>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

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

    settingsStore_ = OpenSettingsStore(settingsFile);
    link =
        new PksdLink(state_.Connection, state_.Store, state_.Catalogue, settingsStore_.get(), this);
    monitorTimer = new QTimer(this);
    connect(link, &PksdLink::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(monitorTimer, &QTimer::timeout, this, &ovqt_displayMainWindow::TimerTimeout);
    statusFields = new StatusFields(*statusBar(), *link, *monitorTimer, this);
    connect(statusFields, &StatusFields::healthFieldClicked, this,
            &ovqt_displayMainWindow::ShowHealth);
    healthWatch = new HealthWatch(state_.Health, state_.Catalogue, this);
    connect(healthWatch, &HealthWatch::judged, this, &ovqt_displayMainWindow::HealthJudged);
    statusFields->ShowHealth(state_.Health, state_.Catalogue);

    DetectByteOrder();
}

ovqt_displayMainWindow::~ovqt_displayMainWindow()
{
    // The link reads the store for new channels until it is gone.
    delete link;
    link = nullptr;
}

void ovqt_displayMainWindow::languageChange()
{
    setWindowTitle(tr("Tremvue"));
    LabelActions();
}

void ovqt_displayMainWindow::ReconnectPksd()
{
    link->ReconnectPksd();
}

void ovqt_displayMainWindow::LoadSettings()
{
    keepUnreadableStore_ = !LoadStoreOrSay(this, *settingsStore_, state_);
    // A store that could not be read has no selection to watch either.
    if (!keepUnreadableStore_)
        ReadStoredSelection(*settingsStore_, state_.Health);
    // The menu shows the stored scale mode too, not Individual Trace regardless.
    ShowMarks();

    if (state_.Connection.AutoStartPKSD != 0) {
        SetConnectActions({connectConnect_To_PKSDAction, connectCloseAction}, true);
        if (!AllocateRingOrSay(this, state_.Store,
                               StartupRingFailureText(state_.Store.NringBuffer)))
            return;
        link->Connect();
    }
    if (state_.Connection.AutoStartMonitor != 0)
        StartMonitorTimer();
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
    statusFields->ShowMonitor();
    RedrawForOperator();
}

void ovqt_displayMainWindow::SetScaleI()
{
    RunViewCommand(ViewCommands::SetScaleI);
}

void ovqt_displayMainWindow::SetScaleC()
{
    RunViewCommand(ViewCommands::SetScaleC);
}

void ovqt_displayMainWindow::SetScaleL()
{
    RunViewCommand(ViewCommands::SetScaleL);
}

void ovqt_displayMainWindow::SetScaleUp()
{
    RunViewCommand(ViewCommands::SetScaleUp);
}

void ovqt_displayMainWindow::SetScaleDown()
{
    RunViewCommand(ViewCommands::SetScaleDown);
}

void ovqt_displayMainWindow::RemoveDCoffset()
{
    RunViewCommand(ViewCommands::RemoveDCoffset);
}

void ovqt_displayMainWindow::CPUTimeScale()
{
    RunViewCommand(ViewCommands::CPUTimeScale);
}

void ovqt_displayMainWindow::SetTimeC()
{
    RunViewCommand(ViewCommands::SetTimeC);
}

void ovqt_displayMainWindow::SetTimeI()
{
    RunViewCommand(ViewCommands::SetTimeI);
}

void ovqt_displayMainWindow::SetTimeS()
{
    RunViewCommand(ViewCommands::SetTimeS);
}

void ovqt_displayMainWindow::SetTimeD()
{
    RunViewCommand(ViewCommands::SetTimeD);
}

void ovqt_displayMainWindow::ApplyFilter() {}

void ovqt_displayMainWindow::SetLabelsTime()
{
    RunViewCommand(ViewCommands::SetLabelsTime);
}

void ovqt_displayMainWindow::SetLabelsMinMax()
{
    RunViewCommand(ViewCommands::SetLabelsMinMax);
}

void ovqt_displayMainWindow::SetLabelsMeanRange()
{
    RunViewCommand(ViewCommands::SetLabelsMeanRange);
}

void ovqt_displayMainWindow::SetLabelsVolts()
{
    RunViewCommand(ViewCommands::SetLabelsVolts);
}

void ovqt_displayMainWindow::SetLabelsinGround()
{
    RunViewCommand(ViewCommands::SetLabelsinGround);
}

void ovqt_displayMainWindow::SetLabelsInCount()
{
    RunViewCommand(ViewCommands::SetLabelsInCount);
}

void ovqt_displayMainWindow::AbsoluteScale()
{
    RunViewCommand(ViewCommands::AbsoluteScale);
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
        RedrawForOperator();
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

void ovqt_displayMainWindow::StartMonitor()
{
    StartMonitorTimer();
    state_.Connection.AutoStartMonitor = 1;
    RedrawForOperator();
}

void ovqt_displayMainWindow::StopMonitor()
{
    monitorTimer->stop();
    displayStartAction->setEnabled(true);
    displayStopAction->setEnabled(false);
    state_.Connection.AutoStartMonitor = 0;
    statusFields->ShowMonitor();
}

void ovqt_displayMainWindow::StartMonitorTimer()
{
    monitorTimer->start(MonitorIntervalMs(state_.Display.TimeRange));
    displayStartAction->setEnabled(false);
    displayStopAction->setEnabled(true);
    statusFields->ShowMonitor();
}

void ovqt_displayMainWindow::About()
{
    AboutH dialog(this, "About", true);
    dialog.exec();
}

void ovqt_displayMainWindow::DrawDT()
{
    if (DrawDTInto(&offscreenPixmap, rect(), MenuBarEditor->height(), statusBar()->height(),
                   state_.Display, state_.Catalogue, state_.Store))
        update();
}

void ovqt_displayMainWindow::RedrawForOperator()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    DrawDT();
    QGuiApplication::restoreOverrideCursor();
}

void ovqt_displayMainWindow::TimerTimeout()
{
    if (!MonitorTickRedraws(state_.Display.TimeScale, state_.Store.NewData))
        return;
    DrawDT();
    state_.Store.NewData = 0;
}

void ovqt_displayMainWindow::ShowHealth()
{
    if (!healthList) {
        healthList = new HealthList(state_.Health, state_.Catalogue, this);
        healthList->setAttribute(Qt::WA_DeleteOnClose);
    }
    healthList->show();
    healthList->raise();
    healthList->activateWindow();
}

void ovqt_displayMainWindow::HealthJudged(bool marksChanged)
{
    statusFields->ShowHealth(state_.Health, state_.Catalogue);
    if (healthList && healthList->isVisible())
        healthList->Refresh();
    // A unit that stopped sends nothing that would redraw its band's mark.
    if (marksChanged && monitorTimer->isActive())
        DrawDT();
}

void ovqt_displayMainWindow::SockTimeout()
{
    link->SockTimeout();
}

void ovqt_displayMainWindow::SaveSettings()
{
    const QString saved = SaveStoreOrSay(this, *settingsStore_, state_, keepUnreadableStore_);
    if (!saved.isEmpty())
        statusBar()->showMessage(saved);
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
    if (!ResizePicture(offscreenPixmap, size(), devicePixelRatio()))
        return;
    if (!offscreenPixmap.isNull())
        offscreenPixmap.fill(state_.Display.backgroundColor);
    DrawDT();
}

bool ovqt_displayMainWindow::event(QEvent* event)
{
    // Resting the pointer on a menu item sends its (empty) status tip, which would wipe the
    // link's messages for good; the status bar shows only what the program says.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
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
    CopyPicture(p, offscreenPixmap);
}

void ovqt_displayMainWindow::RunViewCommand(bool (*command)(DisplayState&))
{
    const bool redraw = command(state_.Display);
    ShowMarks();
    if (redraw)
        RedrawForOperator();
}
