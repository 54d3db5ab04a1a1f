// Start-up and the end of a session, with the real program where it matters: the tip of the
// day shows at every start while "Show Tips" is on, and SIGTERM ends the program from there.
#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "common/ScriptedInteraction.h"
#include "app/Program.h"
#include "main/TMain.h"

using namespace vz;

namespace {

// A window manager that never gives the new window the focus (focus stealing prevention, or no
// window manager at all): the window is shown but never activated.
struct NoActivation : QObject {
    bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::WindowActivate; }
};

// An X server of the test's own, with no window manager, when Xvfb is installed: nothing
// activates a new window there, as on a desktop that keeps the focus where the collector was
// typing. Without Xvfb the program runs offscreen.
class XServer {
public:
    XServer() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        for (int n = 140; n < 200; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            server_.start(xvfb, {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                                 QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                 QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!server_.waitForStarted(3000)) return;
            if (QTest::qWaitFor(
                    [n] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); },
                    5000))
                display_ = QStringLiteral(":%1").arg(n);
            return;
        }
    }
    ~XServer() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(3000)) server_.kill();
        server_.waitForFinished();
    }
    // Empty without an X server.
    const QString& display() const { return display_; }

private:
    QProcess server_;
    QString display_;
};

}  // namespace

TEST(StartUp, TheTipOfTheDayShowsWhenTheMainWindowIsNeverActivated) {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    mainwin::Program program(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
    ASSERT_TRUE(program.startUp());
    program.settings().global.misc.showTips = true;
    mainwin::TMain window(program);
    NoActivation noActivation;
    window.installEventFilter(&noActivation);
    window.show();
    // The tips window runs modally: it is seen and closed from inside its own event loop.
    QString shown;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = modal->objectName();
            modal->close();
        }
    });
    closer.start();
    const bool tip = QTest::qWaitFor([&shown] { return !shown.isEmpty(); }, 2000);
    EXPECT_TRUE(tip) << "no tip of the day";
    EXPECT_EQ(shown, "TTipOfDay");
    window.removeEventFilter(&noActivation);
}

// The program itself, started several times (on an X server without a window manager where
// there is one): each start shows the tip, and SIGTERM while it is up ends the program within a
// second with its settings saved.
TEST(StartUp, EveryStartShowsTheTipAndSigtermThenEndsTheProgram) {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    XServer x;
    if (x.display().isEmpty()) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", x.display());
    }
    env.insert("VAZOVI_PROGRAM_DIR", dir.filePath("program"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("VAZOVI_TRACE_WINDOWS", "1");
    const QString settings = dir.filePath("config/kestrelhouse/DUZEZIVA.INI");
    for (int start = 1; start <= 5; ++start) {
        SCOPED_TRACE(start);
        QFile::remove(settings);
        QProcess vazovi;
        vazovi.setProcessEnvironment(env);
        vazovi.start(QStringLiteral(VZ_VAZOVI_BINARY), {});
        ASSERT_TRUE(vazovi.waitForStarted(5000));
        QByteArray trace;
        QElapsedTimer waited;
        waited.start();
        while (!trace.contains("vazovi: shown TTipOfDay") && waited.elapsed() < 10000 &&
               vazovi.state() == QProcess::Running) {
            vazovi.waitForReadyRead(100);
            trace += vazovi.readAllStandardError();
        }
        EXPECT_TRUE(trace.contains("vazovi: shown TTipOfDay")) << trace.toStdString();
        ASSERT_EQ(vazovi.state(), QProcess::Running);
        ::kill(pid_t(vazovi.processId()), SIGTERM);
        const bool ended = vazovi.waitForFinished(1000);
        if (!ended) {
            vazovi.kill();
            vazovi.waitForFinished();
        }
        EXPECT_TRUE(ended) << "still running a second after SIGTERM";
        EXPECT_EQ(vazovi.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(vazovi.exitCode(), 0);
        EXPECT_TRUE(QFile::exists(settings)) << "the settings were not saved";
    }
}
