#include "app/monitortick.h"
#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "app/settingsstore.h"
#include "app/statusfields.h"
#include "link/pksdlink.h"
#include "store/channelsettings.h"
#include "store/dasstreamchaninfo.h"
#include "store/packetring.h"
#include "tests/common/childprocess.h"
#include "tests/common/inifile.h"
#include "tests/common/menuclicks.h"
#include "tests/common/modalscript.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QDir>
#include <QFile>
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
#include <tuple>

namespace {

QStringList Path(const char* path)
{
    return QString::fromUtf8(path).split(u'>');
}

// The items of a menu or the menu bar: "-" for a separator, a submenu's items in brackets after
// its title, and after a command's text "[x]" or "[ ]" for a toggle and its mark, "~" when
// disabled, "^" with a shortcut.
QString Layout(const QWidget* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions()) {
        QString item = a->isSeparator() ? QStringLiteral("-") : a->text();
        if (a->menu())
            item += u'(' + Layout(a->menu()) + u')';
        else if (a->isCheckable())
            item += a->isChecked() ? QStringLiteral("[x]") : QStringLiteral("[ ]");
        item += QLatin1String(a->isEnabled() ? "" : "~") +
                QLatin1String(a->shortcut().isEmpty() ? "" : "^");
        items << item;
    }
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

// The value the state would store under key, as the store writes it.
QVariant Stored(const ProgramState& st, const QString& key)
{
    for (const auto& [k, v] : SettingsSnapshot(st))
        if (k == StoredKey(qPrintable(key)))
            return v;
    return {};
}

// The store's file in folder, holding exactly text.
QString WriteStore(const QString& folder, const QByteArray& text)
{
    const QString path = folder + QStringLiteral("/ovqt_display.ini");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
    return path;
}

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
        // Separators and submenus stand where an operator has always found them.
        QCOMPARE(
            Layout(w_->menuBar()),
            QStringLiteral(
                "&Connect(&Connect To PKSD,C&lose PKSD Connection~,-,Save Current Settings,-,"
                "E&xit),&View(&Select Components,-,SetTimeRange,Scale By...(Individual Trace[x],"
                "Range Scaling[ ],Lock Scale[ ],Absolute Scale[ ]),Increase Amplitude *2,"
                "Decrease Amplitude *1/2,&Remove DC offset[ ],-,"
                "Time Axis Set By...(Common Time[ ],Individual Channel[x],Individual Stream[ ],"
                "Individual Das[ ],CPU Time[ ]),Filter parameters~,Labels(Time[x],Min-Max[x],"
                "Mean-Range[x],-,In Volts[ ],In Ground Units[ ],In Counts[ ]),-,&Font...,-,"
                "Labels Color...,Axes  Color...,Background Color...,-,Channel &Health...),"
                "&Display(St&art,S&top~),"
                "&Help(&About)"));
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
        QTest::addColumn<int>("redraws"); // label toggles, units, lock and CPU time wait
        QTest::newRow("absolute turns DC removal off and amplitude away")
            << "&View>&Remove DC offset;&View>Scale By...>Absolute Scale"
            << "Absolute Scale,Individual Channel,Time,Min-Max,Mean-Range,In Counts"
            << "C&lose PKSD Connection,Increase Amplitude *2,Decrease Amplitude *1/2,"
               "&Remove DC offset,Filter parameters,S&top"
            << 1 << 1.0 << 0 << 0 << 2;
        QTest::newRow("lock keeps the factor, range scaling resets it")
            << "&View>Increase Amplitude *2;&View>Scale By...>Lock Scale;"
               "&View>Increase Amplitude *2;&View>Scale By...>Range Scaling"
            << "Range Scaling,Individual Channel,Time,Min-Max,Mean-Range,In Counts" << kIdleDisabled
            << 2 << 1.0 << 0 << 0 << 3;
        QTest::newRow("amplitude halves and doubles")
            << "&View>Decrease Amplitude *1/2;&View>Decrease Amplitude *1/2;&View>Increase "
               "Amplitude *2"
            << kIdleChecked << kIdleDisabled << 0 << 2.0 << 0 << 0 << 3;
        QTest::newRow("time modes are radio items")
            << "&View>Time Axis Set By...>CPU Time;&View>Time Axis Set By...>Individual Das;"
               "&View>Time Axis Set By...>Individual Das"
            << "Individual Trace,Individual Das,Time,Min-Max,Mean-Range,In Counts" << kIdleDisabled
            << 0 << 1.0 << 3 << 0 << 2;
        QTest::newRow("label toggles and units")
            << "&View>Labels>Time;&View>Labels>Mean-Range;&View>Labels>In Ground Units;"
               "&View>Time Axis Set By...>Common Time;&View>Time Axis Set By...>Individual Stream"
            << "Individual Trace,Individual Stream,Min-Max,In Ground Units" << kIdleDisabled << 0
            << 1.0 << 2 << 2 << 2;
        QTest::newRow("volts, then counts again")
            << "&View>Labels>In Volts;&View>Labels>In Counts" << kIdleChecked << kIdleDisabled << 0
            << 1.0 << 0 << 0 << 0;
    }
    void viewCommandsThroughTheMenusSetStateAndMarks()
    {
        QFETCH(QString, clicks);
        Make();
        w_->DrawsUnderWaitCursor.clear();
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
        QTEST(int(w_->DrawsUnderWaitCursor.size()), "redraws");
    }

    void storedModesShowInTheMenus_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("checked");
        QTest::newRow("empty store") << QByteArray() << kIdleChecked;
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
        QCOMPARE(hovered, 33 + 3); // every command and the three submenu entries
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
        ModalScript script({ModalScript::For<QMessageBox>([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Memory Error"));
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        })});
        w_->LoadSettings();
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(text, QStringLiteral("Couldn't allocate %1kB").arg(RingBytes(2147483647) / 1024));
        QVERIFY(!state_->Store.PacketRing);
        QVERIFY(!w_->monitorTimer->isActive());
        QVERIFY(w_->connectCloseAction->isEnabled());
        QCOMPARE(w_->link->pksdSocket().state(), QAbstractSocket::UnconnectedState);
    }

    // At start the window opens at its own size and shows only the background until data come.
    void freshWindowOpensAtItsOwnSizeOnTheBackground()
    {
        RecordingWindow w(*state_, WriteIni(dir_, {}));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(786, 765));
        w.offscreenPixmap.fill(Qt::red);
        w.ShowBackground();
        const QImage picture = w.offscreenPixmap.toImage();
        QCOMPARE(picture.pixelColor(0, 0), state_->Display.backgroundColor);
        QCOMPARE(picture.pixelColor(picture.rect().bottomRight()), state_->Display.backgroundColor);
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
        QVERIFY(!w_->displayStartAction->isEnabled() && w_->displayStopAction->isEnabled());
        QVERIFY(!field->isVisible());
        QCOMPARE(state_->Connection.AutoStartMonitor, 1);
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Display>S&top")));
        QVERIFY(field->isVisible());
        QVERIFY(w_->displayStartAction->isEnabled() && !w_->displayStopAction->isEnabled());
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
        now = 3 * 60000;
        w_->link->RefreshStatus();
        QVERIFY(field->text().endsWith(QStringLiteral(" · No data for 3 min")));
        QCOMPARE(field->palette().color(QPalette::WindowText), QColor(192, 0, 0));
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

        ModalScript pick({ModalScript::For<QColorDialog>([](QColorDialog* dialog) {
            dialog->setCurrentColor(QColor(12, 34, 56));
            dialog->accept();
        })});
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&View>Background Color...")));
        QTRY_COMPARE(state_->Display.backgroundColor, QColor(12, 34, 56));
        QCOMPARE(w_->DrawsUnderWaitCursor, QList<bool>{true});
        QCOMPARE(w_->offscreenPixmap.toImage().pixelColor(5, 40), QColor(12, 34, 56));

        ModalScript font({ModalScript::For<QFontDialog>([](QFontDialog* dialog) {
            QFont f = dialog->currentFont();
            f.setPointSize(15);
            dialog->setCurrentFont(f);
            dialog->accept();
        })});
        w_->DrawsUnderWaitCursor.clear();
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&View>&Font...")));
        QTRY_COMPARE(state_->Display.traceFont.pointSize(), 15);
        QCOMPARE(w_->DrawsUnderWaitCursor, QList<bool>{true});
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

    // A folder and file the operator may not write: the save is refused with the path and the
    // system's reason, and once they may, it is done and said in the status bar.
    void saveToAStoreThatCannotBeWrittenSaysWhy()
    {
        int code = 0;
        QByteArray output;
        if (RanAsNobody("saveToAStoreThatCannotBeWrittenSaysWhy", code, output)) {
            QVERIFY2(code == 0, output.constData());
            return;
        }
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkdir(folder));
        const QString path = WriteStore(folder, "[ovqt_dislay]\nBackGroundColor=\"(0,0,0)\"\n");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        MakeOn(path);
        w_->LoadSettings();
        state_->Display.backgroundColor = QColor(12, 34, 56);

        QString text;
        ModalScript refused({ModalScript::For<QMessageBox>([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Settings Error"));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        })});
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>Save Current Settings")));
        QTRY_COMPARE(refused.Remaining(), std::size_t{0});
        QCOMPARE(text,
                 QStringLiteral("The settings were not saved to %1: Permission denied.").arg(path));
        QVERIFY(!w_->statusBar()->currentMessage().startsWith(QLatin1String("Settings saved")));
        QCOMPARE(OpenSettingsStore(path)->value(StoredKey("BackGroundColor")).toString(),
                 QStringLiteral("(0,0,0)"));

        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const auto kept = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path, kept));
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>Save Current Settings")));
        QCOMPARE(w_->statusBar()->currentMessage(), QStringLiteral("Settings saved to ") + path);
        // The new file takes the old one's place with its permissions.
        QCOMPARE(QFile::permissions(path) & (kept | QFile::ReadOther), kept);
        QCOMPARE(OpenSettingsStore(path)->value(StoredKey("BackGroundColor")).toString(),
                 QStringLiteral("(12,34,56)"));
    }

    // A channel's keys written by hand as a section of their own sort between the main section
    // and most of its keys; every key must still be read, the channel's too.
    void handWrittenChannelSectionHidesNoKey()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        Make("PksdHost=127.0.0.1\nPksdPort=" + QByteArray::number(server.serverPort()) +
             "\nAutoStartPKSD=1\nNringBuffer=8\nTimeRange=30\n\n"
             "[ovqt_dislay/DasStreamChanInfo/9A010000]\nActive=1\n");
        w_->LoadSettings();
        QTRY_VERIFY(server.hasPendingConnections());
        QCOMPARE(std::tuple(state_->Store.AllocatedSlots, state_->Display.TimeRange),
                 std::tuple(8, 30));
        DasStreamChanInfo e;
        e.DasId = 0x9A01;
        ReadChannelSettings(w_->settingsStore(), e);
        QCOMPARE(e.Active, 1);
    }

    // A store that cannot be read is told at start, the window runs on the defaults, and the
    // first save keeps the file under a new name before writing; a second never overwrites it.
    void unreadableStoreIsToldAndKeptAtTheNextSave()
    {
        const QByteArray text = "[ovqt_dislay\nPksdHost=kept.example\nTimeRange=7\n";
        QTemporaryDir dir;
        const QString path = WriteStore(dir.path(), text);
        for (int start = 1; start <= 2; ++start) {
            WriteStore(dir.path(), text);
            *state_ = ProgramState();
            MakeOn(path);
            QString told;
            ModalScript box({ModalScript::For<QMessageBox>([&](QMessageBox* b) {
                QCOMPARE(b->windowTitle(), QStringLiteral("Settings Error"));
                told = b->text();
                b->button(QMessageBox::Ok)->click();
            })});
            w_->LoadSettings();
            QCOMPARE(box.Remaining(), std::size_t{0});
            QVERIFY2(told.startsWith(QStringLiteral("The settings could not be read from %1: the "
                                                    "file is not in the settings format.")
                                         .arg(path)),
                     qPrintable(told));
            QCOMPARE(SettingsSnapshot(*state_), SettingsSnapshot(ProgramState()));

            QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>Save Current Settings")));
            const QString copy = path + QStringLiteral(".unreadable-%1").arg(start);
            QCOMPARE(w_->statusBar()->currentMessage(),
                     QStringLiteral("Settings saved to %1; the unreadable file is kept as %2")
                         .arg(path, copy));
            QFile kept(copy);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), text);
            // Saved once, the file is the program's own: a second save keeps no copy.
            QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>Save Current Settings")));
            QCOMPARE(w_->statusBar()->currentMessage(),
                     QStringLiteral("Settings saved to ") + path);
            w_.reset();
        }
    }

    // The file, or the folder that holds it, closed to the operator: told with the system's
    // reason, and a save refused rather than writing over a file that could not be kept.
    void storeClosedToTheUserIsToldAndNotOverwritten_data()
    {
        QTest::addColumn<bool>("folderClosed");
        QTest::addColumn<QString>("notSaved"); // why the save is refused
        QTest::newRow("file") << false
                              << "the unreadable file could not be kept (Permission denied).";
        // The folder hides the file: there is none to keep, and none can be written.
        QTest::newRow("folder") << true << "Permission denied.";
    }
    void storeClosedToTheUserIsToldAndNotOverwritten()
    {
        int code = 0;
        QByteArray output;
        if (RanAsNobody("storeClosedToTheUserIsToldAndNotOverwritten", code, output)) {
            QVERIFY2(code == 0, output.constData());
            return;
        }
        QFETCH(bool, folderClosed);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkdir(folder));
        const QString path = WriteStore(folder, "[ovqt_dislay]\nTimeRange=7\n");
        QVERIFY(QFile::setPermissions(folderClosed ? folder : path, {}));
        MakeOn(path);
        QStringList told;
        const auto answer = ModalScript::For<QMessageBox>([&](QMessageBox* b) {
            told << b->text();
            b->button(QMessageBox::Ok)->click();
        });
        {
            ModalScript script({answer});
            w_->LoadSettings();
            QCOMPARE(script.Remaining(), std::size_t{0});
        }
        QCOMPARE(
            told.value(0).section(u'\n', 0, 0),
            QStringLiteral("The settings could not be read from %1: Permission denied.").arg(path));
        QCOMPARE(state_->Display.TimeRange, 120);
        {
            ModalScript script({answer});
            QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Connect>Save Current Settings")));
            QTRY_COMPARE(script.Remaining(), std::size_t{0});
        }
        QFETCH(QString, notSaved);
        QCOMPARE(told.value(1),
                 QStringLiteral("The settings were not saved to %1: ").arg(path) + notSaved);
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(OpenSettingsStore(path)->value(StoredKey("TimeRange")).toString(),
                 QStringLiteral("7"));
    }

    // Everything wrong at once: the window starts on the defaults, and works.
    void hostileStoreStartsUsable()
    {
        Make("PksdPort=70000\nTimeRange=-3\nKeepSel=9\nAmpScale=banana\nScaleFactor=0\n"
             "TextColor=(1,2)\nNoDataWarning=-1\nDasStreamChanInfo\\9A3C0001\\Name=" +
             QByteArray(1000, 'N') + "\nDasStreamChanInfo\\9A3C0001\\Active=4294967297\n");
        w_->LoadSettings();
        QCOMPARE(SettingsSnapshot(*state_), SettingsSnapshot(ProgramState()));
        QVERIFY(menuclicks::Choose(w_->menuBar(), Path("&Display>St&art")));
        QCOMPARE(w_->monitorTimer->interval(), 6000);
    }

    void savedTextIsTheStoresFormatAndReadsBack()
    {
        ProgramState st;
        st.Display.textColor = QColor(12, 34, 56);
        st.Connection.PksdHost = QStringLiteral("pksd.example");
        st.Connection.PksdPort = 65535;
        st.Catalogue.SortOrder = 0;
        st.Connection.AutoStartPKSD = 1;
        st.Display.TimeShift = -30;
        st.Store.NringBuffer = 4321;
        st.Display.VoltsLable = 2;
        st.Display.AmpScale = 3;
        st.Display.TimeScale = 4;
        st.Display.ScaleFactor = 0.125;
        st.Connection.NoDataReconnect = 0;
        const QString path = WriteIni(dir_, {});
        WriteStoredSettings(*OpenSettingsStore(path), st);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.value(0), QByteArray("[ovqt_dislay]"));
        for (const char* line :
             {"TextColor=\"(12,34,56)\"", "AxesColor=\"(0,255,255)\"", "PksdHost=pksd.example",
              "PksdPort=65535", "SortOrder=0", "AutoStartPKSD=1", "TimeRange=120", "TimeShift=-30",
              "NringBuffer=4321", "VoltsLable=2", "AmpScale=3", "TimeScale=4", "ScaleFactor=0.125",
              "NoDataWarning=60", "NoDataReconnect=0"})
            QVERIFY2(lines.contains(line), line);
        QCOMPARE(lines.size(), 1 + 27 + 1);

        ProgramState back;
        ReadStoredSettings(*OpenSettingsStore(path), back);
        QCOMPARE(SettingsSnapshot(back), SettingsSnapshot(st));
    }

    void hostileValuesKeepTheirDefaults_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("expected"); // what the store would then hold for the key
        const auto row = [](const char* name, const char* line, const QVariant& v) {
            QTest::newRow(name) << QByteArray(line) << v;
        };
        row("range zero would spin the timer", "TimeRange=0", 120);
        row("range beyond 32 bits", "TimeRange=99999999999", 120);
        row("range as a list", "TimeRange=1, 2", 120);
        row("range kept", "TimeRange=7", 7);
        row("range beyond a day", "TimeRange=86401", 120);
        row("range of a day kept", "TimeRange=86400", 86400);
        row("range of one second kept", "TimeRange=1", 1);
        row("shift beyond 32 bits", "TimeShift=-4294967296", 0);
        row("shift negative kept", "TimeShift=-3600", -3600);
        row("ring zero", "NringBuffer=0", 1000);
        row("ring 2^31 wraps negative", "NringBuffer=2147483648", 1000);
        row("ring huge kept for the allocator", "NringBuffer=2147483647", 2147483647);
        row("port beyond 16 bits", "PksdPort=70000", 2543);
        row("port zero kept", "PksdPort=0", 0);
        row("scale mode 4", "AmpScale=4", 0);
        row("scale mode a word", "AmpScale=banana", 0);
        row("time mode 7", "TimeScale=7", 0);
        row("time mode cpu kept", "TimeScale=4", 4);
        row("units 3", "VoltsLable=3", 0);
        row("sort order 2", "SortOrder=2", 1);
        row("keep 2", "KeepSel=2", 1);
        row("label flag 9", "MinMaxLable=9", 1);
        row("auto-start 5", "AutoStartPKSD=5", 0);
        row("factor zero", "ScaleFactor=0", 1.0);
        row("factor nan", "ScaleFactor=nan", 1.0);
        row("factor kept", "ScaleFactor=0.25", 0.25);
        row("largest factor kept", "ScaleFactor=18446744073709551616", 0x1p64);
        row("warning after negative", "NoDataWarning=-1", 60);
        row("reconnect after negative", "NoDataReconnect=-1", 600);
        row("reconnect off kept", "NoDataReconnect=0", 0);
        row("colour two parts", "TextColor=\"(1,2)\"", QStringLiteral("(255,255,0)"));
        row("colour unquoted", "AxesColor=(12,34,56)", QStringLiteral("(12,34,56)"));
        row("axes colour a word", "AxesColor=cyan", QStringLiteral("(0,255,255)"));
        row("background colour two parts", "BackGroundColor=\"(1,2)\"", QStringLiteral("(0,0,0)"));
        row("host with commas", "PksdHost=a,b", QStringLiteral("a,b"));
    }
    void hostileValuesKeepTheirDefaults()
    {
        QFETCH(QByteArray, line);
        ProgramState st;
        ReadStoredSettings(*IniWith(dir_, line), st);
        QTEST(Stored(st, QString::fromLatin1(line.left(line.indexOf('=')))), "expected");
    }

    void monitorTickRedrawsOnDataOrTheClock_data()
    {
        QTest::addColumn<int>("timeScale");
        QTest::addColumn<int>("newData");
        QTest::addColumn<bool>("redraws");
        QTest::newRow("new data") << 0 << 1 << true;
        QTest::newRow("nothing new") << 1 << 0 << false;
        QTest::newRow("cpu clock, nothing new") << 4 << 0 << true;
    }
    void monitorTickRedrawsOnDataOrTheClock()
    {
        QFETCH(int, timeScale);
        QFETCH(int, newData);
        QTEST(MonitorTickRedraws(timeScale, newData), "redraws");
    }

private:
    void Make(const QByteArray& ini = {}) { MakeOn(WriteIni(dir_, ini)); }
    void MakeOn(const QString& ini)
    {
        ini_ = ini;
        w_ = std::make_unique<RecordingWindow>(*state_, ini_);
        w_->resize(900, 700);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    }
    // The texts of the window's commands whose test gives is, in the order they are built.
    QString Marked(bool (QAction::*test)() const, bool is) const
    {
        QStringList texts;
        for (const QAction* a : w_->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
            if ((a->*test)() == is)
                texts << a->text();
        return texts.join(u',');
    }

    QTemporaryDir dir_;
    QString ini_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<RecordingWindow> w_;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
