#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <memory>

class HealthList;
class HealthWatch;
class PksdLink;
class QAction;
class QEvent;
class QMenu;
class QMenuBar;
class QPaintEvent;
class QResizeEvent;
class QSettings;
class QTimer;
class StatusFields;
struct DisplayState;
struct ProgramState;

// The one main window: commands, menus, status bar, the link to PKSD, the monitor timer and the
// off-screen picture of the traces. Its slots are thin; the work is in plain functions.
class ovqt_displayMainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(ovqt_displayMainWindow)

public:
    // An empty settingsFile means the user's own store (organisation "Orvane", application
    // "ovqt_display", INI form); otherwise that INI file is the store.
    explicit ovqt_displayMainWindow(ProgramState& state, const QString& settingsFile = {},
                                    QWidget* parent = nullptr, const char* name = nullptr,
                                    Qt::WindowFlags fl = Qt::Window);
    ~ovqt_displayMainWindow() override;

    QMenuBar* MenuBarEditor = nullptr;
    QMenu* connectMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* scaleByMenu = nullptr;
    QMenu* timeAxisMenu = nullptr;
    QMenu* labelsMenu = nullptr;
    QMenu* displayMenu = nullptr;
    QMenu* helpMenu = nullptr;

    // Built, named, labelled and wired from the table in mainwindowmenus.cpp.
    QAction* connectConnect_To_PKSDAction = nullptr;
    QAction* connectCloseAction = nullptr;
    QAction* connectSave_Current_SettingsAction = nullptr;
    QAction* connectExitAction = nullptr;
    QAction* viewSelect_ComponentsAction = nullptr;
    QAction* viewSetTimeRangeAction = nullptr;
    QAction* viewScale_ByIndividual_TraceAction = nullptr;
    QAction* viewScale_ByCommon_ScalingAction = nullptr;
    QAction* viewScale_ByLock_ScaleAction = nullptr;
    QAction* viewScale_ByAbsolut_ScaleAction = nullptr;
    QAction* viewIncrease_Amplitude_2Action = nullptr;
    QAction* viewDecrease_Amplitude_12Action = nullptr;
    QAction* viewRemove_DC_offsetAction = nullptr;
    QAction* viewTime_Axis_Set_ByCommonAction = nullptr;
    QAction* viewTime_Axis_Set_ByIndividual_ChannelAction = nullptr;
    QAction* viewTime_Axis_Set_ByStream_TimeAction = nullptr;
    QAction* viewTime_Axis_Set_ByDas_TimeAction = nullptr;
    QAction* viewTime_Axis_Set_ByCPU_TimeAction = nullptr;
    QAction* viewFilter_parametersAction = nullptr;
    QAction* viewLabelTimeAction = nullptr;
    QAction* viewLabelsMin_MaxAction = nullptr;
    QAction* viewLabelsMean_RangeAction = nullptr;
    QAction* viewLabelsIn_VoltsAction = nullptr;
    QAction* viewLabelsIn_Ground_UnitsAction = nullptr;
    QAction* viewLabelsIn_CountsAction = nullptr;
    QAction* viewFontAction = nullptr;
    QAction* viewLabels_ColorAction = nullptr;
    QAction* viewAxes__ColorAction = nullptr;
    QAction* viewBackground_ColorAction = nullptr;
    QAction* displayStartAction = nullptr;
    QAction* displayStopAction = nullptr;
    QAction* helpAboutAction = nullptr;
    QAction* viewChannel_HealthAction = nullptr;

    QSettings* settingsStore() const { return settingsStore_.get(); }
    QTimer* monitorTimer = nullptr;
    PksdLink* link = nullptr; // holds pksdSocket and reconnectTimer
    QPixmap offscreenPixmap;  // null until the first resize
    QPixmap iconPixmap;
    StatusFields* statusFields = nullptr; // the link's state and the monitor's, always shown
    HealthWatch* healthWatch = nullptr;   // judges the channels' health once a second
    QPointer<HealthList> healthList;      // while the operator has it open

    virtual void ReconnectPksd();
    // Once, after the window is shown: restores the state and marks, connects and starts the
    // monitor when the store asks for it.
    virtual void LoadSettings();
    // The start picture: the background alone, painted at once.
    void ShowBackground();

public slots:
    virtual void OpenPksd();
    virtual void ClosePksd();
    virtual void SelectTrace();
    virtual void SetTimeRange();
    virtual void SetScaleI();
    virtual void SetScaleC();
    virtual void SetScaleL();
    virtual void SetScaleUp();
    virtual void SetScaleDown();
    virtual void RemoveDCoffset();
    virtual void CPUTimeScale();
    virtual void SetTimeC();
    virtual void SetTimeI();
    virtual void SetTimeS();
    virtual void SetTimeD();
    virtual void ApplyFilter();
    virtual void SetLabelsTime();
    virtual void SetLabelsMinMax();
    virtual void SetLabelsMeanRange();
    virtual void SetLabelsVolts();
    virtual void SetFont();
    virtual void StartMonitor();
    virtual void StopMonitor();
    virtual void About();
    virtual void DrawDT();
    virtual void TimerTimeout();
    virtual void AbsoluteScale();
    virtual void LabelsColor();
    virtual void BackColor();
    virtual void AxesColor();
    virtual void SockTimeout();
    virtual void SaveSettings();
    virtual void SetLabelsinGround();
    virtual void SetLabelsInCount();
    // Opens the health list, or raises it when open.
    void ShowHealth();

    void slotReadyRead();
    void slotConnected();
    void slotError(int code);
    void slotClosed();
    void sloatClosedDelay();

protected slots:
    virtual void languageChange();
    void resizeEvent(QResizeEvent* event) override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // From the command table in mainwindowmenus.cpp: every action with its object name, initial
    // state and slot; the menu bar; texts, tool tip and menu titles in the window's translation
    // context; the check marks and enabled states that mirror the display state.
    void BuildActions();
    void BuildMenus();
    void LabelActions();
    void ShowMarks();
    // A View command: the state change, the marks, and the redraw it asks for.
    void RunViewCommand(bool (*command)(DisplayState&));
    // A redraw the operator asked for, under the wait cursor.
    void RedrawForOperator();
    void ChooseColor(QColor& target);
    void StartMonitorTimer();
    void HealthJudged(bool marksChanged);

    ProgramState& state_;
    std::unique_ptr<QSettings> settingsStore_;
    // The store could not be read at start-up: the next save keeps a copy of the file first.
    bool keepUnreadableStore_ = false;
};
