#include "link/connectionstate.h"
#include "dialogs/pksdconnect.h"
#include "link/pksdlink.h"
#include "app/connectioncommands.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"

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

namespace {

using Answer = std::function<void(QWidget*)>;

// Answers the next modal window that opens, other than the one answered last.
void AnswerNextModal(Answer answer, QPointer<QWidget> previous = {})
{
    QTimer::singleShot(0, [answer = std::move(answer), previous] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == previous) {
            AnswerNextModal(answer, previous);
            return;
        }
        answer(modal);
    });
}

struct Fields
{
    QString Host;
    QString Port;
    QString Ring;
    bool Keep = false;
};

Fields Read(QWidget* w)
{
    auto* d = qobject_cast<PksdConnect*>(w);
    if (!d)
        return {};
    return {d->lineEditHost->text(), d->lineEditPort->text(), d->lineEditDTn->text(),
            d->checkBox1->isChecked()};
}

void Fill(QWidget* w, const Fields& f)
{
    auto* d = qobject_cast<PksdConnect*>(w);
    d->lineEditHost->setText(f.Host);
    d->lineEditPort->setText(f.Port);
    d->lineEditDTn->setText(f.Ring);
    d->checkBox1->setChecked(f.Keep);
}

void ClickOk(QWidget* w)
{
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("buttonOk")), Qt::LeftButton);
}

void ClickCancel(QWidget* w)
{
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("buttonCancel")), Qt::LeftButton);
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
        Store.KeepSel = 1;
        AllocateRing(Store);
        Store.RingIndex = 2;
        SetConnectActions(Actions, false);
    }
    QString ServerPort() const { return QString::number(Server.serverPort()); }
    bool Open() { return OpenPksd(&Window, Conn, Store, Link, Actions); }
};

} // namespace

class PksdConnectTest : public QObject
{
    Q_OBJECT

private slots:
    void portFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("default") << "2543" << 2543;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("largest") << "65535" << 65535;
        QTest::newRow("just above") << "65536" << 0;
        QTest::newRow("70000") << "70000" << 0;
        QTest::newRow("ten digits") << "9999999999" << 0;
        QTest::newRow("leading zeros") << "0000000080" << 80;
    }
    void portFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(int(PortFromText(text)), port);
    }

    void ringSizeFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("slots_");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("default") << "1000" << 1000;
        QTest::newRow("int max") << "2147483647" << 2147483647;
        QTest::newRow("beyond int") << "2147483648" << 0;
        QTest::newRow("ten nines") << "9999999999" << 0;
    }
    void ringSizeFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, slots_);
        QCOMPARE(RingSizeFromText(text), slots_);
    }

    void allocationFailureTextCountsIn64Bits()
    {
        const std::int64_t bytes = std::int64_t{2147483647} * std::int64_t{sizeof(DtPacket)};
        QVERIFY(bytes > std::int64_t{1} << 32);
        QCOMPARE(RingAllocationFailureText(2147483647), QStringLiteral("Couldn't allocate ") +
                                                            QString::number(bytes) +
                                                            QStringLiteral("Bytes"));
    }
    void builtAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("label 1") << "textLabel1"
                                 << "Pksd Host:";
        QTest::newRow("label 2") << "textLabel2"
                                 << "Pksd Port:";
        QTest::newRow("label 3") << "textLabel3"
                                 << "Number of DT packets in mem. Ring:";
        QTest::newRow("check box") << "checkBox1"
                                   << "Keep only selected channels in mem.ring";
        QTest::newRow("ok") << "buttonOk"
                            << "&OK";
        QTest::newRow("cancel") << "buttonCancel"
                                << "&Cancel";
    }
    void builtAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        PksdConnect dialog;
        QWidget* child = dialog.findChild<QWidget*>(name);
        QVERIFY(child);
        QCOMPARE(child->property("text").toString(), text);
        QCOMPARE(child->parentWidget(), name.startsWith(QLatin1String("button"))
                                            ? static_cast<QWidget*>(&dialog)
                                            : static_cast<QWidget*>(dialog.buttonGroup1));
    }

    void dialogProperties()
    {
        PksdConnect dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("PksdConnect"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("PksdConnect"));
        QVERIFY(dialog.isSizeGripEnabled());
        QVERIFY(dialog.width() >= 517);
        QVERIFY(dialog.height() >= 239);
        QCOMPARE(dialog.buttonGroup1->title(), QString());
        QVERIFY(dialog.buttonOk->isDefault());
        QVERIFY(dialog.buttonOk->autoDefault());
        QVERIFY(dialog.buttonCancel->autoDefault());
        QCOMPARE(dialog.buttonOk->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
        QCOMPARE(dialog.buttonCancel->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
        QCOMPARE(dialog.lineEditHost->inputMask(), QString());
        // Qt leaves out the blank character when it is the default space.
        QCOMPARE(dialog.lineEditPort->inputMask(), QStringLiteral("9999999999"));
        QCOMPARE(dialog.lineEditPort->maxLength(), 10);
        QCOMPARE(dialog.lineEditPort->displayText(), QString(10, QLatin1Char(' ')));
        QCOMPARE(dialog.lineEditDTn->inputMask(), QStringLiteral("9999999999"));
        QCOMPARE(dialog.lineEditDTn->displayText(), QString(10, QLatin1Char(' ')));
        auto* top = qobject_cast<QGridLayout*>(dialog.layout());
        QVERIFY(top);
        QCOMPARE(top->objectName(), QStringLiteral("PksdConnectLayout"));
        QCOMPARE(top->spacing(), 6);
        QCOMPARE(top->contentsMargins(), QMargins(11, 11, 11, 11));
        for (const char* name : {"layout4", "layout5", "layout6", "layout7"})
            QVERIFY2(dialog.findChild<QLayout*>(QLatin1String(name)), name);

        PksdConnect named(nullptr, "other", true);
        QCOMPARE(named.objectName(), QStringLiteral("other"));
        QVERIFY(named.isModal());
    }

    void numberFieldsTakeTenDigitsOnly_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("port") << "lineEditPort";
        QTest::newRow("ring") << "lineEditDTn";
    }
    void numberFieldsTakeTenDigitsOnly()
    {
        QFETCH(QString, field);
        PksdConnect dialog;
        auto* edit = dialog.findChild<QLineEdit*>(field);
        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, QStringLiteral("12a-3456789012345"));
        QCOMPARE(edit->text(), QStringLiteral("1234567890"));
    }

    void acceptedValuesApplied()
    {
        Rig rig;
        rig.Store.PacketRing[0].SampleCount = 9;
        Fields shown;
        AnswerNextModal([&](QWidget* w) {
            shown = Read(w);
            Fill(w, {QStringLiteral("127.0.0.1"), rig.ServerPort(), QStringLiteral("5"), false});
            ClickOk(w);
        });
        QVERIFY(rig.Open());
        QCOMPARE(shown.Host, QStringLiteral("localhost"));
        QCOMPARE(shown.Port, QStringLiteral("2543"));
        QCOMPARE(shown.Ring, QStringLiteral("3"));
        QCOMPARE(shown.Keep, true);

        QCOMPARE(rig.Conn.PksdHost, QStringLiteral("127.0.0.1"));
        QCOMPARE(rig.Conn.PksdPort, rig.Server.serverPort());
        QCOMPARE(rig.Store.NringBuffer, 5);
        QCOMPARE(rig.Store.KeepSel, 0);
        QCOMPARE(rig.Store.AllocatedSlots, 5);
        QCOMPARE(rig.Store.RingIndex, 0);
        QCOMPARE(rig.Store.PacketRing[0].SampleCount, std::uint16_t{0});
        QCOMPARE(rig.Conn.AutoStartPKSD, 1);
        QVERIFY(!rig.ConnectAction.isEnabled());
        QVERIFY(rig.CloseAction.isEnabled());
        QTRY_VERIFY(rig.Server.hasPendingConnections());
        QVERIFY(rig.Window.findChildren<PksdConnect*>().isEmpty());
    }

    void cancelChangesNothing()
    {
        Rig rig;
        DtPacket* ring = rig.Store.PacketRing.get();
        AnswerNextModal([&](QWidget* w) {
            Fill(w, {QStringLiteral("elsewhere"), QStringLiteral("1"), QStringLiteral("7"), false});
            ClickCancel(w);
        });
        QVERIFY(!rig.Open());
        QCOMPARE(rig.Conn.PksdHost, QStringLiteral("localhost"));
        QCOMPARE(rig.Conn.PksdPort, std::uint16_t{2543});
        QCOMPARE(rig.Store.NringBuffer, 3);
        QCOMPARE(rig.Store.KeepSel, 1);
        QCOMPARE(rig.Store.PacketRing.get(), ring);
        QCOMPARE(rig.Store.RingIndex, 2);
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QVERIFY(rig.ConnectAction.isEnabled());
        QVERIFY(!rig.CloseAction.isEnabled());
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
    }

    void emptyRingSizeAsksAgain()
    {
        Rig rig;
        DtPacket* ring = rig.Store.PacketRing.get();
        Fields second;
        AnswerNextModal([&](QWidget* first) {
            Fill(first, {QStringLiteral("h2"), QStringLiteral("70000"), QString(), false});
            ClickOk(first);
            AnswerNextModal(
                [&](QWidget* w) {
                    second = Read(w);
                    ClickCancel(w);
                },
                first);
        });
        QVERIFY(!rig.Open());
        QCOMPARE(second.Host, QStringLiteral("h2"));
        QCOMPARE(second.Port, QStringLiteral("0"));
        QCOMPARE(second.Ring, QStringLiteral("0"));
        QCOMPARE(second.Keep, false);
        QCOMPARE(rig.Conn.PksdHost, QStringLiteral("h2"));
        QCOMPARE(rig.Conn.PksdPort, std::uint16_t{0});
        QCOMPARE(rig.Store.KeepSel, 0);
        QCOMPARE(rig.Store.NringBuffer, 0);
        QCOMPARE(rig.Store.PacketRing.get(), ring);
        QCOMPARE(rig.Store.RingIndex, 2);
        QVERIFY(rig.ConnectAction.isEnabled());
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
    }

    void ringSizeOneAfterZero()
    {
        Rig rig;
        AnswerNextModal([&](QWidget* first) {
            Fill(first, {QStringLiteral("127.0.0.1"), rig.ServerPort(), QStringLiteral("0"), true});
            ClickOk(first);
            AnswerNextModal(
                [&](QWidget* w) {
                    auto* d = qobject_cast<PksdConnect*>(w);
                    d->lineEditDTn->setText(QStringLiteral("1"));
                    ClickOk(w);
                },
                first);
        });
        QVERIFY(rig.Open());
        QCOMPARE(rig.Store.AllocatedSlots, 1);
        QTRY_VERIFY(rig.Server.hasPendingConnections());
    }

    void allocationFailureShowsMemoryError()
    {
        Rig rig;
        QString caption;
        QString text;
        AnswerNextModal([&](QWidget* dialog) {
            Fill(dialog, {QStringLiteral("127.0.0.1"), rig.ServerPort(),
                          QStringLiteral("2000000000"), false});
            ClickOk(dialog);
            AnswerNextModal(
                [&](QWidget* w) {
                    auto* box = qobject_cast<QMessageBox*>(w);
                    QVERIFY(box);
                    caption = box->windowTitle();
                    text = box->text();
                    QCOMPARE(box->icon(), QMessageBox::Critical);
                    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                    box->button(QMessageBox::Ok)->click();
                },
                dialog);
        });
        QVERIFY(!rig.Open());
        QCOMPARE(caption, QStringLiteral("Memory Error"));
        QCOMPARE(text,
                 QStringLiteral("Couldn't allocate ") +
                     QString::number(std::int64_t{2000000000} * std::int64_t{sizeof(DtPacket)}) +
                     QStringLiteral("Bytes"));
        QVERIFY(!rig.Store.PacketRing);
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QVERIFY(rig.ConnectAction.isEnabled());
        QVERIFY(!rig.CloseAction.isEnabled());
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
    }

    void closeThenReopen()
    {
        Rig rig;
        AnswerNextModal([&](QWidget* w) {
            Fill(w, {QStringLiteral("127.0.0.1"), rig.ServerPort(), QStringLiteral("3"), false});
            ClickOk(w);
        });
        QVERIFY(rig.Open());
        QTRY_VERIFY(rig.Server.hasPendingConnections());
        rig.Store.PacketRing[1].SampleCount = 5;
        rig.Store.RingIndex = 2;

        ClosePksd(rig.Link, rig.Actions);
        QVERIFY(rig.ConnectAction.isEnabled());
        QVERIFY(!rig.CloseAction.isEnabled());
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QCOMPARE(rig.Store.PacketRing[1].SampleCount, std::uint16_t{5});
        QCOMPARE(rig.Store.RingIndex, 2);
        rig.Link.slotError(0);
        QVERIFY(!rig.Link.reconnectTimer().isActive());

        AnswerNextModal([&](QWidget* w) { ClickOk(w); });
        QVERIFY(rig.Open());
        QCOMPARE(rig.Store.RingIndex, 0);
        QCOMPARE(rig.Store.PacketRing[1].SampleCount, std::uint16_t{0});
    }
};

QTEST_MAIN(PksdConnectTest)
#include "tst_pksdconnect.moc"
