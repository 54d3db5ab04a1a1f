#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QTemporaryDir>

#include "common/ScriptedInteraction.h"
#include "data/StartDatabase.h"
#include "main/TMain.h"

using namespace vz;

TEST(TMain, ShowsTheCollectionNameAndItsLiveRecordCount) {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    auto table = data::openMasterDatabase(dir.path(), ui, QString());
    ASSERT_TRUE(table);
    for (const char* c : {"Peru", "Chile", "Togo"}) {
        ASSERT_TRUE(table->append());
        ASSERT_TRUE(table->setText(2, c));
        ASSERT_TRUE(table->post());
    }
    ASSERT_TRUE(table->first());
    ASSERT_TRUE(table->deleteRecord());

    mainwin::TMain window(std::move(table), ui);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Kestrelhouse Vazovi 97 (MASTER)");
    auto* count = window.findChild<QLabel*>("CountLabel");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), "2 Records");
    EXPECT_TRUE(ui.shown.empty());
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
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
