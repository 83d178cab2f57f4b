// Each fault pksd-sim can put into its data, through the real main window, to what the operator
// sees of the channels' health: the status-bar field, the health list and the band's mark.
#include "app/healthwatch.h"
#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "app/statusfields.h"
#include "dialogs/healthlist.h"
#include "display/healthmark.h"
#include "packets/daytime.h"
#include "store/channelhealth.h"
#include "store/healthtext.h"
#include "tests/common/imagecolors.h"
#include "tests/common/inifile.h"
#include "tests/common/pksdsimprocess.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// 90 s of data for each of three channels, one packet a second, from midnight of 2026-01-01.
constexpr int kPackets = 270;
constexpr int kDataSeconds = kPackets / 3;
const char* const kCommon = "--units 9A3C --channels 3 --fast --close-at-end --max-samples 100 "
                            "--rate 100 --start 2026-01-01T00:00:00";

} // namespace

class TstHealthFaults : public QObject
{
    Q_OBJECT

private slots:
    void faultShowsInFieldListAndMark_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("sent"); // DT packets the simulator sends
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("state"); // the worst channel's state in the list
        QTest::newRow("none") << QString() << kPackets << "3 channels OK"
                              << "OK";
        QTest::newRow("constant value")
            << "--fault-constant 9A3C/1/2,500" << kPackets << "1 of 3 channels flat"
            << "flat";
        QTest::newRow("full scale")
            << "--fault-clip 9A3C/1/3" << kPackets << "1 of 3 channels clipped"
            << "clipped";
        QTest::newRow("dropped packets")
            << "--fault-drop 9A3C/1/1,10" << kPackets - 9 << "1 of 3 channels with gaps"
            << "8 gaps"; // the last packet left out has none after it
        QTest::newRow("clock behind")
            << "--fault-shift 9A3C,-300" << kPackets << "3 of 3 channels late"
            << "late 5 min";
        QTest::newRow("clock ahead")
            << "--fault-shift 9A3C,7200" << kPackets << "3 of 3 channels late"
            << "ahead 1 h";
        // Its data end 61 s before the clock: late before it would be silent.
        QTest::newRow("stops") << "--fault-stop 9A3C/1/2,30" << kPackets * 7 / 9
                               << "1 of 3 channels late"
                               << "late 1 min";
        QTest::newRow("stops and resumes")
            << "--fault-stop 9A3C/1/2,30,20" << kPackets - 20 << "1 of 3 channels with gaps"
            << "1 gap";
        // Selected, and listed by the event header, but never a data packet.
        QTest::newRow("never sends")
            << "--fault-stop 9A3C/1/2,0" << kPackets * 2 / 3 << "1 of 3 channels never heard"
            << "never heard";
    }
    void faultShowsInFieldListAndMark()
    {
        QFETCH(QString, fault);
        QFETCH(int, sent);
        QFETCH(QString, field);
        QFETCH(QString, state);
        QTemporaryDir dir;
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(QString::fromLatin1(kCommon).split(u' ') +
                          QStringList{QStringLiteral("--count"), QString::number(sent)} +
                          fault.split(u' ', Qt::SkipEmptyParts)));
        QByteArray more = "KeepSel=0\nNringBuffer=1000\n";
        for (const char* channel : {"00", "01", "02"})
            more += QByteArray("DasStreamChanInfo\\9A3C00") + channel + "\\Active=1\n";
        const QString ini =
            WriteIni(dir, "PksdHost=127.0.0.1\nPksdPort=" + QByteArray::number(sim.Port()) +
                              "\nAutoStartPKSD=1\nAutoStartMonitor=1\n" + more);

        auto ps = std::make_unique<ProgramState>();
        ovqt_displayMainWindow window(*ps, ini);
        window.healthWatch->judgeTimer().stop();
        // A second after the unshifted data's end.
        const std::int64_t now =
            AbsoluteMs(DayTime{DayNumberFromYmd(2026, 1, 1), (kDataSeconds + 1) * 1000.0});
        window.healthWatch->SetClock([now] { return now; });
        window.resize(1200, 800);
        window.show();
        window.LoadSettings();
        QTRY_COMPARE_WITH_TIMEOUT(ps->Store.RingIndex, sent, 20000);

        window.healthWatch->Judge();
        QLabel* f = window.statusFields->HealthField();
        QCOMPARE(f->text(), field);
        const bool well = field.endsWith(QStringLiteral("OK"));
        QCOMPARE(f->palette().color(QPalette::WindowText) == WarningColor(), !well);
        window.ShowHealth();
        const QTreeWidget* list = window.healthList->listViewHealth;
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(HealthList::ColumnState), state);
        window.DrawDT();
        QCOMPARE(HasColor(window.offscreenPixmap.toImage(), WarningColor()), !well);
    }
};

QTEST_MAIN(TstHealthFaults)
#include "tst_healthfaults.moc"
