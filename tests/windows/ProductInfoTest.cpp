#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <sstream>

#include "CliCommands.h"
#include "data/Settings.h"
#include "main/TAboutBox.h"
#include "main/TOtherProducts.h"
#include "main/TTipOfDay.h"

using namespace vz;
using mainwin::TTipOfDay;

namespace {

QString labelText(QWidget& w, const char* name) {
    auto* label = w.findChild<QLabel*>(name);
    return label ? label->text() : QString();
}

}  // namespace

TEST(TAboutBox, ShowsTheProgramNameAndTheProjectVersion) {
    mainwin::TAboutBox box;
    EXPECT_EQ(labelText(box, "ProductName"), "Kestrelhouse Vazovi 97");
    EXPECT_EQ(labelText(box, "VersionLabel"), QStringLiteral("Version " VZ_EXPECTED_VERSION));
}

TEST(TTipOfDay, NextAndPreviousWrapRoundAtBothEnds) {
    data::Settings settings;
    const int count = int(TTipOfDay::tips().size());
    ASSERT_GE(count, 2);
    TTipOfDay window(settings, 0);
    auto* text = window.findChild<QLabel*>("TipText");
    ASSERT_NE(text, nullptr);
    const QString first = text->text();

    window.findChild<QPushButton*>("PreviousButton")->click();
    EXPECT_EQ(window.currentTip(), count - 1);
    EXPECT_EQ(text->text(), TTipOfDay::tips().last());
    EXPECT_EQ(labelText(window, "TipNumber"), QStringLiteral("Tip %1 of %1").arg(count));

    window.findChild<QPushButton*>("NextButton")->click();
    EXPECT_EQ(window.currentTip(), 0);
    EXPECT_EQ(text->text(), first);
    window.NextButtonClick();
    EXPECT_EQ(window.currentTip(), 1);

    // A starting tip out of range is taken round, never past the list.
    TTipOfDay far(settings, count + 2);
    EXPECT_EQ(far.currentTip(), 2);
    TTipOfDay before(settings, -1);
    EXPECT_EQ(before.currentTip(), count - 1);
}

TEST(TTipOfDay, TheShowTipsBoxFollowsAndWritesTheSetting) {
    data::Settings settings;
    settings.global.misc.showTips = false;
    TTipOfDay window(settings, 0);
    auto* box = window.findChild<QCheckBox*>("ShowTipsCheck");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(settings.global.misc.showTips);
    box->click();
    EXPECT_FALSE(settings.global.misc.showTips);
}

// At start-up the window stays away while "Show Tips" is off; from the Help menu it always shows.
TEST(TTipOfDay, StartUpShowsTheWindowOnlyWhileShowTipsIsOn) {
    data::Settings settings;
    int shown = 0;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal->objectName() == "TTipOfDay") ++shown;
            modal->close();
        }
    });
    closer.start();

    settings.global.misc.showTips = false;
    mainwin::showTipOfDay(nullptr, settings, true);
    EXPECT_EQ(shown, 0);
    mainwin::showTipOfDay(nullptr, settings, false);
    EXPECT_EQ(shown, 1);
    settings.global.misc.showTips = true;
    mainwin::showTipOfDay(nullptr, settings, true);
    EXPECT_EQ(shown, 2);
}

// The window must not leave out a command the tool has: every command its usage text lists.
TEST(TOtherProducts, DescribesEveryCommandTheToolOffers) {
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(cli::runCli({"--help"}, in, out, err), cli::kOk);
    const QString text = mainwin::TOtherProducts::text();
    const QRegularExpression commandLine(QStringLiteral("^  ([a-z][a-z-]*) "));
    int commands = 0;
    for (const QString& line : QString::fromStdString(out.str()).split('\n')) {
        const QRegularExpressionMatch m = commandLine.match(line);
        if (!m.hasMatch()) continue;
        ++commands;
        EXPECT_TRUE(text.contains("<tt>" + m.captured(1) + ' ')) << m.captured(1).toStdString();
    }
    EXPECT_GE(commands, 5);
}
