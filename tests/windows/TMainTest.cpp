#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/TMain.h"

using namespace vz;

TEST(TMain, ShowsTheCollectionNameAndItsLiveRecordCount) {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    mainwin::Program program(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
    ASSERT_TRUE(program.startUp());
    engine::Table* table = program.database().table();
    for (const char* c : {"Peru", "Chile", "Togo"}) {
        ASSERT_TRUE(table->append());
        ASSERT_TRUE(table->setText(2, c));
        ASSERT_TRUE(table->post());
    }
    ASSERT_TRUE(table->first());
    ASSERT_TRUE(table->deleteRecord());

    mainwin::TMain window(program);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Kestrelhouse Vazovi 97 (MASTER)");
    auto* count = window.findChild<QLabel*>("CountLabel");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), "2");
    EXPECT_TRUE(ui.messages().empty());
}

TEST(TMain, OpeningFromTheFileMenuShowsTheNewDatabaseAndTheRecentList) {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    mainwin::Program program(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
    ASSERT_TRUE(program.startUp());
    mainwin::TMain window(program);
    ui.fileNames.push_back(dir.filePath("SECOND.DBF"));
    program.database().DoNew();
    EXPECT_EQ(window.windowTitle(), "Kestrelhouse Vazovi 97 (SECOND)");
    QMenu* file = window.menuBar()->findChildren<QMenu*>().front();
    QStringList visible;
    for (QAction* a : file->actions())
        if (a->isVisible() && !a->isSeparator()) visible << a->text();
    EXPECT_TRUE(visible.contains("&1   " + dir.filePath("MASTER.DBF"))) << visible.join("|").toStdString();
}

// Windows and reports are laid out for these two faces; they must resolve to faces of the same
// metrics (Debian's Liberation fonts), not to whatever the system falls back to.
TEST(Fonts, ArialAndCourierNewResolveToMetricCompatibleFaces) {
    const QString sans = QFontInfo(QFont(QStringLiteral("Arial"), 12)).family();
    const QString mono = QFontInfo(QFont(QStringLiteral("Courier New"), 12)).family();
    EXPECT_TRUE(sans == "Arial" || sans == "Liberation Sans") << sans.toStdString();
    EXPECT_TRUE(mono == "Courier New" || mono == "Liberation Mono") << mono.toStdString();
}

int main(int argc, char** argv) {
    // Never a real display: test discovery runs this without the test environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Whatever a window saves lands in a folder of the run's own, never in the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    qputenv("VAZOVI_PROGRAM_DIR", home.filePath("program").toUtf8());
    QDir().mkpath(home.filePath("program"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
