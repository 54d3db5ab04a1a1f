// Ending the program by SIGTERM (a desktop session ending) while a modal window runs: the
// windows close as their close boxes close them, then the main window as when it is closed, so
// the settings and lists are saved, within a second; no window stays open.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "common/QtInteraction.h"
#include "common/QuitSignals.h"
#include "common/ScriptedInteraction.h"
#include "data/DataLists.h"
#include "edit/TMyEdit.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/SessionEnd.h"
#include "main/TMain.h"

using namespace vz;

namespace {

// The program as vazovi runs it: its main window, and SIGTERM wired to the shut-down.
struct Running {
    QTemporaryDir dir;
    std::unique_ptr<Interaction> ui;
    std::unique_ptr<mainwin::Program> program;
    std::unique_ptr<mainwin::TMain> window;
    std::unique_ptr<mainwin::SessionEnd> end;
    std::unique_ptr<QuitSignals> quit;
    bool finished = false;

    explicit Running(std::unique_ptr<Interaction> interaction) : ui(std::move(interaction)) {
        program = std::make_unique<mainwin::Program>(dir.path(), dir.filePath("DUZEZIVA.INI"), *ui);
        EXPECT_TRUE(program->startUp());
        program->settings().global.misc.showTips = false;
        engine::Table* t = program->database().table();
        for (const char* country : {"Chile", "Peru"}) {
            EXPECT_TRUE(t->append());
            EXPECT_TRUE(t->setText(0, "A1"));
            EXPECT_TRUE(t->setText(2, country));
            EXPECT_TRUE(t->setText(24, "No"));
            EXPECT_TRUE(t->post());
        }
        window = std::make_unique<mainwin::TMain>(*program);
        window->show();
        end = std::make_unique<mainwin::SessionEnd>(window.get());
        QObject::connect(end.get(), &mainwin::SessionEnd::finished, [this] { finished = true; });
        quit = std::make_unique<QuitSignals>([this] { end->run(); });
    }
    ~Running() {
        quit.reset();
        end.reset();
        window.reset();
    }

    // Runs `open`, which opens a modal window and returns once it has closed. As soon as the
    // modal window on top is a `modalClass`, `prepare` works in it, the saved settings files are
    // removed, and SIGTERM arrives. Answers the milliseconds from the signal to the end.
    qint64 endWhile(const char* modalClass, const std::function<void()>& open,
                    const std::function<void(QWidget*)>& prepare = {}) {
        QElapsedTimer sinceSignal;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->inherits(modalClass)) return;
            poll.stop();
            if (prepare) prepare(modal);
            QFile::remove(dir.filePath("DUZEZIVA.INI"));
            QFile::remove(dir.filePath("MASTER.INI"));
            sinceSignal.start();
            ::kill(::getpid(), SIGTERM);
        });
        poll.start();
        // Should the program not end, the test fails instead of waiting for ever.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&watchdog] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->hide();
                watchdog.start(10);
            }
        });
        watchdog.start(3000);
        open();
        const bool ended = QTest::qWaitFor([this] { return finished; }, 3000);
        EXPECT_TRUE(ended) << "the program did not end";
        return sinceSignal.isValid() ? sinceSignal.elapsed() : -1;
    }

    // What every ending leaves: no window, the table closed, both settings files written.
    void expectEndedAsByTheCloseBox() {
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible()) << "still open: " << w->metaObject()->className() << " "
                                         << w->windowTitle().toStdString();
        EXPECT_EQ(program->database().table(), nullptr);
        EXPECT_TRUE(QFile::exists(dir.filePath("DUZEZIVA.INI")));
        EXPECT_TRUE(QFile::exists(dir.filePath("MASTER.INI")));
    }
    QString listFiles() const {
        QString all;
        for (const QString& name : QDir(dir.path()).entryList({"MASTER.00?"})) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly)) all += QString::fromLatin1(f.readAll());
        }
        return all;
    }
};

}  // namespace

TEST(SessionEnd, SigtermInTheEditWindowDropsUnstoredEditsAndSavesListsAndSettings) {
    Running r(std::make_unique<ScriptedInteraction>());
    const qint64 ms = r.endWhile(
        "vz::edit::TMyEdit", [&] { r.window->DoAdd(); },
        [](QWidget* w) {
            auto* edit = static_cast<edit::TMyEdit*>(w);
            edit::RecordValues v = edit->values();
            v[1] = "Z9";
            v[3] = "Atlantis";  // a new country joins its list when the stamp is stored
            edit->setValues(v);
            edit->DoAnUpdate();
            v[1] = "Z10";  // typed, not stored
            edit->setValues(v);
        });
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
    r.expectEndedAsByTheCloseBox();
    EXPECT_TRUE(r.listFiles().contains("Atlantis")) << "the lists were not saved";
    // Reopened: the stored stamp is there, the unstored one is not.
    engine::Result<std::unique_ptr<engine::Table>> t =
        engine::Table::open(r.dir.filePath("MASTER.DBF").toStdString(), engine::OpenMode::Shared);
    ASSERT_TRUE(t);
    QStringList catalogs;
    for (engine::Status s = (*t)->first(); s && !(*t)->eof(); s = (*t)->next())
        catalogs << QString::fromStdString((*t)->text(0)).trimmed();
    EXPECT_TRUE(catalogs.contains("Z9"));
    EXPECT_FALSE(catalogs.contains("Z10"));
}

TEST(SessionEnd, SigtermInAMessageBoxOverTheMainWindowWithHelpOpenEndsEverything) {
    Running r(std::make_unique<QtInteraction>());
    r.ui->help(QString());  // the help window, open beside the others
    const qint64 ms = r.endWhile("QMessageBox", [&] { r.window->DoDelete(); });
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
    r.expectEndedAsByTheCloseBox();
    // The question went unanswered: nothing was deleted.
    engine::Result<std::unique_ptr<engine::Table>> t =
        engine::Table::open(r.dir.filePath("MASTER.DBF").toStdString(), engine::OpenMode::Shared);
    ASSERT_TRUE(t);
    EXPECT_EQ(*(*t)->countLive(), 2u);
}

TEST(SessionEnd, SigtermInAListEditorEnds) {
    Running r(std::make_unique<ScriptedInteraction>());
    const qint64 ms = r.endWhile("vz::edit::TMyEditBox",
                                 [&] { r.window->DoListMaintenance(data::DataList::Country); });
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
    r.expectEndedAsByTheCloseBox();
}

TEST(SessionEnd, SigtermInAQuestionOverTheEditWindowDropsTheChange) {
    Running r(std::make_unique<QtInteraction>());
    const qint64 ms = r.endWhile("QMessageBox", [&] {
        // Inside the edit window: a change, then Exit, which asks whether to leave it unstored.
        QTimer::singleShot(50, [] {
            auto* edit = qobject_cast<edit::TMyEdit*>(QApplication::activeModalWidget());
            if (edit == nullptr) return;
            edit::RecordValues v = edit->values();
            v[1] = "CHANGED";
            edit->setValues(v);
            edit->DoExit();
        });
        r.window->DoEdit();
    });
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
    r.expectEndedAsByTheCloseBox();
    engine::Result<std::unique_ptr<engine::Table>> t =
        engine::Table::open(r.dir.filePath("MASTER.DBF").toStdString(), engine::OpenMode::Shared);
    ASSERT_TRUE(t);
    for (engine::Status s = (*t)->first(); s && !(*t)->eof(); s = (*t)->next())
        EXPECT_NE(QString::fromStdString((*t)->text(0)).trimmed(), "CHANGED");
}
