// vazovi: the desktop program.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "common/HelpKeys.h"
#include "common/ProgramFolder.h"
#include "common/QtInteraction.h"
#include "common/QuitSignals.h"
#include "main/CommandLine.h"
#include "app/Program.h"
#include "main/SessionEnd.h"
#include "main/TMain.h"
#include "main/Version.h"

namespace {

// VAZOVI_TRACE_WINDOWS=1: names every window as it shows, on standard error ("vazovi: shown
// TTipOfDay"), so that scripts and tests driving the program know what is open.
class WindowTrace : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            const QString name = watched->objectName().isEmpty()
                                     ? QString::fromLatin1(watched->metaObject()->className())
                                     : watched->objectName();
            std::fprintf(stderr, "vazovi: shown %s\n", qPrintable(name));
            std::fflush(stderr);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // --help and --version answer on standard output without a display.
    QStringList raw;
    for (int i = 1; i < argc; ++i) raw << QFile::decodeName(argv[i]);
    const vz::mainwin::CommandLine early = vz::mainwin::parseCommandLine(raw);
    if (early.help || early.version) {
        const QString text = early.help ? vz::mainwin::commandLineUsage()
                                        : vz::mainwin::versionLine(QStringLiteral("vazovi")) + '\n';
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelhouse Vazovi 97"));
    QApplication::setApplicationVersion(QLatin1String(vz::kProgramVersion));
    // The desktop entry's name, so that a desktop shows the window with the entry's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kestrelhouse.vazovi"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vazovi.svg")));
    const vz::mainwin::CommandLine commandLine =
        vz::mainwin::parseCommandLine(QApplication::arguments().mid(1));
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "vazovi: %s See vazovi --help.\n", qPrintable(commandLine.error));
        return 2;
    }
    WindowTrace trace;
    if (qEnvironmentVariableIntValue("VAZOVI_TRACE_WINDOWS") != 0) app.installEventFilter(&trace);
    vz::QtInteraction ui;
    // F1 in any window opens help at that window's topic.
    vz::HelpKeys helpKeys(ui);
    app.installEventFilter(&helpKeys);

    QString why;
    const QString folder = vz::programFolder(&why);
    if (folder.isEmpty()) {
        ui.error(why);
        return 1;
    }
    vz::mainwin::Program program(folder, vz::globalSettingsPath(), ui);
    program.setStartDatabase(commandLine.database);
    if (!program.startUp()) return 1;

    // "/BROWSE" as the first argument starts browse-only mode.
    vz::mainwin::TMain window(program, QApplication::arguments().mid(1));
    ui.setParent(&window);
    // A session ending or Ctrl+C shuts down as closing the window does, from whatever window is
    // open at the time.
    vz::mainwin::SessionEnd sessionEnd(&window);
    QObject::connect(&sessionEnd, &vz::mainwin::SessionEnd::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    vz::QuitSignals quit([&sessionEnd] { sessionEnd.run(); });
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
