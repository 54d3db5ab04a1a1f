// vazovi: the desktop program.
#include <QApplication>
#include <QTimer>
#include <cstdio>

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

    // "/BROWSE" as the first argument starts browse-only mode.
    vz::mainwin::TMain window(program, QApplication::arguments().mid(1));
    ui.setParent(&window);
    // A session ending or Ctrl+C shuts down as closing the window does.
    vz::QuitSignals quit([&window] { window.close(); });
    window.show();
    // VAZOVI_SCREENSHOT=<file.png>: save a picture of the main window once it is up, then close
    // as usual (tools/screenshot.sh; works under Xvfb and the offscreen platform alike).
    const QString screenshot = qEnvironmentVariable("VAZOVI_SCREENSHOT");
    bool screenshotFailed = false;
    if (!screenshot.isEmpty())
        QTimer::singleShot(1000, &window, [&window, &screenshotFailed, screenshot] {
            screenshotFailed = !window.grab().save(screenshot, "PNG");
            if (screenshotFailed)
                std::fprintf(stderr, "vazovi: cannot write the screenshot %s\n", qPrintable(screenshot));
            window.close();
        });
    const int result = QApplication::exec();
    return screenshotFailed ? 1 : result;
}
