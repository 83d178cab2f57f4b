#include "app/storecommands.h"

#include "app/settingsstore.h"
#include "store/storeaccess.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QSettings>

namespace {

QString MainWindowText(const char* text)
{
    return QCoreApplication::translate("ovqt_displayMainWindow", text);
}

void SayNotSaved(QWidget* parent, const QString& path, const QString& reason)
{
    QMessageBox::critical(
        parent, MainWindowText("Settings Error"),
        MainWindowText("The settings were not saved to %1: %2.").arg(path, reason),
        QMessageBox::Ok);
}

} // namespace

bool LoadStoreOrSay(QWidget* parent, const QSettings& store, ProgramState& state)
{
    const QString problem = StoreReadProblem(store);
    if (problem.isEmpty()) {
        ReadStoredSettings(store, state);
        return true;
    }
    QMessageBox::critical(parent, MainWindowText("Settings Error"),
                          MainWindowText("The settings could not be read from %1: %2.\n"
                                         "Tremvue runs with the default settings. Save Current "
                                         "Settings keeps a copy of the file beside it first.")
                              .arg(store.fileName(), problem),
                          QMessageBox::Ok);
    return false;
}

QString SaveStoreOrSay(QWidget* parent, QSettings& store, const ProgramState& state,
                       bool& keepUnreadable)
{
    const QString path = store.fileName();
    QString copyPath;
    if (keepUnreadable) {
        QString reason;
        if (!KeepCopyBeside(path, copyPath, reason)) {
            SayNotSaved(parent, path,
                        MainWindowText("the unreadable file could not be kept (%1)").arg(reason));
            return {};
        }
    }
    const QString problem = WriteStoreFile(
        path, keepUnreadable, [&state](QSettings& out) { WriteStoredSettings(out, state); });
    if (!problem.isEmpty()) {
        SayNotSaved(parent, path, problem);
        return {};
    }
    // The channels heard from now on take their settings from what was saved.
    store.sync();
    keepUnreadable = false;
    if (copyPath.isEmpty())
        return MainWindowText("Settings saved to %1").arg(path);
    return MainWindowText("Settings saved to %1; the unreadable file is kept as %2")
        .arg(path, copyPath);
}
