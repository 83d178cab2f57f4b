#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "app/statusfields.h"
#include "link/pksdlink.h"
#include "store/packetring.h"
#include "tests/common/inifile.h"
#include "tests/common/menuclicks.h"
#include "tests/common/modalscript.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

#include <memory>

namespace {

// Every command as built: menu path with ">" between menu, submenu and command, object name,
// and its kind: T a toggle, + checked, - disabled.
struct CommandRow
{
    const char* Path;
    const char* Name;
    const char* Kind;
};

const CommandRow kCommands[] = {
    {"&Connect>&Connect To PKSD", "connectConnect_To_PKSDAction", ""},
    {"&Connect>C&lose PKSD Connection", "connectCloseAction", "-"},
    {"&Connect>Save Current Settings", "connectSave_Current_SettingsAction", ""},
    {"&Connect>E&xit", "connectExitAction", ""},
    {"&View>&Select Components", "viewSelect_ComponentsAction", ""},
    {"&View>SetTimeRange", "viewSetTimeRangeAction", ""},
    {"&View>Scale By...>Individual Trace", "viewScale_ByIndividual_TraceAction", "T+"},
    {"&View>Scale By...>Range Scaling", "viewScale_ByCommon_ScalingAction", "T"},
    {"&View>Scale By...>Lock Scale", "viewScale_ByLock_ScaleAction", "T"},
    {"&View>Scale By...>Absolute Scale", "viewScale_ByAbsolut_ScaleAction", "T"},
    {"&View>Increase Amplitude *2", "viewIncrease_Amplitude_2Action", ""},
    {"&View>Decrease Amplitude *1/2", "viewDecrease_Amplitude_12Action", ""},
    {"&View>&Remove DC offset", "viewRemove_DC_offsetAction", "T"},
    {"&View>Time Axis Set By...>Common Time", "viewTime_Axis_Set_ByCommonAction", "T"},
    {"&View>Time Axis Set By...>Individual Channel", "viewTime_Axis_Set_ByIndividual_ChannelAction",
     "T+"},
    {"&View>Time Axis Set By...>Individual Stream", "viewTime_Axis_Set_ByStream_TimeAction", "T"},
    {"&View>Time Axis Set By...>Individual Das", "viewTime_Axis_Set_ByDas_TimeAction", "T"},
    {"&View>Time Axis Set By...>CPU Time", "viewTime_Axis_Set_ByCPU_TimeAction", "T"},
    {"&View>Filter parameters", "viewFilter_parametersAction", "-"},
    {"&View>Labels>Time", "viewLabelTimeAction", "T+"},
    {"&View>Labels>Min-Max", "viewLabelsMin_MaxAction", "T+"},
    {"&View>Labels>Mean-Range", "viewLabelsMean_RangeAction", "T+"},
    {"&View>Labels>In Volts", "viewLabelsIn_VoltsAction", "T"},
    {"&View>Labels>In Ground Units", "viewLabelsIn_Ground_UnitsAction", "T"},
    {"&View>Labels>In Counts", "viewLabelsIn_CountsAction", "T"},
    {"&View>&Font...", "viewFontAction", ""},
    {"&View>Labels Color...", "viewLabels_ColorAction", ""},
    {"&View>Axes  Color...", "viewAxes__ColorAction", ""},
    {"&View>Background Color...", "viewBackground_ColorAction", ""},
    {"&Display>St&art", "displayStartAction", ""},
    {"&Display>S&top", "displayStopAction", "-"},
    {"&Help>&About", "helpAboutAction", ""},
};

QStringList Path(const char* path)
{
    return QString::fromUtf8(path).split(u'>');
}

// A menu's items, "-" for a separator.
QString Layout(const QMenu* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items.join(u',');
}

// The marks of an operator who has changed nothing.
const char* const kIdleChecked =
    "Individual Trace,Individual Channel,Time,Min-Max,Mean-Range,In Counts";
const char* const kIdleDisabled = "C&lose PKSD Connection,Filter parameters,S&top";

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
    void init() { state_ = std::make_unique<ProgramState>(); }

    void cleanup() { w_.reset(); }

    void commandsAndMenusAsBuiltInOneWindow()
    {
        Make();
        QCOMPARE(w_->windowTitle(), QStringLiteral("Tremvue"));
        QCOMPARE(w_->menuBar()->objectName(), QStringLiteral("MenuBarEditor"));
        for (const CommandRow& r : kCommands) {
            const QAction* a = Action(r.Name);
            QVERIFY2(a, r.Name);
            const QStringList path = Path(r.Path);
            QCOMPARE(a->text(), path.last());
            const QString kind = QString::fromLatin1(r.Kind);
            QCOMPARE(a->isCheckable(), kind.contains(u'T'));
            QCOMPARE(a->isChecked(), kind.contains(u'+'));
            QCOMPARE(a->isEnabled(), !kind.contains(u'-'));
            QVERIFY(a->shortcut().isEmpty());
            // The action sits where its path says.
            QWidget* owner = w_->menuBar();
            for (const QString& text : path) {
                QAction* found = nullptr;
                for (QAction* item : owner->actions())
                    found = item->text() == text ? item : found;
                QVERIFY2(found, qPrintable(text));
                owner = found->menu() ? static_cast<QWidget*>(found->menu()) : owner;
                if (text == path.last())
                    QCOMPARE(found, a);
            }
        }
        // Separators and submenus stand where an operator has always found them.
        QCOMPARE(
            Layout(w_->viewMenu),
            QStringLiteral("&Select Components,-,SetTimeRange,Scale By...,Increase Amplitude *2,"
                           "Decrease Amplitude *1/2,&Remove DC offset,-,Time Axis Set By...,"
                           "Filter parameters,Labels,-,&Font...,-,Labels Color...,Axes  Color...,"
                           "Background Color..."));
        QCOMPARE(Layout(w_->connectMenu),
                 QStringLiteral(
                     "&Connect To PKSD,C&lose PKSD Connection,-,Save Current Settings,-,E&xit"));
    }

    void viewCommandsThroughTheMenusSetStateAndMarks_data()
    {
        QTest::addColumn<QString>("clicks"); // paths, ";" between them
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<int>("ampScale");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("timeScale");
        QTest::addColumn<int>("units");
        const QString idleChecked = QLatin1String(kIdleChecked);
        const QString idleDisabled = QLatin1String(kIdleDisabled);
        QTest::newRow("absolute turns DC removal off and amplitude away")
            << "&View>&Remove DC offset;&View>Scale By...>Absolute Scale"
            << "Absolute Scale,Individual Channel,Time,Min-Max,Mean-Range,In Counts"
            << "C&lose PKSD Connection,Increase Amplitude *2,Decrease Amplitude *1/2,"
               "&Remove DC offset,Filter parameters,S&top"
            << 1 << 1.0 << 0 << 0;
        QTest::newRow("lock keeps the factor, range scaling resets it")
            << "&View>Increase Amplitude *2;&View>Scale By...>Lock Scale;"
               "&View>Increase Amplitude *2;&View>Scale By...>Range Scaling"
            << "Range Scaling,Individual Channel,Time,Min-Max,Mean-Range,In Counts" << idleDisabled
            << 2 << 1.0 << 0 << 0;
        QTest::newRow("amplitude halves and doubles")
            << "&View>Decrease Amplitude *1/2;&View>Decrease Amplitude *1/2;&View>Increase "
               "Amplitude *2"
            << idleChecked << idleDisabled << 0 << 2.0 << 0 << 0;
        QTest::newRow("time modes are radio items")
            << "&View>Time Axis Set By...>CPU Time;&View>Time Axis Set By...>Individual Das;"
               "&View>Time Axis Set By...>Individual Das"
            << "Individual Trace,Individual Das,Time,Min-Max,Mean-Range,In Counts" << idleDisabled
            << 0 << 1.0 << 3 << 0;
        QTest::newRow("label toggles and units")
            << "&View>Labels>Time;&View>Labels>Mean-Range;&View>Labels>In Ground Units;"
               "&View>Time Axis Set By...>Common Time;&View>Time Axis Set By...>Individual Stream"
            << "Individual Trace,Individual Stream,Min-Max,In Ground Units" << idleDisabled << 0
            << 1.0 << 2 << 2;
        QTest::newRow("volts, then counts again")
            << "&View>Labels>In Volts;&View>Labels>In Counts" << idleChecked << idleDisabled << 0
            << 1.0 << 0 << 0;
    }
    void viewCommandsThroughTheMenusSetStateAndMarks()
    {
        QFETCH(QString, clicks);
        Make();
        for (const QString& path : clicks.split(u';')) {
            QVERIFY2(menuclicks::Choose(w_->menuBar(), path.split(u'>')), qPrintable(path));
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }
        QTEST(Marked(&QAction::isChecked, true), "checked");
        QTEST(Marked(&QAction::isEnabled, false), "disabled");
        const DisplayState& ds = state_->Display;
        QTEST(ds.AmpScale, "ampScale");
        QTEST(ds.ScaleFactor, "factor");
        QTEST(ds.TimeScale, "timeScale");
        QTEST(ds.VoltsLable, "units");
    }

    void storedModesShowInTheMenus_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("checked");
        QTest::newRow("empty store") << QByteArray() << QString::fromLatin1(kIdleChecked);
        QTest::newRow("lock, DC, cpu time, volts, no labels")
            << QByteArray("AmpScale=3\nZeroDcOffset=1\nTimeScale=4\nVoltsLable=1\nTimeLable=0\n"
                          "MinMaxLable=0\nMeanRangeLable=0")
            << "Lock Scale,&Remove DC offset,CPU Time,In Volts";
        QTest::newRow("absolute keeps DC off, unknown modes keep defaults")
            << QByteArray("AmpScale=1\nZeroDcOffset=1\nTimeScale=7\nVoltsLable=5")
            << "Absolute Scale,Individual Channel,Time,Min-Max,Mean-Range,In Counts";
    }
    void storedModesShowInTheMenus()
    {
        QFETCH(QByteArray, ini);
        Make(ini);
        w_->LoadSettings();
        QTEST(Marked(&QAction::isChecked, true), "checked");
        QVERIFY(!w_->monitorTimer->isActive());
        QVERIFY(!state_->Store.PacketRing);
        QCOMPARE(w_->statusFields->LinkField()->text(), QStringLiteral("Not connected"));
    }

    // Resting the pointer on a menu item sends its empty status tip to the window.
    void statusMessageSurvivesMenuHover()
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

    void saveToolTipShowsInTheMenu()
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

    void startFromStoreConnectsAndShowsTheLink()
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
        QTRY_COMPARE(w_->statusFields->LinkField()->text(),
                     QStringLiteral("Connected to 127.0.0.1:%1 · waiting for data")
                         .arg(server.serverPort()));

        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>C&lose PKSD Connection")));
        QVERIFY(w_->connectConnect_To_PKSDAction->isEnabled());
        QCOMPARE(state_->Connection.AutoStartPKSD, 0);
        QCOMPARE(state_->Store.AllocatedSlots, 8);
        QCOMPARE(w_->statusFields->LinkField()->text(), QStringLiteral("Closed"));
    }

    void ringTooLargeAtStartSaysSoInKilobytes()
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

    void monitorStoppedFieldFollowsTheTimer()
    {
        Make();
        w_->LoadSettings();
        QLabel* field = w_->statusFields->MonitorField();
        QVERIFY(field->isVisible());
        QCOMPARE(field->text(), QStringLiteral("Monitor stopped"));
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Display>St&art")));
        QVERIFY(w_->monitorTimer->isActive());
        QVERIFY(!field->isVisible());
        QCOMPARE(state_->Connection.AutoStartMonitor, 1);
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Display>S&top")));
        QVERIFY(field->isVisible());
        QCOMPARE(state_->Connection.AutoStartMonitor, 0);
        // A new time range restarts the timer whether or not the monitor ran, and says so.
        ModalScript script({[](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); }});
        w_->SetTimeRange();
        QVERIFY(w_->monitorTimer->isActive());
        QVERIFY(!field->isVisible());
    }

    void waitCursorOnlyAroundOperatorRedraws()
    {
        Make("TimeScale=4");
        w_->LoadSettings();
        w_->DrawsUnderWaitCursor.clear();
        w_->TimerTimeout(); // the clock's tick redraws in this mode
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&View>Scale By...>Range Scaling")));
        QCOMPARE(w_->DrawsUnderWaitCursor, (QList<bool>{false, true}));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void silentServerTurnsTheLinkFieldToAWarning()
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

    void colourAndFontChoicesRedrawOnlyWhenAccepted()
    {
        Make();
        state_->Display.backgroundColor = Qt::black;
        ModalScript cancel({[](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }});
        w_->DrawsUnderWaitCursor.clear();
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&View>Background Color...")));
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
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&View>Background Color...")));
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
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&View>&Font...")));
        QTRY_COMPARE(state_->Display.traceFont.pointSize(), 15);
    }

    void saveWritesTheStoreAndExitWritesNothing()
    {
        Make();
        w_->LoadSettings();
        state_->Display.TimeRange = 77;
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>Save Current Settings")));
        w_->settingsStore()->sync();
        const auto stored = [this] {
            return OpenSettingsStore(ini_)->value(StoredKey("TimeRange"));
        };
        QCOMPARE(stored(), QVariant(QStringLiteral("77")));
        state_->Display.TimeRange = 99;
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>E&xit")));
        QVERIFY(!w_->isVisible());
        w_.reset();
        QCOMPARE(stored(), QVariant(QStringLiteral("77")));
    }

private:
    void Make(const QByteArray& ini = {});
    QAction* Action(const char* name) const
    {
        return w_->findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    }
    QString Marked(bool (QAction::*test)() const, bool is) const;

    QTemporaryDir dir_;
    QString ini_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<RecordingWindow> w_;
};

void tst_MainWindow::Make(const QByteArray& ini)
{
    ini_ = WriteIni(dir_, ini);
    w_ = std::make_unique<RecordingWindow>(*state_, ini_);
    w_->resize(900, 700);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
}

// The texts of the commands whose test gives is.
QString tst_MainWindow::Marked(bool (QAction::*test)() const, bool is) const
{
    QStringList texts;
    for (const CommandRow& r : kCommands)
        if ((Action(r.Name)->*test)() == is)
            texts << Path(r.Path).last();
    return texts.join(u',');
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
