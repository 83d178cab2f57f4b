#include "app/connectioncommands.h"

#include "dialogs/pksdconnect.h"
#include "link/connectionstate.h"
#include "link/pksdlink.h"
#include "store/packetring.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

namespace {

QString MainWindowText(const char* text)
{
    return QCoreApplication::translate("ovqt_displayMainWindow", text);
}

} // namespace

void SetConnectActions(const ConnectActions& actions, bool connectionWanted)
{
    if (actions.ConnectAction)
        actions.ConnectAction->setEnabled(!connectionWanted);
    if (actions.CloseAction)
        actions.CloseAction->setEnabled(connectionWanted);
}

std::uint16_t PortFromText(const QString& text)
{
    bool ok = false;
    const std::uint16_t port = text.toUShort(&ok, 10);
    return ok ? port : 0;
}

std::int32_t RingSizeFromText(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? n : 0;
}

QString RingAllocationFailureText(std::int64_t slotCount)
{
    return MainWindowText("Couldn't allocate %1Bytes").arg(RingBytes(slotCount));
}

QString StartupRingFailureText(std::int64_t slotCount)
{
    return MainWindowText("Couldn't allocate %1kB").arg(RingBytes(slotCount) / 1024);
}

bool AllocateRingOrSay(QWidget* parent, PacketStore& store, const QString& failureText)
{
    if (AllocateRing(store))
        return true;
    QMessageBox::critical(parent, MainWindowText("Memory Error"), failureText, QMessageBox::Ok);
    return false;
}

bool OpenPksd(QWidget* parent, ConnectionState& conn, PacketStore& store, PksdLink& link,
              const ConnectActions& actions)
{
    do {
        QPointer<PksdConnect> dialog = new PksdConnect(parent, nullptr, true);
        dialog->lineEditHost->setText(conn.PksdHost);
        dialog->lineEditPort->setText(QString::number(conn.PksdPort));
        dialog->lineEditDTn->setText(QString::number(store.NringBuffer));
        dialog->checkBox1->setChecked(store.KeepSel == 1);
        const int answer = dialog->exec();
        if (!dialog) // its parent went away meanwhile
            return false;
        if (answer != QDialog::Accepted) {
            delete dialog;
            return false;
        }
        conn.PksdPort = PortFromText(dialog->lineEditPort->text());
        conn.PksdHost = dialog->lineEditHost->text();
        store.KeepSel = dialog->checkBox1->isChecked() ? 1 : 0;
        store.NringBuffer = RingSizeFromText(dialog->lineEditDTn->text());
        delete dialog;
    } while (store.NringBuffer < 1);

    if (!AllocateRingOrSay(parent, store, RingAllocationFailureText(store.NringBuffer)))
        return false;
    SetConnectActions(actions, true);
    conn.AutoStartPKSD = 1;
    link.Connect();
    return true;
}

void ClosePksd(PksdLink& link, const ConnectActions& actions)
{
    link.Close();
    SetConnectActions(actions, false);
}
