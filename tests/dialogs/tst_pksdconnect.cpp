#include "app/connectioncommands.h"
#include "dialogs/pksdconnect.h"
#include "display/packetwindow.h"
#include "link/connectionstate.h"
#include "link/pksdlink.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"
#include "tests/common/formcheck.h"
#include "tests/common/modalscript.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <tuple>

namespace {

// Reads what the dialog shows into shown, types typed and presses a button, as the operator:
// host, port, ring size and the keep flag, "|" between.
ModalScript::Step Answer(QString* shown, const QString& typed, bool ok = true)
{
    return [shown, typed, ok](QWidget* w) {
        auto* d = qobject_cast<PksdConnect*>(w);
        QVERIFY(d);
        if (shown)
            *shown = QStringList{d->lineEditHost->text(), d->lineEditPort->text(),
                                 d->lineEditDTn->text(), QString::number(d->checkBox1->isChecked())}
                         .join(u'|');
        const QStringList fields = typed.split(u'|');
        d->lineEditHost->setText(fields[0]);
        d->lineEditPort->setText(fields[1]);
        d->lineEditDTn->setText(fields[2]);
        d->checkBox1->setChecked(fields[3] == u"1");
        QTest::mouseClick(ok ? d->buttonOk : d->buttonCancel, Qt::LeftButton);
    };
}

struct Rig
{
    ConnectionState Conn;
    PacketStore Store;
    ChannelCatalogue Cat;
    QTcpServer Server;
    QWidget Window;
    PksdLink Link{Conn, Store, Cat, nullptr};
    QAction ConnectAction{QStringLiteral("connect")};
    QAction CloseAction{QStringLiteral("close")};
    ConnectActions Actions{&ConnectAction, &CloseAction};

    Rig()
    {
        Server.listen(QHostAddress::LocalHost, 0);
        Store.NringBuffer = 3;
        AllocateRing(Store);
        Store.RingIndex = 2;
        Store.PacketRing[1].SampleCount = 9;
        SetConnectActions(Actions, false);
    }
    // The fields that reach the test server, with this ring size and keep flag.
    QString Here(const char* ringAndKeep) const
    {
        return QStringLiteral("127.0.0.1|%1|").arg(Server.serverPort()) +
               QLatin1String(ringAndKeep);
    }
    bool Open() { return OpenPksd(&Window, Conn, Store, Link, Actions); }
};

} // namespace

class PksdConnectTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogAsBuiltTakesTenDigitsOnly()
    {
        PksdConnect dialog;
        CheckForm(dialog,
                  {{"textLabel1", "buttonGroup1", {}, "Pksd Host:"},
                   {"textLabel2", "buttonGroup1", {}, "Pksd Port:"},
                   {"textLabel3", "buttonGroup1", {}, "Number of DT packets in mem. Ring:"},
                   {"checkBox1", "buttonGroup1", {}, "Keep only selected channels in mem.ring"},
                   {"lineEditHost", "buttonGroup1", {}, ""},
                   {"lineEditPort", "buttonGroup1", {}, "9999999999"},
                   {"lineEditDTn", "buttonGroup1", {}, "9999999999"},
                   {"buttonOk", "PksdConnect", {}, "&OK"},
                   {"buttonCancel", "PksdConnect", {}, "&Cancel"}});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("PksdConnect"));
        QVERIFY(dialog.width() >= 517 && dialog.height() >= 239);
        QCOMPARE(dialog.buttonOk->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
        QVERIFY(dialog.buttonOk->isDefault());
        for (QLineEdit* edit : {dialog.lineEditPort, dialog.lineEditDTn}) {
            edit->setFocus();
            edit->setCursorPosition(0);
            QTest::keyClicks(edit, QStringLiteral("12a-3456789012345"));
            QCOMPARE(edit->text(), QStringLiteral("1234567890"));
        }
    }

    void typedNumbersOutsideTheirTypeGiveZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("ring");
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("one") << "1" << 1 << 1;
        QTest::newRow("largest port") << "65535" << 65535 << 65535;
        QTest::newRow("70000") << "70000" << 0 << 70000;
        QTest::newRow("int max") << "2147483647" << 0 << 2147483647;
        QTest::newRow("beyond int") << "2147483648" << 0 << 0;
    }
    void typedNumbersOutsideTheirTypeGiveZero()
    {
        QFETCH(QString, text);
        QTEST(int(PortFromText(text)), "port");
        QTEST(RingSizeFromText(text), "ring");
    }

    void acceptedValuesAllocateAFreshRingAndConnect()
    {
        Rig rig;
        QString shown;
        ModalScript script{Answer(&shown, rig.Here("5|0"))};
        QVERIFY(rig.Open());
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(shown, QStringLiteral("localhost|2543|3|1"));
        QCOMPARE(rig.Conn.PksdPort, rig.Server.serverPort());
        QCOMPARE(std::tuple(rig.Store.KeepSel, rig.Store.AllocatedSlots, rig.Store.RingIndex,
                            int(rig.Store.PacketRing[1].SampleCount), rig.Conn.AutoStartPKSD),
                 std::tuple(0, 5, 0, 0, 1));
        QVERIFY(!rig.ConnectAction.isEnabled());
        QVERIFY(rig.CloseAction.isEnabled());
        QTRY_VERIFY(rig.Server.hasPendingConnections());
        QVERIFY(rig.Window.findChildren<PksdConnect*>().isEmpty());

        // Closing keeps the ring as it is; errors then start no reconnection.
        rig.Store.PacketRing[1].SampleCount = 5;
        ClosePksd(rig.Link, rig.Actions);
        QVERIFY(rig.ConnectAction.isEnabled());
        QCOMPARE(rig.Store.PacketRing[1].SampleCount, std::uint16_t{5});
        rig.Link.slotError(0);
        QVERIFY(!rig.Link.reconnectTimer().isActive());
    }

    void cancelChangesNothing()
    {
        Rig rig;
        DtPacket* ring = rig.Store.PacketRing.get();
        ModalScript script{Answer(nullptr, QStringLiteral("elsewhere|1|7|0"), false)};
        QVERIFY(!rig.Open());
        QCOMPARE(rig.Conn.PksdHost, QStringLiteral("localhost"));
        QCOMPARE(rig.Store.PacketRing.get(), ring);
        QCOMPARE(std::tuple(rig.Store.NringBuffer, rig.Store.RingIndex, rig.Conn.AutoStartPKSD),
                 std::tuple(3, 2, 0));
        QVERIFY(!rig.CloseAction.isEnabled());
    }

    // Ring size 0 asks again with the values just taken; cancelling then leaves 0 in force
    // while the plot keeps drawing the ring it has, rather than reading no slots.
    void emptyRingSizeAsksAgainAndCancelKeepsTheOldRing()
    {
        Rig rig;
        DtPacket* ring = rig.Store.PacketRing.get();
        QString second;
        ModalScript script{Answer(nullptr, QStringLiteral("h2|70000||0")),
                           Answer(&second, QStringLiteral("h2|0|0|0"), false)};
        QVERIFY(!rig.Open());
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(second, QStringLiteral("h2|0|0|0"));
        QCOMPARE(rig.Store.NringBuffer, 0);
        QCOMPARE(rig.Store.PacketRing.get(), ring);
        QCOMPARE(RingSlotCount(rig.Store), 3);
        QCOMPARE(RingSlotInOrder(rig.Store, 1).SampleCount, std::uint16_t{9});
        QVERIFY(rig.ConnectAction.isEnabled());
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);

        ModalScript again{Answer(nullptr, rig.Here("0|1")), Answer(nullptr, rig.Here("1|1"))};
        QVERIFY(rig.Open());
        QCOMPARE(rig.Store.AllocatedSlots, 1);
    }

    void ringTooLargeSaysSoInBytes()
    {
        Rig rig;
        QString text;
        ModalScript script{Answer(nullptr, rig.Here("2000000000|0")), [&](QWidget* w) {
                               auto* box = qobject_cast<QMessageBox*>(w);
                               QVERIFY(box);
                               QCOMPARE(box->windowTitle(), QStringLiteral("Memory Error"));
                               QCOMPARE(box->icon(), QMessageBox::Critical);
                               text = box->text();
                               box->button(QMessageBox::Ok)->click();
                           }};
        QVERIFY(!rig.Open());
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(text, QStringLiteral("Couldn't allocate %1Bytes")
                           .arg(std::int64_t{2000000000} * std::int64_t{sizeof(DtPacket)}));
        QVERIFY(!rig.Store.PacketRing);
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QVERIFY(rig.ConnectAction.isEnabled());
    }
};

QTEST_MAIN(PksdConnectTest)
#include "tst_pksdconnect.moc"
