// vazovi: the desktop program.
#include <QApplication>

#include "common/ProgramFolder.h"
#include "common/QtInteraction.h"
#include "common/QuitSignals.h"
#include "main/Program.h"
#include "main/TMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelhouse Vazovi 97"));
    vz::QtInteraction ui;

    QString why;
    const QString folder = vz::programFolder(&why);
    if (folder.isEmpty()) {
        ui.error(why);
        return 1;
    }
    vz::mainwin::Program program(folder, vz::globalSettingsPath(), ui);
    if (!program.startUp()) return 1;

    vz::mainwin::TMain window(program);
    ui.setParent(&window);
    // A session ending or Ctrl+C shuts down as closing the window does.
    vz::QuitSignals quit([&window] { window.close(); });
    window.show();
    return QApplication::exec();
}
