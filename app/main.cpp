#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Larger than a stack frame should hold: the catalogue and ring live for the whole run.
    // The window goes before the state it refers to.
    auto state = std::make_unique<ProgramState>();
    ovqt_displayMainWindow window(*state, QString(), nullptr, "tremvue");
    window.showMaximized();
    window.LoadSettings();
    window.ShowBackground();
    return app.exec();
}
