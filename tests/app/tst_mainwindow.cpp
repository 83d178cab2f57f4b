#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "link/pksdlink.h"
#include "store/channelsettings.h"
#include "store/packetring.h"

#include "modalanswer.h"

#include <QAbstractButton>
#include <QAction>
#include <QColorDialog>
#include <QFile>
#include <QFontDialog>
#include <QHostAddress>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// Every command, in the order of the action table: object name, text, toggle, on, enabled.
struct ActionRow
{
    const char* Name;
    const char* Text;
    bool Toggle;
    bool On;
    bool Enabled;
};

constexpr ActionRow kActions[] = {
    {"connectConnect_To_PKSDAction", "&Connect To PKSD", false, false, true},
    {"connectCloseAction", "C&lose PKSD Connection", false, false, false},
    {"connectSave_Current_SettingsAction", "Save Current Settings", false, false, true},
    {"connectExitAction", "E&xit", false, false, true},
    {"viewSelect_ComponentsAction", "&Select Components", false, false, true},
    {"viewSetTimeRangeAction", "SetTimeRange", false, false, true},
    {"viewScale_ByIndividual_TraceAction", "Individual Trace", true, true, true},
    {"viewScale_ByCommon_ScalingAction", "Range Scaling", true, false, true},
    {"viewScale_ByLock_ScaleAction", "Lock Scale", true, false, true},
    {"viewScale_ByAbsolut_ScaleAction", "Absolute Scale", true, false, true},
    {"viewIncrease_Amplitude_2Action", "Increase Amplitude *2", false, false, true},
    {"viewDecrease_Amplitude_12Action", "Decrease Amplitude *1/2", false, false, true},
    {"viewRemove_DC_offsetAction", "&Remove DC offset", true, false, true},
    {"viewTime_Axis_Set_ByCommonAction", "Common Time", true, false, true},
    {"viewTime_Axis_Set_ByIndividual_ChannelAction", "Individual Channel", true, true, true},
    {"viewTime_Axis_Set_ByStream_TimeAction", "Individual Stream", true, false, true},
    {"viewTime_Axis_Set_ByDas_TimeAction", "Individual Das", true, false, true},
    {"viewTime_Axis_Set_ByCPU_TimeAction", "CPU Time", true, false, true},
    {"viewFilter_parametersAction", "Filter parameters", false, false, false},
    {"viewLabelTimeAction", "Time", true, true, true},
    {"viewLabelsMin_MaxAction", "Min-Max", true, true, true},
    {"viewLabelsMean_RangeAction", "Mean-Range", true, true, true},
    {"viewLabelsIn_VoltsAction", "In Volts", true, false, true},
    {"viewLabelsIn_Ground_UnitsAction", "In Ground Units", true, false, true},
    {"viewLabelsIn_CountsAction", "In Counts", true, false, true},
    {"viewFontAction", "&Font...", false, false, true},
    {"viewLabels_ColorAction", "Labels Color...", false, false, true},
    {"viewAxes__ColorAction", "Axes  Color...", false, false, true},
    {"viewBackground_ColorAction", "Background Color...", false, false, true},
    {"displayStartAction", "St&art", false, false, true},
    {"displayStopAction", "S&top", false, false, false},
    {"helpAboutAction", "&About", false, false, true},
};

QStringList Names(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* n : names)
        list << QLatin1String(n);
    list.sort();
    return list;
}

// The idle start: the defaults of an empty store.
const QStringList kIdleChecked =
    Names({"viewScale_ByIndividual_TraceAction", "viewTime_Axis_Set_ByIndividual_ChannelAction",
           "viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction",
           "viewLabelsIn_CountsAction"});
const QStringList kIdleDisabled =
    Names({"connectCloseAction", "viewFilter_parametersAction", "displayStopAction"});

QStringList Replace(QStringList list, const char* from, const char* to)
{
    list.removeAll(QLatin1String(from));
    if (to)
        list << QLatin1String(to);
    list.sort();
    return list;
}

QStringList Add(QStringList list, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        list << QLatin1String(n);
    list.sort();
    return list;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void actionTable_data();
    void actionTable();
    void menus_data();
    void menus();
    void shell();
    void loadedMarks_data();
    void loadedMarks();
    void autoStartMonitor_data();
    void autoStartMonitor();
    void autoConnect();
    void ringRefusedAtStart();
    void commands_data();
    void commands();
    void colourDialogs_data();
    void colourDialogs();
    void fontDialog_data();
    void fontDialog();
    void monitorCommands();
    void timeRangeRestartsTimer();
    void exitWritesNothing_data();
    void exitWritesNothing();
    void saveCommandWrites();
    void resizeKeepsPicture();
    void storedChannelNameCut();
    void hostileStoreStartsUsable();
    void about();

private:
    void Make();
    void WriteIni(const QByteArray& body);
    QAction* Action(const char* name) const;
    QStringList Checked() const;
    QStringList Disabled() const;

    std::unique_ptr<QTemporaryDir> dir_;
    QString ini_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<ovqt_displayMainWindow> w_;
};

void tst_MainWindow::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    ini_ = dir_->filePath(QStringLiteral("ovqt_display.ini"));
    state_ = std::make_unique<ProgramState>();
}

void tst_MainWindow::cleanup()
{
    w_.reset();
    state_.reset();
    dir_.reset();
}

void tst_MainWindow::Make()
{
    w_ = std::make_unique<ovqt_displayMainWindow>(*state_, ini_);
}

void tst_MainWindow::WriteIni(const QByteArray& body)
{
    QFile f(ini_);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray("[ovqt_dislay]\n" + body + "\n"));
}

QAction* tst_MainWindow::Action(const char* name) const
{
    return w_->findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

QStringList tst_MainWindow::Checked() const
{
    QStringList names;
    for (const ActionRow& r : kActions)
        if (Action(r.Name)->isChecked())
            names << QLatin1String(r.Name);
    names.sort();
    return names;
}

QStringList tst_MainWindow::Disabled() const
{
    QStringList names;
    for (const ActionRow& r : kActions)
        if (!Action(r.Name)->isEnabled())
            names << QLatin1String(r.Name);
    names.sort();
    return names;
}

void tst_MainWindow::actionTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("toggle");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("enabled");
    for (const ActionRow& r : kActions)
        QTest::newRow(r.Name) << QString::fromLatin1(r.Text) << r.Toggle << r.On << r.Enabled;
}

void tst_MainWindow::actionTable()
{
    QFETCH(QString, text);
    QFETCH(bool, toggle);
    QFETCH(bool, on);
    QFETCH(bool, enabled);

    Make();
    const QAction* a = Action(QTest::currentDataTag());
    QVERIFY(a);
    QCOMPARE(a->text(), text);
    QCOMPARE(a->isCheckable(), toggle);
    QCOMPARE(a->isChecked(), on);
    QCOMPARE(a->isEnabled(), enabled);
    QVERIFY(a->shortcut().isEmpty());
    const bool isSave = a == w_->connectSave_Current_SettingsAction;
    QCOMPARE(a->toolTip() == QStringLiteral("Save Current Settings for Future startup"), isSave);

    int named = 0;
    for (const QAction* each : w_->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        named += each->objectName().endsWith(QLatin1String("Action")) ? 1 : 0;
    QCOMPARE(named, 32);
}

void tst_MainWindow::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("texts");
    auto list = [](std::initializer_list<const char*> t) {
        QStringList l;
        for (const char* s : t)
            l << QLatin1String(s);
        return l;
    };
    QTest::newRow("connect") << "connectMenu"
                             << list({"&Connect To PKSD", "C&lose PKSD Connection", "-",
                                      "Save Current Settings", "-", "E&xit"});
    QTest::newRow("view") << "viewMenu"
                          << list({"&Select Components", "-", "SetTimeRange", "Scale By...",
                                   "Increase Amplitude *2", "Decrease Amplitude *1/2",
                                   "&Remove DC offset", "-", "Time Axis Set By...",
                                   "Filter parameters", "Labels", "-", "&Font...", "-",
                                   "Labels Color...", "Axes  Color...", "Background Color..."});
    QTest::newRow("scale by") << "scaleByMenu"
                              << list({"Individual Trace", "Range Scaling", "Lock Scale",
                                       "Absolute Scale"});
    QTest::newRow("time axis") << "timeAxisMenu"
                               << list({"Common Time", "Individual Channel", "Individual Stream",
                                        "Individual Das", "CPU Time"});
    QTest::newRow("labels") << "labelsMenu"
                            << list({"Time", "Min-Max", "Mean-Range", "-", "In Volts",
                                     "In Ground Units", "In Counts"});
    QTest::newRow("display") << "displayMenu" << list({"St&art", "S&top"});
    QTest::newRow("help") << "helpMenu" << list({"&About"});
    QTest::newRow("menu bar") << "MenuBarEditor"
                              << list({"&Connect", "&View", "&Display", "&Help"});
}

void tst_MainWindow::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, texts);

    Make();
    const QMap<QString, QWidget*> menus = {
        {QStringLiteral("connectMenu"), w_->connectMenu},
        {QStringLiteral("viewMenu"), w_->viewMenu},
        {QStringLiteral("scaleByMenu"), w_->scaleByMenu},
        {QStringLiteral("timeAxisMenu"), w_->timeAxisMenu},
        {QStringLiteral("labelsMenu"), w_->labelsMenu},
        {QStringLiteral("displayMenu"), w_->displayMenu},
        {QStringLiteral("helpMenu"), w_->helpMenu},
        {QStringLiteral("MenuBarEditor"), w_->MenuBarEditor},
    };
    QStringList shown;
    for (const QAction* a : menus.value(menu)->actions())
        shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(shown, texts);

    const QList<QAction*> view = w_->viewMenu->actions();
    QCOMPARE(view.at(3), w_->scaleByMenu->menuAction());
    QCOMPARE(view.at(8), w_->timeAxisMenu->menuAction());
    QCOMPARE(view.at(10), w_->labelsMenu->menuAction());
    const QList<QAction*> bar = w_->MenuBarEditor->actions();
    QCOMPARE(bar.size(), 4);
    QCOMPARE(bar.at(0)->menu(), w_->connectMenu);
    QCOMPARE(bar.at(1)->menu(), w_->viewMenu);
    QCOMPARE(bar.at(2)->menu(), w_->displayMenu);
    QCOMPARE(bar.at(3)->menu(), w_->helpMenu);
}

void tst_MainWindow::shell()
{
    Make();
    QCOMPARE(w_->objectName(), QStringLiteral("ovqt_displayMainWindow"));
    QCOMPARE(w_->windowTitle(), QStringLiteral("Tremvue"));
    QCOMPARE(w_->MenuBarEditor->objectName(), QStringLiteral("MenuBarEditor"));
    QCOMPARE(w_->menuBar(), w_->MenuBarEditor);
    QVERIFY(w_->statusBar());
    QVERIFY(w_->width() >= 786);
    QVERIFY(w_->height() >= 765);
    QCOMPARE(w_->iconPixmap.size(), QSize(32, 32));
    QVERIFY(w_->iconPixmap.hasAlphaChannel());
    QVERIFY(!w_->windowIcon().isNull());
    QCOMPARE(w_->palette().color(QPalette::Window), QColor(255, 255, 255));
    QVERIFY(w_->offscreenPixmap.isNull());
    QVERIFY(!w_->monitorTimer->isActive());
    QCOMPARE(w_->link->pksdSocket().state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!w_->link->reconnectTimer().isActive());

    const DisplayState& ds = state_->Display;
    QCOMPARE(ds.textColor, QColor(255, 255, 0));
    QCOMPARE(ds.axesColor, QColor(0, 255, 255));
    QCOMPARE(ds.backgroundColor, QColor(0, 0, 0));
    QCOMPARE(ds.traceFont.family(), QStringLiteral("Arial"));
    QCOMPARE(ds.traceFont.pointSize(), 7);
    QCOMPARE(ds.traceFont.weight(), QFont::Light);
    QVERIFY(!ds.traceFont.italic());

    QSettings* s = w_->settingsStore();
    QCOMPARE(s->format(), QSettings::IniFormat);
    QCOMPARE(s->fileName(), ini_);

    ovqt_displayMainWindow named(*state_, ini_, nullptr, "tremvue");
    QCOMPARE(named.objectName(), QStringLiteral("tremvue"));
}

void tst_MainWindow::loadedMarks_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("disabled");

    QTest::newRow("empty store") << QByteArray() << kIdleChecked << kIdleDisabled;
    QTest::newRow("absolute scale")
        << QByteArray("AmpScale=1\nZeroDcOffset=1")
        << Replace(kIdleChecked, "viewScale_ByIndividual_TraceAction",
                   "viewScale_ByAbsolut_ScaleAction")
        << Add(kIdleDisabled, {"viewIncrease_Amplitude_2Action", "viewDecrease_Amplitude_12Action",
                               "viewRemove_DC_offsetAction"});
    QTest::newRow("range scaling") << QByteArray("AmpScale=2")
                                   << Replace(kIdleChecked, "viewScale_ByIndividual_TraceAction",
                                              "viewScale_ByCommon_ScalingAction")
                                   << kIdleDisabled;
    QTest::newRow("lock with DC removal")
        << QByteArray("AmpScale=3\nZeroDcOffset=1")
        << Add(Replace(kIdleChecked, "viewScale_ByIndividual_TraceAction",
                       "viewScale_ByLock_ScaleAction"),
               {"viewRemove_DC_offsetAction"})
        << kIdleDisabled;
    QTest::newRow("cpu time") << QByteArray("TimeScale=4")
                              << Replace(kIdleChecked,
                                         "viewTime_Axis_Set_ByIndividual_ChannelAction",
                                         "viewTime_Axis_Set_ByCPU_TimeAction")
                              << kIdleDisabled;
    QTest::newRow("unknown time mode keeps the default")
        << QByteArray("TimeScale=7") << kIdleChecked << kIdleDisabled;
    QTest::newRow("ground units, no time labels")
        << QByteArray("VoltsLable=2\nTimeLable=0")
        << Replace(Replace(kIdleChecked, "viewLabelsIn_CountsAction",
                           "viewLabelsIn_Ground_UnitsAction"),
                   "viewLabelTimeAction", nullptr)
        << kIdleDisabled;
    QTest::newRow("volts, no min-max or mean-range")
        << QByteArray("VoltsLable=1\nMinMaxLable=0\nMeanRangeLable=0")
        << Replace(Replace(Replace(kIdleChecked, "viewLabelsIn_CountsAction",
                                   "viewLabelsIn_VoltsAction"),
                           "viewLabelsMin_MaxAction", nullptr),
                   "viewLabelsMean_RangeAction", nullptr)
        << kIdleDisabled;
}

void tst_MainWindow::loadedMarks()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, disabled);

    if (!ini.isEmpty())
        WriteIni(ini);
    Make();
    w_->LoadSettings();
    QCOMPARE(Checked(), checked);
    QCOMPARE(Disabled(), disabled);
    QVERIFY(!w_->monitorTimer->isActive());
    QCOMPARE(w_->link->pksdSocket().state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!state_->Store.PacketRing);
}

void tst_MainWindow::autoStartMonitor_data()
{
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("interval");
    QTest::newRow("default range") << QByteArray() << 6000;
    QTest::newRow("seven seconds") << QByteArray("TimeRange=7") << 350;
    QTest::newRow("zero taken as 120") << QByteArray("TimeRange=0") << 6000;
    QTest::newRow("largest range held to a timer's reach")
        << QByteArray("TimeRange=2147483647") << 2147483647;
}

void tst_MainWindow::autoStartMonitor()
{
    QFETCH(QByteArray, range);
    QFETCH(int, interval);

    WriteIni("AutoStartMonitor=1\n" + range);
    Make();
    w_->LoadSettings();
    QVERIFY(w_->monitorTimer->isActive());
    QVERIFY(!w_->monitorTimer->isSingleShot());
    QCOMPARE(w_->monitorTimer->interval(), interval);
    QCOMPARE(Disabled(), Replace(kIdleDisabled, "displayStopAction", "displayStartAction"));
    QCOMPARE(state_->Connection.AutoStartMonitor, 1);
}

void tst_MainWindow::autoConnect()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    WriteIni("AutoStartPKSD=1\nAutoStartMonitor=1\nNringBuffer=8\nPksdHost=127.0.0.1\nPksdPort=" +
             QByteArray::number(server.serverPort()));
    Make();
    state_->Store.RingIndex = 5;
    w_->LoadSettings();
    QCOMPARE(state_->Store.AllocatedSlots, 8);
    QCOMPARE(state_->Store.RingIndex, 0);
    QVERIFY(!w_->connectConnect_To_PKSDAction->isEnabled());
    QVERIFY(w_->connectCloseAction->isEnabled());
    QVERIFY(w_->monitorTimer->isActive());
    QTRY_VERIFY(server.hasPendingConnections());
    QTRY_COMPARE(w_->statusBar()->currentMessage(), QStringLiteral("HandShaking with PKSD"));

    w_->connectCloseAction->trigger();
    QVERIFY(w_->connectConnect_To_PKSDAction->isEnabled());
    QCOMPARE(state_->Connection.AutoStartPKSD, 0);
    QCOMPARE(state_->Store.AllocatedSlots, 8);
}

// A ring of 2^31 - 1 slots is beyond the machine: refused with the box, nothing started, and
// the commands go on working.
void tst_MainWindow::ringRefusedAtStart()
{
    WriteIni("AutoStartPKSD=1\nAutoStartMonitor=1\nNringBuffer=2147483647");
    Make();
    QString caption;
    QString text;
    AnswerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    w_->LoadSettings();
    QCOMPARE(caption, QStringLiteral("Memory Error"));
    QCOMPARE(text, QStringLiteral("Couldn't allocate %1kB").arg(RingBytes(2147483647) / 1024));
    QVERIFY(!state_->Store.PacketRing);
    QVERIFY(!w_->monitorTimer->isActive());
    QVERIFY(!w_->connectConnect_To_PKSDAction->isEnabled());
    QVERIFY(w_->connectCloseAction->isEnabled());
    QCOMPARE(state_->Connection.AutoStartPKSD, 1);
    QCOMPARE(w_->link->pksdSocket().state(), QAbstractSocket::UnconnectedState);

    w_->connectCloseAction->trigger();
    QVERIFY(w_->connectConnect_To_PKSDAction->isEnabled());
    w_->viewScale_ByCommon_ScalingAction->trigger();
    QCOMPARE(state_->Display.AmpScale, 2);
    w_->displayStartAction->trigger();
    QVERIFY(w_->monitorTimer->isActive());
}

void tst_MainWindow::commands_data()
{
    QTest::addColumn<QStringList>("triggered");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<double>("scaleFactor");

    const QStringList lockChecked =
        Replace(kIdleChecked, "viewScale_ByIndividual_TraceAction", "viewScale_ByLock_ScaleAction");
    QTest::newRow("individual again stays checked")
        << Names({"viewScale_ByIndividual_TraceAction"}) << kIdleChecked << kIdleDisabled << 1.0;
    QTest::newRow("increase twice") << QStringList{QStringLiteral("viewIncrease_Amplitude_2Action"),
                                                   QStringLiteral("viewIncrease_Amplitude_2Action")}
                                    << kIdleChecked << kIdleDisabled << 0.25;
    QTest::newRow("absolute after DC removal")
        << QStringList{QStringLiteral("viewRemove_DC_offsetAction"),
                       QStringLiteral("viewScale_ByAbsolut_ScaleAction")}
        << Replace(kIdleChecked, "viewScale_ByIndividual_TraceAction",
                   "viewScale_ByAbsolut_ScaleAction")
        << Add(kIdleDisabled, {"viewIncrease_Amplitude_2Action", "viewDecrease_Amplitude_12Action",
                               "viewRemove_DC_offsetAction"})
        << 1.0;
    QTest::newRow("lock after absolute enables all, DC stays off")
        << QStringList{QStringLiteral("viewRemove_DC_offsetAction"),
                       QStringLiteral("viewScale_ByAbsolut_ScaleAction"),
                       QStringLiteral("viewScale_ByLock_ScaleAction")}
        << lockChecked << kIdleDisabled << 1.0;
    QTest::newRow("lock keeps the factor")
        << QStringList{QStringLiteral("viewDecrease_Amplitude_12Action"),
                       QStringLiteral("viewScale_ByLock_ScaleAction")}
        << lockChecked << kIdleDisabled << 2.0;
    QTest::newRow("leaving lock resets the factor")
        << QStringList{QStringLiteral("viewScale_ByLock_ScaleAction"),
                       QStringLiteral("viewDecrease_Amplitude_12Action"),
                       QStringLiteral("viewScale_ByCommon_ScalingAction")}
        << Replace(kIdleChecked, "viewScale_ByIndividual_TraceAction",
                   "viewScale_ByCommon_ScalingAction")
        << kIdleDisabled << 1.0;
    QTest::newRow("DC removal on")
        << Names({"viewRemove_DC_offsetAction"})
        << Add(kIdleChecked, {"viewRemove_DC_offsetAction"}) << kIdleDisabled << 1.0;
    QTest::newRow("DC removal on and off")
        << QStringList{QStringLiteral("viewRemove_DC_offsetAction"),
                       QStringLiteral("viewRemove_DC_offsetAction")}
        << kIdleChecked << kIdleDisabled << 1.0;
    const char* channel = "viewTime_Axis_Set_ByIndividual_ChannelAction";
    for (const char* mode :
         {"viewTime_Axis_Set_ByCPU_TimeAction", "viewTime_Axis_Set_ByCommonAction",
          "viewTime_Axis_Set_ByStream_TimeAction", "viewTime_Axis_Set_ByDas_TimeAction"})
        QTest::newRow(mode) << Names({mode}) << Replace(kIdleChecked, channel, mode)
                            << kIdleDisabled << 1.0;
    QTest::newRow("back to channel time")
        << QStringList{QStringLiteral("viewTime_Axis_Set_ByDas_TimeAction"), QLatin1String(channel)}
        << kIdleChecked << kIdleDisabled << 1.0;
    for (const char* label :
         {"viewLabelTimeAction", "viewLabelsMin_MaxAction", "viewLabelsMean_RangeAction"}) {
        QTest::newRow(label) << Names({label}) << Replace(kIdleChecked, label, nullptr)
                             << kIdleDisabled << 1.0;
        QTest::addRow("%s twice", label) << QStringList{QLatin1String(label), QLatin1String(label)}
                                         << kIdleChecked << kIdleDisabled << 1.0;
    }
    const char* counts = "viewLabelsIn_CountsAction";
    for (const char* unit : {"viewLabelsIn_VoltsAction", "viewLabelsIn_Ground_UnitsAction"})
        QTest::newRow(unit) << Names({unit}) << Replace(kIdleChecked, counts, unit) << kIdleDisabled
                            << 1.0;
    QTest::newRow("counts again") << QStringList{QStringLiteral("viewLabelsIn_VoltsAction"),
                                                 QLatin1String(counts)}
                                  << kIdleChecked << kIdleDisabled << 1.0;
    QTest::newRow("filter does nothing")
        << Names({"viewFilter_parametersAction"}) << kIdleChecked << kIdleDisabled << 1.0;
}

void tst_MainWindow::commands()
{
    QFETCH(QStringList, triggered);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, disabled);
    QFETCH(double, scaleFactor);

    Make();
    w_->LoadSettings();
    for (const QString& name : triggered) {
        QAction* a = Action(name.toLatin1().constData());
        QVERIFY(a);
        // Disabled commands do not run from the menu; the filter's slot is called directly.
        if (a->isEnabled())
            a->trigger();
        else
            w_->ApplyFilter();
    }
    QCOMPARE(Checked(), checked);
    QCOMPARE(Disabled(), disabled);
    QCOMPARE(state_->Display.ScaleFactor, scaleFactor);
}

void tst_MainWindow::colourDialogs_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("accept");
    for (const char* a :
         {"viewLabels_ColorAction", "viewAxes__ColorAction", "viewBackground_ColorAction"}) {
        QTest::addRow("%s chosen", a) << QString::fromLatin1(a) << true;
        QTest::addRow("%s cancelled", a) << QString::fromLatin1(a) << false;
    }
}

void tst_MainWindow::colourDialogs()
{
    QFETCH(QString, action);
    QFETCH(bool, accept);

    Make();
    w_->show();
    QTRY_VERIFY(!w_->offscreenPixmap.isNull());
    DisplayState& ds = state_->Display;
    const QMap<QString, QColor*> targets = {
        {QStringLiteral("viewLabels_ColorAction"), &ds.textColor},
        {QStringLiteral("viewAxes__ColorAction"), &ds.axesColor},
        {QStringLiteral("viewBackground_ColorAction"), &ds.backgroundColor},
    };
    QColor* target = targets.value(action);
    const QColor before = *target;
    const QColor chosen(12, 34, 56);
    // Painted over, so only a redraw brings the background back.
    w_->offscreenPixmap.fill(Qt::magenta);
    QColor initial;
    AnswerNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<QColorDialog*>(modal);
        QVERIFY(d);
        initial = d->currentColor();
        d->setCurrentColor(chosen);
        accept ? d->accept() : d->reject();
    });
    Action(action.toLatin1().constData())->trigger();
    QCOMPARE(initial, before);
    QCOMPARE(*target, accept ? chosen : before);
    const QColor centre =
        w_->offscreenPixmap.toImage().pixelColor(w_->width() / 2, w_->height() / 2);
    QCOMPARE(centre, accept ? ds.backgroundColor : QColor(Qt::magenta));
}

void tst_MainWindow::fontDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("chosen") << true;
    QTest::newRow("cancelled") << false;
}

void tst_MainWindow::fontDialog()
{
    QFETCH(bool, accept);
    Make();
    AnswerNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<QFontDialog*>(modal);
        QVERIFY(d);
        QFont f = d->currentFont();
        f.setPointSize(12);
        d->setCurrentFont(f);
        accept ? d->accept() : d->reject();
    });
    w_->viewFontAction->trigger();
    QCOMPARE(state_->Display.traceFont.pointSize(), accept ? 12 : 7);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void tst_MainWindow::monitorCommands()
{
    Make();
    w_->LoadSettings();
    state_->Display.TimeRange = 30;
    w_->displayStartAction->trigger();
    QVERIFY(w_->monitorTimer->isActive());
    QCOMPARE(w_->monitorTimer->interval(), 1500);
    QCOMPARE(state_->Connection.AutoStartMonitor, 1);
    QVERIFY(!w_->displayStartAction->isEnabled());
    QVERIFY(w_->displayStopAction->isEnabled());

    state_->Store.NewData = 1;
    w_->TimerTimeout();
    QCOMPARE(state_->Store.NewData, 0);

    w_->displayStopAction->trigger();
    QVERIFY(!w_->monitorTimer->isActive());
    QCOMPARE(state_->Connection.AutoStartMonitor, 0);
    QCOMPARE(Disabled(), kIdleDisabled);
}

// The timer takes the new pace even while the monitor is stopped; the commands keep theirs.
void tst_MainWindow::timeRangeRestartsTimer()
{
    Make();
    w_->LoadSettings();
    AnswerNextModal([](QWidget* modal) {
        auto* range = modal->findChild<QLineEdit*>(QStringLiteral("lineEdit1"));
        QVERIFY(range);
        range->setText(QStringLiteral("30"));
        qobject_cast<QDialog*>(modal)->accept();
    });
    w_->viewSetTimeRangeAction->trigger();
    QCOMPARE(state_->Display.TimeRange, 30);
    QVERIFY(w_->monitorTimer->isActive());
    QCOMPARE(w_->monitorTimer->interval(), 1500);
    QCOMPARE(Disabled(), kIdleDisabled);
    QCOMPARE(state_->Connection.AutoStartMonitor, 0);
}

void tst_MainWindow::exitWritesNothing_data()
{
    QTest::addColumn<bool>("byCommand");
    QTest::addColumn<bool>("storeExists");
    QTest::newRow("exit command, empty store") << true << false;
    QTest::newRow("exit command, stored settings") << true << true;
    QTest::newRow("window closed, stored settings") << false << true;
}

void tst_MainWindow::exitWritesNothing()
{
    QFETCH(bool, byCommand);
    QFETCH(bool, storeExists);

    if (storeExists)
        WriteIni("TimeRange=33\nAmpScale=2");
    QByteArray before;
    if (QFile f(ini_); f.open(QIODevice::ReadOnly))
        before = f.readAll();
    Make();
    w_->LoadSettings();
    w_->viewScale_ByLock_ScaleAction->trigger();
    state_->Display.TimeRange = 99;
    w_->show();
    // The real event loop: it must end because the window closed, not because the guard fired.
    QTimer::singleShot(0, w_.get(), [this, byCommand] {
        if (byCommand)
            w_->connectExitAction->trigger();
        else
            w_->close();
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!w_->isVisible());
    w_.reset();

    QCOMPARE(QFile::exists(ini_), storeExists);
    if (storeExists) {
        QFile f(ini_);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
}

void tst_MainWindow::saveCommandWrites()
{
    Make();
    w_->LoadSettings();
    w_->viewScale_ByLock_ScaleAction->trigger();
    w_->connectSave_Current_SettingsAction->trigger();
    w_.reset();
    QSettings s(ini_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("ovqt_dislay"));
    QCOMPARE(s.childKeys().size(), 23);
    QCOMPARE(s.value(QStringLiteral("AmpScale")).toInt(), 3);
}

void tst_MainWindow::resizeKeepsPicture()
{
    Make();
    w_->resize(800, 780);
    w_->show();
    QTRY_COMPARE(w_->offscreenPixmap.size(), w_->size());
    w_->resize(1000, 900);
    QTRY_COMPARE(w_->offscreenPixmap.size(), QSize(1000, 900));
    w_->resize(700, 950);
    QTRY_COMPARE(w_->size(), QSize(700, 950));
    QCOMPARE(w_->offscreenPixmap.size(), QSize(700, 950));
    w_->resize(600, 600);
    QTRY_COMPARE(w_->size(), QSize(600, 600));
    QCOMPARE(w_->offscreenPixmap.size(), QSize(700, 950));
}

void tst_MainWindow::storedChannelNameCut()
{
    WriteIni("DasStreamChanInfo\\9A3C0002\\Name=" + QByteArray(1000, 'N') +
             "\nDasStreamChanInfo\\9A3C0002\\Active=1");
    Make();
    DasStreamChanInfo e;
    e.DasId = 0x9A3C;
    e.Stream = 0;
    e.Channel = 2;
    ReadChannelSettings(w_->settingsStore(), e);
    QCOMPARE(e.Active, 1);
    QCOMPARE(e.Name, QString(kMaxNameLength, QLatin1Char('N')));
}

// Everything wrong at once: the window starts, falls back to defaults, refuses the ring with
// its box, and its commands, drawing and saving still work.
void tst_MainWindow::hostileStoreStartsUsable()
{
    QByteArray body = "PksdHost=\nPksdPort=-5\nKeepSel=yes\nTextColor=255,255,0\n"
                      "AxesColor=(1,2\nBackGroundColor=\"(a,b,c)\"\nAutoStartMonitor=99999999999\n"
                      "AutoStartPKSD=1\nSortColumn=-7\nSortOrder=2\nTimeRange=-120\n"
                      "TimeShift=1e300\nNringBuffer=2147483647\nTimeLable=@Variant(junk)\n"
                      "MinMaxLable=\nMeanRangeLable=0x10\nVoltsLable=-1\nZeroDcOffset=2\n"
                      "AmpScale=9\nTimeScale=nan\nScaleFactor=inf\n";
    body += "DasStreamChanInfo\\9A3C0001\\Name=" + QByteArray(1000, 'x') + "\n";
    body += "DasStreamChanInfo\\9A3C0001\\TraceColor=(300,-1\n";
    for (int i = 0; i < 100000; ++i)
        body += "DasStreamChanInfo\\" + QByteArray::number(i, 16).rightJustified(8, '0') +
                "\\Active=1\n";
    WriteIni(body);
    Make();
    QString caption;
    AnswerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        caption = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    w_->LoadSettings();
    QCOMPARE(caption, QStringLiteral("Memory Error"));
    QVERIFY(!state_->Store.PacketRing);

    const DisplayState defaults;
    QCOMPARE(state_->Display.TimeRange, 120);
    QCOMPARE(state_->Display.AmpScale, defaults.AmpScale);
    QCOMPARE(state_->Display.TimeScale, defaults.TimeScale);
    QCOMPARE(state_->Display.VoltsLable, defaults.VoltsLable);
    QCOMPARE(state_->Display.ScaleFactor, 1.0);
    QCOMPARE(state_->Display.axesColor, defaults.axesColor);
    QCOMPARE(state_->Display.backgroundColor, defaults.backgroundColor);
    QCOMPARE(state_->Connection.PksdPort, 2543);

    DasStreamChanInfo e;
    e.DasId = 0x9A3C;
    e.Channel = 1;
    e.TraceColor = Rgb{0, 255, 0};
    ReadChannelSettings(w_->settingsStore(), e);
    QCOMPARE(e.Name.size(), kMaxNameLength);
    QCOMPARE(e.TraceColor.Red, 0);
    QCOMPARE(e.TraceColor.Green, 255);

    w_->resize(500, 400);
    w_->DrawDT();
    w_->viewScale_ByLock_ScaleAction->trigger();
    QCOMPARE(state_->Display.AmpScale, 3);
    w_->connectSave_Current_SettingsAction->trigger();
    QSettings reread(ini_, QSettings::IniFormat);
    QCOMPARE(reread.value(QStringLiteral("/ovqt_dislay/TimeRange")).toInt(), 120);
    reread.beginGroup(QStringLiteral("ovqt_dislay/DasStreamChanInfo"));
    QCOMPARE(reread.childGroups().size(), 0); // the catalogue is empty: the junk is gone
}

void tst_MainWindow::about()
{
    Make();
    QString name;
    bool modal = false;
    AnswerNextModal([&](QWidget* dialog) {
        name = dialog->objectName();
        modal = dialog->isModal();
        qobject_cast<QDialog*>(dialog)->accept();
    });
    w_->helpAboutAction->trigger();
    QCOMPARE(name, QStringLiteral("About"));
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
