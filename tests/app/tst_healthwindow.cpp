// Channel health as the operator meets it in the window: the status-bar field, its tool tip, the
// list it opens and the marks on the traces, from packets a loopback server sends, with the
// judging clock moved by hand.
#include "app/healthwatch.h"
#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "app/statusfields.h"
#include "dialogs/healthlist.h"
#include "display/healthmark.h"
#include "store/channelhealth.h"
#include "tests/common/imagecolors.h"
#include "tests/common/inifile.h"
#include "tests/common/menuclicks.h"
#include "tests/common/packetbytes.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// Midnight of 1 January 2006, the day of the test packets, on the health clock.
constexpr std::int64_t kDataDayMs = std::int64_t{732692} * 86400000;

} // namespace

class tst_HealthWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        state_ = std::make_unique<ProgramState>();
        QVERIFY(server_.listen(QHostAddress::LocalHost, 0));
    }

    void cleanup()
    {
        w_.reset();
        peer_ = nullptr;
        server_.close();
    }

    // Three channels stored as selected, a server that sends two: the field counts one never
    // heard, its tool tip and the list name it.
    void storedChannelNeverSentIsCountedAndListed()
    {
        Start("DasStreamChanInfo\\9A3C0000\\Active=1\n"
              "DasStreamChanInfo\\9A3C0001\\Active=1\n"
              "DasStreamChanInfo\\9A3C0002\\Active=1\n"
              "DasStreamChanInfo\\9A3C0002\\Name=EAST\n");
        Send(0, 1);
        Send(1, 1);
        QTRY_COMPARE(state_->Catalogue.Count(), 2);
        Judge(3000);
        QLabel* field = w_->statusFields->HealthField();
        QCOMPARE(field->text(), QStringLiteral("1 of 3 channels never heard"));
        QCOMPARE(field->palette().color(QPalette::WindowText), WarningColor());
        QVERIFY(field->font().bold());
        QVERIFY2(field->toolTip().startsWith(QStringLiteral("9A3C-01-03 EAST: never heard\n")),
                 qPrintable(field->toolTip()));
        QVERIFY(field->toolTip().contains(QStringLiteral("9A3C-01-01 9A3C: OK")));

        QTest::mouseClick(field, Qt::LeftButton);
        QTRY_VERIFY(w_->healthList && w_->healthList->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        const QTreeWidget* list = w_->healthList->listViewHealth;
        QCOMPARE(list->topLevelItemCount(), 3);
        const QTreeWidgetItem* first = list->topLevelItem(0);
        QCOMPARE(first->text(HealthList::ColumnChannel), QStringLiteral("9A3C-01-03"));
        QCOMPARE(first->text(HealthList::ColumnName), QStringLiteral("EAST"));
        QCOMPARE(first->text(HealthList::ColumnState),
                 QStringLiteral("never heard · Save Current Settings will not keep it"));

        // The third comes after all: the list follows at the next judgement.
        Send(2, 2);
        QTRY_COMPARE(state_->Catalogue.Count(), 3);
        Judge(4000);
        QCOMPARE(field->text(), QStringLiteral("3 channels OK"));
        QCOMPARE(field->palette().color(QPalette::WindowText),
                 QPalette().color(QPalette::WindowText));
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(HealthList::ColumnState), QStringLiteral("OK"));
    }

    void viewMenuOpensTheListAfterItsOldEntries()
    {
        Start();
        const QList<QAction*> items = w_->viewMenu->actions();
        QCOMPARE(items.last(), w_->viewChannel_HealthAction);
        QVERIFY(items.value(items.size() - 2)->isSeparator());
        QCOMPARE(items.value(items.size() - 3), w_->viewBackground_ColorAction);
        QVERIFY(menuclicks::Choose(
            w_->menuBar(), {QStringLiteral("&View"), QStringLiteral("Channel &Health...")}));
        QTRY_VERIFY(w_->healthList && w_->healthList->isVisible());
        QCOMPARE(w_->healthList->windowTitle(), QStringLiteral("Channel Health"));
        QVERIFY(!w_->healthList->isModal());
        // Chosen again, the same list comes forward.
        const HealthList* open = w_->healthList;
        w_->ShowHealth();
        QCOMPARE(w_->healthList.data(), open);
    }

    // A channel that stops turns the field, the list and its band's mark to silent, and a
    // packet turns all three back.
    void silentChannelShowsEverywhereAndRecovers()
    {
        Start("AutoStartMonitor=1\nDasStreamChanInfo\\9A3C0000\\Active=1\n"
              "DasStreamChanInfo\\9A3C0001\\Active=1\n");
        state_->Catalogue.Health.HealthLateSeconds = 0;
        Send(0, 1);
        Send(1, 1);
        QTRY_COMPARE(state_->Catalogue.Count(), 2);
        Judge(2000);
        w_->ShowHealth();
        QLabel* field = w_->statusFields->HealthField();
        QCOMPARE(field->text(), QStringLiteral("2 channels OK"));
        w_->DrawDT();
        QVERIFY(!HasColor(w_->offscreenPixmap.toImage(), WarningColor()));

        Send(1, 3);
        QTRY_VERIFY(state_->Catalogue.Entries[1].Health.Packets == 2);
        Judge(3000);
        Judge(2000 + 121000);
        QCOMPARE(field->text(), QStringLiteral("1 of 2 channels silent"));
        QCOMPARE(field->toolTip().section(u'\n', 0, 0),
                 QStringLiteral("9A3C-01-01 9A3C: silent 2 min"));
        const QTreeWidget* list = w_->healthList->listViewHealth;
        QCOMPARE(list->topLevelItem(0)->text(HealthList::ColumnState),
                 QStringLiteral("silent 2 min"));
        QCOMPARE(list->topLevelItem(0)->text(HealthList::ColumnLastPacket),
                 QStringLiteral("2 min ago"));
        // The judgement redrew the picture with the mark, though no data came.
        QVERIFY(HasColor(w_->offscreenPixmap.toImage(), WarningColor()));

        Send(0, 4);
        Send(1, 5);
        QTRY_VERIFY(state_->Catalogue.Entries[0].Health.Packets == 2 &&
                    state_->Catalogue.Entries[1].Health.Packets == 3);
        Judge(2000 + 122000);
        QCOMPARE(field->text(), QStringLiteral("2 channels OK"));
        QCOMPARE(list->topLevelItem(0)->text(HealthList::ColumnState), QStringLiteral("OK"));
        QVERIFY(!HasColor(w_->offscreenPixmap.toImage(), WarningColor()));
    }

    void thresholdsAreStoredWithTheOtherSettings()
    {
        Start("HealthSilentSeconds=300\nHealthLateSeconds=0\nHealthFlatSeconds=abc\n"
              "HealthFlatCounts=-4\n");
        const HealthThresholds& t = state_->Catalogue.Health;
        QCOMPARE(t.HealthSilentSeconds, 300);
        QCOMPARE(t.HealthLateSeconds, 0);
        QCOMPARE(t.HealthFlatSeconds, 60);
        QCOMPARE(t.HealthFlatCounts, 2);
        w_->SaveSettings();
        w_->settingsStore()->sync();
        const auto back = OpenSettingsStore(ini_);
        QCOMPARE(back->value(QStringLiteral("/ovqt_dislay/HealthSilentSeconds")).toInt(), 300);
        QCOMPARE(back->value(QStringLiteral("/ovqt_dislay/HealthLateSeconds")).toInt(), 0);
        QCOMPARE(back->value(QStringLiteral("/ovqt_dislay/HealthFlatSeconds")).toInt(), 60);
        QCOMPARE(back->value(QStringLiteral("/ovqt_dislay/HealthFlatCounts")).toInt(), 2);
    }

private:
    // The window on a store holding ini, connected to the test's server, judging by hand.
    void Start(const QByteArray& ini = {})
    {
        ini_ = WriteIni(dir_, "AutoStartPKSD=1\nPksdHost=127.0.0.1\nPksdPort=" +
                                  QByteArray::number(server_.serverPort()) + "\n" + ini);
        w_ = std::make_unique<ovqt_displayMainWindow>(*state_, ini_);
        w_->healthWatch->judgeTimer().stop();
        w_->healthWatch->SetClock([this] { return now_; });
        w_->resize(900, 700);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        w_->LoadSettings();
        QTRY_VERIFY(server_.hasPendingConnections());
        peer_ = server_.nextPendingConnection();
    }

    // A 16-bit packet of unit 9A3C, stream 0 with 100 samples from second s of the data day.
    void Send(unsigned channel, unsigned second)
    {
        peer_->write(testpackets::FrameOf(testpackets::Int16Dt(0x9A3C, 0, channel, second)));
        peer_->flush();
    }

    void Judge(std::int64_t msAfterMidnight)
    {
        now_ = kDataDayMs + msAfterMidnight;
        w_->healthWatch->Judge();
    }

    QTemporaryDir dir_;
    QString ini_;
    QTcpServer server_;
    QTcpSocket* peer_ = nullptr;
    std::int64_t now_ = 0;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<ovqt_displayMainWindow> w_;
};

QTEST_MAIN(tst_HealthWindow)
#include "tst_healthwindow.moc"
