#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "app/statusfields.h"
#include "link/pksdlink.h"
#include "store/packetring.h"
#include "tests/common/menuclicks.h"
#include "tests/common/modalscript.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QFile>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

#include <memory>

namespace {

// Every command as built: menu path, object name, toggle, checked, enabled.
struct CommandRow
{
    QStringList Path;
    const char* Name;
    bool Toggle;
    bool On;
    bool Enabled;
};

QStringList P(std::initializer_list<const char*> texts)
{
    QStringList l;
    for (const char* t : texts)
        l << QString::fromUtf8(t);
    return l;
}

const QList<CommandRow>& Commands()
{
    static const QList<CommandRow> rows = {
        {P({"&Connect", "&Connect To PKSD"}), "connectConnect_To_PKSDAction", false, false, true},
        {P({"&Connect", "C&lose PKSD Connection"}), "connectCloseAction", false, false, false},
        {P({"&Connect", "Save Current Settings"}), "connectSave_Current_SettingsAction", false,
         false, true},
        {P({"&Connect", "E&xit"}), "connectExitAction", false, false, true},
        {P({"&View", "&Select Components"}), "viewSelect_ComponentsAction", false, false, true},
        {P({"&View", "SetTimeRange"}), "viewSetTimeRangeAction", false, false, true},
        {P({"&View", "Scale By...", "Individual Trace"}), "viewScale_ByIndividual_TraceAction",
         true, true, true},
        {P({"&View", "Scale By...", "Range Scaling"}), "viewScale_ByCommon_ScalingAction", true,
         false, true},
        {P({"&View", "Scale By...", "Lock Scale"}), "viewScale_ByLock_ScaleAction", true, false,
         true},
        {P({"&View", "Scale By...", "Absolute Scale"}), "viewScale_ByAbsolut_ScaleAction", true,
         false, true},
        {P({"&View", "Increase Amplitude *2"}), "viewIncrease_Amplitude_2Action", false, false,
         true},
        {P({"&View", "Decrease Amplitude *1/2"}), "viewDecrease_Amplitude_12Action", false, false,
         true},
        {P({"&View", "&Remove DC offset"}), "viewRemove_DC_offsetAction", true, false, true},
        {P({"&View", "Time Axis Set By...", "Common Time"}), "viewTime_Axis_Set_ByCommonAction",
         true, false, true},
        {P({"&View", "Time Axis Set By...", "Individual Channel"}),
         "viewTime_Axis_Set_ByIndividual_ChannelAction", true, true, true},
        {P({"&View", "Time Axis Set By...", "Individual Stream"}),
         "viewTime_Axis_Set_ByStream_TimeAction", true, false, true},
        {P({"&View", "Time Axis Set By...", "Individual Das"}),
         "viewTime_Axis_Set_ByDas_TimeAction", true, false, true},
        {P({"&View", "Time Axis Set By...", "CPU Time"}), "viewTime_Axis_Set_ByCPU_TimeAction",
         true, false, true},
        {P({"&View", "Filter parameters"}), "viewFilter_parametersAction", false, false, false},
        {P({"&View", "Labels", "Time"}), "viewLabelTimeAction", true, true, true},
        {P({"&View", "Labels", "Min-Max"}), "viewLabelsMin_MaxAction", true, true, true},
        {P({"&View", "Labels", "Mean-Range"}), "viewLabelsMean_RangeAction", true, true, true},
        {P({"&View", "Labels", "In Volts"}), "viewLabelsIn_VoltsAction", true, false, true},
        {P({"&View", "Labels", "In Ground Units"}), "viewLabelsIn_Ground_UnitsAction", true, false,
         true},
        {P({"&View", "Labels", "In Counts"}), "viewLabelsIn_CountsAction", true, false, true},
        {P({"&View", "&Font..."}), "viewFontAction", false, false, true},
        {P({"&View", "Labels Color..."}), "viewLabels_ColorAction", false, false, true},
        {P({"&View", "Axes  Color..."}), "viewAxes__ColorAction", false, false, true},
        {P({"&View", "Background Color..."}), "viewBackground_ColorAction", false, false, true},
        {P({"&Display", "St&art"}), "displayStartAction", false, false, true},
        {P({"&Display", "S&top"}), "displayStopAction", false, false, false},
        {P({"&Help", "&About"}), "helpAboutAction", false, false, true},
    };
    return rows;
}

// Records whether each redraw ran under the wait cursor.
class RecordingWindow : public ovqt_displayMainWindow
{
public:
    using ovqt_displayMainWindow::ovqt_displayMainWindow;
    QList<bool> DrawsUnderWaitCursor;
    void DrawDT() override
    {
        DrawsUnderWaitCursor << (QGuiApplication::overrideCursor() != nullptr);
        ovqt_displayMainWindow::DrawDT();
    }
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commandsAndMenusAsBuiltInOneWindow();
    void viewCommandsThroughTheMenusSetStateAndMarks_data();
    void viewCommandsThroughTheMenusSetStateAndMarks();
    void storedModesShowInTheMenus_data();
    void storedModesShowInTheMenus();
    void statusMessageSurvivesMenuHover();
    void saveToolTipShowsInTheMenu();
    void startFromStoreConnectsAndShowsTheLink();
    void ringTooLargeAtStartSaysSoInKilobytes();
    void monitorStoppedFieldFollowsTheTimer();
    void waitCursorOnlyAroundOperatorRedraws();
    void silentServerTurnsTheLinkFieldToAWarning();
    void colourAndFontChoicesRedrawOnlyWhenAccepted();
    void saveWritesTheStoreAndExitWritesNothing();
    void hostileStoreStartsUsable();

private:
    void Make(const QByteArray& ini = {});
    QAction* Action(const char* name) const
    {
        return w_->findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    }
    QStringList Marked(bool (QAction::*test)() const) const;

    std::unique_ptr<QTemporaryDir> dir_;
    QString ini_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<RecordingWindow> w_;
};

void tst_MainWindow::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ini_ = dir_->filePath(QStringLiteral("ovqt_display.ini"));
    state_ = std::make_unique<ProgramState>();
}

void tst_MainWindow::cleanup()
{
    w_.reset();
    state_.reset();
    dir_.reset();
}

void tst_MainWindow::Make(const QByteArray& ini)
{
    QFile f(ini_);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[ovqt_dislay]\n" + ini + "\n");
    f.close();
    w_ = std::make_unique<RecordingWindow>(*state_, ini_);
    w_->resize(900, 700);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
}

QStringList tst_MainWindow::Marked(bool (QAction::*test)() const) const
{
    QStringList names;
    for (const CommandRow& r : Commands())
        if ((Action(r.Name)->*test)())
            names << QLatin1String(r.Name);
    return names;
}

void tst_MainWindow::commandsAndMenusAsBuiltInOneWindow()
{
    Make();
    QCOMPARE(w_->windowTitle(), QStringLiteral("Tremvue"));
    QCOMPARE(w_->menuBar()->objectName(), QStringLiteral("MenuBarEditor"));
    for (const CommandRow& r : Commands()) {
        const QAction* a = Action(r.Name);
        QVERIFY2(a, r.Name);
        QCOMPARE(a->text(), r.Path.last());
        QCOMPARE(a->isCheckable(), r.Toggle);
        QCOMPARE(a->isChecked(), r.On);
        QCOMPARE(a->isEnabled(), r.Enabled);
        QVERIFY(a->shortcut().isEmpty());
        // The action sits where its path says.
        QWidget* owner = w_->menuBar();
        for (const QString& text : r.Path) {
            QAction* found = nullptr;
            for (QAction* item : owner->actions())
                found = item->text() == text ? item : found;
            QVERIFY2(found, qPrintable(text));
            owner = found->menu() ? static_cast<QWidget*>(found->menu()) : owner;
            if (text == r.Path.last())
                QCOMPARE(found, a);
        }
    }
    // Separators and submenus stand where an operator has always found them.
    QStringList view;
    for (const QAction* a : w_->viewMenu->actions())
        view << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(view, P({"&Select Components", "-", "SetTimeRange", "Scale By...",
                      "Increase Amplitude *2", "Decrease Amplitude *1/2", "&Remove DC offset", "-",
                      "Time Axis Set By...", "Filter parameters", "Labels", "-", "&Font...", "-",
                      "Labels Color...", "Axes  Color...", "Background Color..."}));
    QStringList connect;
    for (const QAction* a : w_->connectMenu->actions())
        connect << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(connect, P({"&Connect To PKSD", "C&lose PKSD Connection", "-", "Save Current Settings",
                         "-", "E&xit"}));
    QCOMPARE(w_->connectSave_Current_SettingsAction->toolTip(),
             QStringLiteral("Save Current Settings for Future startup"));
}

void tst_MainWindow::viewCommandsThroughTheMenusSetStateAndMarks_data()
{
    QTest::addColumn<QList<QStringList>>("clicks");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<int>("ampScale");
    QTest::addColumn<double>("factor");
    QTest::addColumn<int>("timeScale");
    QTest::addColumn<int>("units");
    const QStringList idleChecked =
        P({"viewScale_ByIndividual_TraceAction", "viewTime_Axis_Set_ByIndividual_ChannelAction",
           "viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction",
           "viewLabelsIn_CountsAction"});
    const QStringList idleDisabled =
        P({"connectCloseAction", "viewFilter_parametersAction", "displayStopAction"});
    QTest::newRow("absolute turns DC removal off and amplitude away")
        << QList<QStringList>{P({"&View", "&Remove DC offset"}),
                              P({"&View", "Scale By...", "Absolute Scale"})}
        << P({"viewScale_ByAbsolut_ScaleAction", "viewTime_Axis_Set_ByIndividual_ChannelAction",
              "viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction",
              "viewLabelsIn_CountsAction"})
        << P({"connectCloseAction", "viewIncrease_Amplitude_2Action",
              "viewDecrease_Amplitude_12Action", "viewRemove_DC_offsetAction",
              "viewFilter_parametersAction", "displayStopAction"})
        << 1 << 1.0 << 0 << 0;
    QTest::newRow("lock keeps the factor, range scaling resets it")
        << QList<QStringList>{P({"&View", "Increase Amplitude *2"}),
                              P({"&View", "Scale By...", "Lock Scale"}),
                              P({"&View", "Increase Amplitude *2"}),
                              P({"&View", "Scale By...", "Range Scaling"})}
        << P({"viewScale_ByCommon_ScalingAction", "viewTime_Axis_Set_ByIndividual_ChannelAction",
              "viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction",
              "viewLabelsIn_CountsAction"})
        << idleDisabled << 2 << 1.0 << 0 << 0;
    QTest::newRow("amplitude halves and doubles")
        << QList<QStringList>{P({"&View", "Decrease Amplitude *1/2"}),
                              P({"&View", "Decrease Amplitude *1/2"}),
                              P({"&View", "Increase Amplitude *2"})}
        << idleChecked << idleDisabled << 0 << 2.0 << 0 << 0;
    QTest::newRow("time modes are radio items")
        << QList<QStringList>{P({"&View", "Time Axis Set By...", "CPU Time"}),
                              P({"&View", "Time Axis Set By...", "Individual Das"}),
                              P({"&View", "Time Axis Set By...", "Individual Das"})}
        << P({"viewScale_ByIndividual_TraceAction", "viewTime_Axis_Set_ByDas_TimeAction",
              "viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction",
              "viewLabelsIn_CountsAction"})
        << idleDisabled << 0 << 1.0 << 3 << 0;
    QTest::newRow("label toggles and units")
        << QList<QStringList>{P({"&View", "Labels", "Time"}), P({"&View", "Labels", "Mean-Range"}),
                              P({"&View", "Labels", "In Ground Units"}),
                              P({"&View", "Time Axis Set By...", "Common Time"}),
                              P({"&View", "Time Axis Set By...", "Individual Stream"})}
        << P({"viewScale_ByIndividual_TraceAction", "viewTime_Axis_Set_ByStream_TimeAction",
              "viewLabelsMin_MaxAction", "viewLabelsIn_Ground_UnitsAction"})
        << idleDisabled << 0 << 1.0 << 2 << 2;
    QTest::newRow("volts, then counts again")
        << QList<QStringList>{P({"&View", "Labels", "In Volts"}),
                              P({"&View", "Labels", "In Counts"})}
        << idleChecked << idleDisabled << 0 << 1.0 << 0 << 0;
}

void tst_MainWindow::viewCommandsThroughTheMenusSetStateAndMarks()
{
    QFETCH(QList<QStringList>, clicks);
    Make();
    for (const QStringList& path : clicks) {
        QVERIFY2(menuclicks::Choose(w_->menuBar(), path), qPrintable(path.join(u'/')));
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }
    QTEST(Marked(&QAction::isChecked), "checked");
    QStringList disabled;
    for (const CommandRow& r : Commands())
        if (!Action(r.Name)->isEnabled())
            disabled << QLatin1String(r.Name);
    QTEST(disabled, "disabled");
    const DisplayState& ds = state_->Display;
    QTEST(ds.AmpScale, "ampScale");
    QTEST(ds.ScaleFactor, "factor");
    QTEST(ds.TimeScale, "timeScale");
    QTEST(ds.VoltsLable, "units");
}

void tst_MainWindow::storedModesShowInTheMenus_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("checked");
    QTest::newRow("empty store") << QByteArray()
                                 << P({"viewScale_ByIndividual_TraceAction",
                                       "viewTime_Axis_Set_ByIndividual_ChannelAction",
                                       "viewLabelTimeAction", "viewLabelsMin_MaxAction",
                                       "viewLabelsMean_RangeAction", "viewLabelsIn_CountsAction"});
    QTest::newRow("lock, DC, cpu time, volts, no labels")
        << QByteArray("AmpScale=3\nZeroDcOffset=1\nTimeScale=4\nVoltsLable=1\nTimeLable=0\n"
                      "MinMaxLable=0\nMeanRangeLable=0")
        << P({"viewScale_ByLock_ScaleAction", "viewRemove_DC_offsetAction",
              "viewTime_Axis_Set_ByCPU_TimeAction", "viewLabelsIn_VoltsAction"});
    QTest::newRow("absolute keeps DC off, unknown modes keep defaults")
        << QByteArray("AmpScale=1\nZeroDcOffset=1\nTimeScale=7\nVoltsLable=5")
        << P({"viewScale_ByAbsolut_ScaleAction", "viewTime_Axis_Set_ByIndividual_ChannelAction",
              "viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction",
              "viewLabelsIn_CountsAction"});
}

void tst_MainWindow::storedModesShowInTheMenus()
{
    QFETCH(QByteArray, ini);
    Make(ini);
    w_->LoadSettings();
    QTEST(Marked(&QAction::isChecked), "checked");
    QVERIFY(!w_->monitorTimer->isActive());
    QVERIFY(!state_->Store.PacketRing);
    QCOMPARE(w_->statusFields->LinkField()->text(), QStringLiteral("Not connected"));
}

// Resting the pointer on a menu item sends its empty status tip to the window.
void tst_MainWindow::statusMessageSurvivesMenuHover()
{
    Make();
    const QString message = QStringLiteral("Socket Closed 127.0.0.12543");
    w_->statusBar()->showMessage(message);
    int hovered = 0;
    for (QAction* bar : w_->menuBar()->actions()) {
        QMenu* menu = menuclicks::OpenFromBar(w_->menuBar(), bar);
        QVERIFY(menu);
        menuclicks::HoverEveryItem(menu, [&](QMenu*, QAction*) {
            ++hovered;
            QCOMPARE(w_->statusBar()->currentMessage(), message);
            QCOMPARE(w_->statusFields->LinkField()->text(), QStringLiteral("Not connected"));
        });
        menu->close();
    }
    QCOMPARE(hovered, 32 + 3); // every command and the three submenu entries
}

void tst_MainWindow::saveToolTipShowsInTheMenu()
{
    Make();
    QMenu* menu = menuclicks::OpenFromBar(w_->menuBar(), w_->connectMenu->menuAction());
    QVERIFY(menu);
    const QPoint at = menu->actionGeometry(w_->connectSave_Current_SettingsAction).center();
    menuclicks::MoveOver(menu, at);
    QHelpEvent help(QEvent::ToolTip, at, menu->mapToGlobal(at));
    QApplication::sendEvent(menu, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Save Current Settings for Future startup"));
    menu->close();
}

void tst_MainWindow::startFromStoreConnectsAndShowsTheLink()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QByteArray port = QByteArray::number(server.serverPort());
    Make("AutoStartPKSD=1\nAutoStartMonitor=1\nTimeRange=7\nNringBuffer=8\nPksdHost=127.0.0.1\n"
         "PksdPort=" +
         port);
    state_->Store.RingIndex = 5;
    w_->LoadSettings();
    QCOMPARE(state_->Store.AllocatedSlots, 8);
    QCOMPARE(state_->Store.RingIndex, 0);
    QCOMPARE(w_->monitorTimer->interval(), 350);
    QVERIFY(!w_->connectConnect_To_PKSDAction->isEnabled());
    QVERIFY(!w_->statusFields->MonitorField()->isVisible());
    QTRY_COMPARE(w_->statusBar()->currentMessage(), QStringLiteral("HandShaking with PKSD"));
    QTRY_COMPARE(
        w_->statusFields->LinkField()->text(),
        QStringLiteral("Connected to 127.0.0.1:%1 · waiting for data").arg(server.serverPort()));

    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&Connect", "C&lose PKSD Connection"})));
    QVERIFY(w_->connectConnect_To_PKSDAction->isEnabled());
    QCOMPARE(state_->Connection.AutoStartPKSD, 0);
    QCOMPARE(state_->Store.AllocatedSlots, 8);
    QCOMPARE(w_->statusFields->LinkField()->text(), QStringLiteral("Closed"));
}

void tst_MainWindow::ringTooLargeAtStartSaysSoInKilobytes()
{
    Make("AutoStartPKSD=1\nAutoStartMonitor=1\nNringBuffer=2147483647");
    QString text;
    ModalScript script({[&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Memory Error"));
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    }});
    w_->LoadSettings();
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(text, QStringLiteral("Couldn't allocate %1kB").arg(RingBytes(2147483647) / 1024));
    QVERIFY(!state_->Store.PacketRing);
    QVERIFY(!w_->monitorTimer->isActive());
    QVERIFY(w_->connectCloseAction->isEnabled());
    QCOMPARE(w_->link->pksdSocket().state(), QAbstractSocket::UnconnectedState);
}

void tst_MainWindow::monitorStoppedFieldFollowsTheTimer()
{
    Make();
    w_->LoadSettings();
    QLabel* field = w_->statusFields->MonitorField();
    QVERIFY(field->isVisible());
    QCOMPARE(field->text(), QStringLiteral("Monitor stopped"));
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&Display", "St&art"})));
    QVERIFY(w_->monitorTimer->isActive());
    QVERIFY(!field->isVisible());
    QCOMPARE(state_->Connection.AutoStartMonitor, 1);
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&Display", "S&top"})));
    QVERIFY(field->isVisible());
    QCOMPARE(state_->Connection.AutoStartMonitor, 0);
    // A new time range restarts the timer whether or not the monitor ran, and says so.
    ModalScript script({[](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); }});
    w_->SetTimeRange();
    QVERIFY(w_->monitorTimer->isActive());
    QVERIFY(!field->isVisible());
}

void tst_MainWindow::waitCursorOnlyAroundOperatorRedraws()
{
    Make("TimeScale=4");
    w_->LoadSettings();
    w_->DrawsUnderWaitCursor.clear();
    w_->TimerTimeout(); // the clock's tick redraws in this mode
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&View", "Scale By...", "Range Scaling"})));
    QCOMPARE(w_->DrawsUnderWaitCursor, (QList<bool>{false, true}));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void tst_MainWindow::silentServerTurnsTheLinkFieldToAWarning()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Make("AutoStartPKSD=1\nPksdHost=127.0.0.1\nPksdPort=" +
         QByteArray::number(server.serverPort()));
    std::int64_t now = 0;
    w_->link->SetClock([&now] { return now; });
    w_->LoadSettings();
    QLabel* field = w_->statusFields->LinkField();
    QTRY_VERIFY(field->text().endsWith(QStringLiteral("waiting for data")));
    const QColor normal = field->palette().color(QPalette::WindowText);
    now = 3 * 60000;
    w_->link->RefreshStatus();
    QVERIFY(field->text().endsWith(QStringLiteral(" · No data for 3 min")));
    QVERIFY(field->palette().color(QPalette::WindowText) != normal);
    QVERIFY(field->font().bold());
}

void tst_MainWindow::colourAndFontChoicesRedrawOnlyWhenAccepted()
{
    Make();
    state_->Display.backgroundColor = Qt::black;
    ModalScript cancel({[](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }});
    w_->DrawsUnderWaitCursor.clear();
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&View", "Background Color..."})));
    QTRY_COMPARE(cancel.Remaining(), std::size_t{0});
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(state_->Display.backgroundColor, QColor(Qt::black));
    QVERIFY(w_->DrawsUnderWaitCursor.isEmpty());

    ModalScript pick({[](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        QVERIFY(dialog);
        dialog->setCurrentColor(QColor(12, 34, 56));
        dialog->accept();
    }});
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&View", "Background Color..."})));
    QTRY_COMPARE(state_->Display.backgroundColor, QColor(12, 34, 56));
    QCOMPARE(w_->DrawsUnderWaitCursor, QList<bool>{true});
    QCOMPARE(w_->offscreenPixmap.toImage().pixelColor(5, 40), QColor(12, 34, 56));

    ModalScript font({[](QWidget* modal) {
        auto* dialog = qobject_cast<QFontDialog*>(modal);
        QVERIFY(dialog);
        QFont f = dialog->currentFont();
        f.setPointSize(15);
        dialog->setCurrentFont(f);
        dialog->accept();
    }});
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&View", "&Font..."})));
    QTRY_COMPARE(state_->Display.traceFont.pointSize(), 15);
}

void tst_MainWindow::saveWritesTheStoreAndExitWritesNothing()
{
    Make();
    w_->LoadSettings();
    state_->Display.TimeRange = 77;
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&Connect", "Save Current Settings"})));
    w_->settingsStore()->sync();
    QSettings s(ini_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("ovqt_dislay"));
    QCOMPARE(s.childKeys().size(), 23);
    QCOMPARE(s.value(QStringLiteral("TimeRange")).toInt(), 77);
    s.endGroup();

    state_->Display.TimeRange = 99;
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&Connect", "E&xit"})));
    QVERIFY(!w_->isVisible());
    w_.reset();
    QCOMPARE(QSettings(ini_, QSettings::IniFormat).value(QStringLiteral("ovqt_dislay/TimeRange")),
             QVariant(QStringLiteral("77")));
}

// Everything wrong at once: the window starts, falls back to defaults, and works.
void tst_MainWindow::hostileStoreStartsUsable()
{
    Make("PksdPort=70000\nTimeRange=-3\nKeepSel=9\nAmpScale=banana\nScaleFactor=0\n"
         "TextColor=(1,2)\nNoDataWarning=-1\n"
         "DasStreamChanInfo\\9A3C0001\\Name=" +
         QByteArray(1000, 'N') + "\nDasStreamChanInfo\\9A3C0001\\Active=4294967297\n");
    w_->LoadSettings();
    const ConnectionState& c = state_->Connection;
    const DisplayState& ds = state_->Display;
    QCOMPARE(c.PksdPort, 2543);
    QCOMPARE(ds.TimeRange, 120);
    QCOMPARE(state_->Store.KeepSel, 1);
    QCOMPARE(ds.AmpScale, 0);
    QCOMPARE(ds.ScaleFactor, 1.0);
    QCOMPARE(ds.textColor, QColor(255, 255, 0));
    QCOMPARE(c.NoDataWarning, 60);
    QVERIFY(menuclicks::Choose(w_->menuBar(), P({"&Display", "St&art"})));
    QCOMPARE(w_->monitorTimer->interval(), 6000);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
