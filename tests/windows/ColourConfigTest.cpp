#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include "common/ScriptedInteraction.h"
#include "data/Settings.h"
#include "main/ApplyColours.h"
#include "main/ColourSets.h"
#include "main/TColorConfig.h"

using namespace vz;
using namespace vz::mainwin;
using data::ColourRole;
using data::ColourSet;
using data::WindowGroup;

namespace {

constexpr int kMidnightBlack = 3;
constexpr int kOceanBlue = 6;

QColor colour(const QWidget* w, QPalette::ColorRole role) {
    return w->palette().color(QPalette::Active, role);
}

// Remembers the colour each colour dialog was opened with.
class ColourDialogs : public ScriptedInteraction {
public:
    std::vector<QColor> presets;
    std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override {
        presets.push_back(initial);
        return ScriptedInteraction::chooseColor(initial, title);
    }
};

// A small window with one control of each kind applyColourSet knows, and some it must leave be.
struct SampleWindow {
    QDialog window;
    QLabel* heading = new QLabel("Totals", &window);
    QLabel* label = new QLabel("Country", &window);
    QLineEdit* edit = new QLineEdit(&window);
    QComboBox* combo = new QComboBox(&window);
    QComboBox* editableCombo = new QComboBox(&window);
    QListWidget* list = new QListWidget(&window);
    QCheckBox* check = new QCheckBox("Wanted", &window);
    QGroupBox* radioGroup = new QGroupBox("Order", &window);
    QRadioButton* radio = new QRadioButton("Up", radioGroup);
    QPushButton* button = new QPushButton("&Ok", &window);
    QTableView* grid = new QTableView(&window);
    QLabel* ownColours = new QLabel("SEARCH ON", &window);
    QDialog* child = new QDialog(&window);
    QLabel* childLabel = new QLabel("elsewhere", child);

    SampleWindow() {
        editableCombo->setEditable(true);
        ownColours->setProperty(kKeepOwnColours, true);
    }
    void apply(const ColourSet& set) { applyColourSet(&window, set, {heading}); }
    std::vector<QPalette> palettes() const {
        std::vector<QPalette> p;
        for (const QWidget* w : window.findChildren<QWidget*>()) p.push_back(w->palette());
        p.push_back(window.palette());
        return p;
    }
};

ColourSet combination(int index) {
    ColourSet s;
    applyCombination(s, index);
    return s;
}

// Clicks a button of the modal window once its event loop runs.
void clickInModal(const char* buttonName) {
    QTimer::singleShot(0, [buttonName] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        auto* b = modal->findChild<QPushButton*>(buttonName);
        ASSERT_NE(b, nullptr);
        b->click();
    });
}

void pick(TColorConfig& window, int index) {
    auto* combo = window.findChild<QComboBox*>("PredefinedCombo");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void click(TColorConfig& window, const char* name) {
    auto* b = window.findChild<QPushButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    b->click();
}

}  // namespace

TEST(ColourConfig, MidnightBlackForTheEditWindowPaintsItsWindowsBlackWithWhiteLabels) {
    ScriptedInteraction ui;
    data::Settings settings;
    TColorConfig config(ui, settings, 2);
    EXPECT_EQ(config.windowTitle(), "Color Configuration");
    EXPECT_EQ(config.size(), QSize(618, 415));
    pick(config, kMidnightBlack);
    click(config, "OkButton");
    EXPECT_TRUE(config.changedSettings());
    EXPECT_EQ(config.result(), QDialog::Accepted);
    EXPECT_EQ(settings.database.colourSet(WindowGroup::Main), ColourSet{});
    EXPECT_EQ(settings.database.colourSet(WindowGroup::Search), ColourSet{});

    SampleWindow edit;
    const QPalette buttonBefore = edit.button->palette();
    edit.apply(settings.database.colourSet(WindowGroup::Edit));
    EXPECT_EQ(colour(&edit.window, QPalette::Window), Qt::black);
    EXPECT_EQ(colour(edit.label, QPalette::WindowText), Qt::white);
    EXPECT_EQ(colour(edit.label, QPalette::Window), Qt::black);
    EXPECT_EQ(colour(edit.heading, QPalette::WindowText), QColor(192, 192, 192));
    EXPECT_EQ(colour(edit.edit, QPalette::Base), QColor(127, 127, 127));
    EXPECT_EQ(colour(edit.edit, QPalette::Text), Qt::black);
    EXPECT_EQ(colour(edit.check, QPalette::Window), Qt::black);
    EXPECT_EQ(colour(edit.check, QPalette::WindowText), Qt::white);
    EXPECT_TRUE(edit.check->autoFillBackground());
    EXPECT_EQ(colour(edit.combo, QPalette::Button), QColor(127, 127, 127));
    EXPECT_EQ(colour(edit.combo, QPalette::ButtonText), Qt::black);
    EXPECT_EQ(colour(edit.list, QPalette::Base), QColor(127, 127, 127));
    // Push buttons keep their face and text.
    EXPECT_EQ(colour(edit.button, QPalette::Button), buttonBefore.color(QPalette::Button));
    EXPECT_EQ(colour(edit.button, QPalette::ButtonText), buttonBefore.color(QPalette::ButtonText));
}

TEST(ColourConfig, ChangingEditTextAfterACombinationKeepsTheDerivedComboAndListText) {
    ColourDialogs ui;
    data::Settings settings;
    TColorConfig config(ui, settings, 1);
    pick(config, kOceanBlue);  // Edit Text navy
    ui.colors.push_back(QColor(255, 0, 0));
    click(config, "EditTextButton");
    ASSERT_EQ(ui.presets.size(), 1u);
    EXPECT_EQ(ui.presets[0], QColor(0, 0, 128));  // the dialog starts at the working colour
    EXPECT_EQ(ui.shown.back().detail, "Edit Text");
    EXPECT_EQ(config.working()[ColourRole::EditText], rgbColour(255, 0, 0));
    EXPECT_EQ(config.working()[ColourRole::ComboText], rgbColour(0, 0, 128));
    EXPECT_EQ(config.working()[ColourRole::ListBoxText], rgbColour(0, 0, 128));
    // The sample box shows the new colour at once; the combinations list keeps the combo's.
    EXPECT_EQ(colour(config.findChild<QLineEdit*>("SampleEdit"), QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(colour(config.findChild<QComboBox*>("PredefinedCombo"), QPalette::ButtonText),
              QColor(0, 0, 128));

    // Cancelling the colour dialog changes nothing; picking the empty entry neither.
    const ColourSet before = config.working();
    ui.colors.push_back(std::nullopt);
    click(config, "WindowBackgroundButton");
    pick(config, 0);
    EXPECT_EQ(config.working(), before);
}

TEST(ColourConfig, PreviewShowsTitlesSamplesAndTheCombinationsList) {
    ScriptedInteraction ui;
    data::Settings settings;
    TColorConfig config(ui, settings, 5);
    pick(config, kMidnightBlack);
    for (const char* title : {"WindowLabel", "EditLabel", "ComboLabel", "RadioLabel", "CheckLabel",
                              "ListLabel"})
        EXPECT_EQ(colour(config.findChild<QLabel*>(title), QPalette::WindowText),
                  QColor(192, 192, 192))
            << title;
    EXPECT_EQ(colour(config.findChild<QLabel*>("PredefinedLabel"), QPalette::WindowText), Qt::white);
    EXPECT_EQ(colour(config.findChild<QComboBox*>("PredefinedCombo"), QPalette::Button),
              QColor(127, 127, 127));
    EXPECT_EQ(colour(config.findChild<QRadioButton*>("SampleRadio"), QPalette::WindowText), Qt::white);
    EXPECT_EQ(colour(config.findChild<QListWidget*>("SampleList"), QPalette::Base),
              QColor(127, 127, 127));

    // What is painted is what the palette says.
    config.show();
    const QImage image = config.grab().toImage();
    EXPECT_EQ(image.pixelColor(3, 3), Qt::black);  // between the frames
    const QWidget* sample = config.findChild<QLineEdit*>("SampleEdit");
    const QPoint inside = sample->mapTo(&config, QPoint(sample->width() - 6, sample->height() / 2));
    EXPECT_EQ(image.pixelColor(inside), QColor(127, 127, 127));
    const QWidget* radio = config.findChild<QRadioButton*>("SampleRadio");
    EXPECT_EQ(image.pixelColor(radio->mapTo(&config, QPoint(radio->width() - 3, 2))), Qt::black);
    config.close();
}

TEST(ColourConfig, AllWindowsStartsFromTheMainSetAndOkMakesAllFiveEqual) {
    ScriptedInteraction ui;
    data::Settings settings;
    settings.database.colourSet(WindowGroup::Main) = combination(kOceanBlue);
    settings.database.colourSet(WindowGroup::Report) = combination(kMidnightBlack);
    {
        TColorConfig config(ui, settings, kAllColourSets);
        EXPECT_EQ(config.working(), combination(kOceanBlue));
    }
    clickInModal("OkButton");
    EXPECT_TRUE(runColourConfig(nullptr, ui, settings, kAllColourSets));
    for (const ColourSet& s : settings.database.colours) EXPECT_EQ(s, combination(kOceanBlue));
    // Ok with nothing to change reports no change.
    clickInModal("OkButton");
    EXPECT_FALSE(runColourConfig(nullptr, ui, settings, 4));
    EXPECT_FALSE(runColourConfig(nullptr, ui, settings, 7));  // opens nothing
}

TEST(ColourConfig, CancelAfterACombinationChangesNoSet) {
    ScriptedInteraction ui;
    data::Settings settings;
    const data::Settings before = settings;
    QTimer::singleShot(0, [] {
        auto* config = qobject_cast<TColorConfig*>(QApplication::activeModalWidget());
        ASSERT_NE(config, nullptr);
        pick(*config, kMidnightBlack);
        click(*config, "CancelButton");
    });
    EXPECT_FALSE(runColourConfig(nullptr, ui, settings, kAllColourSets));
    EXPECT_EQ(settings, before);
}

TEST(ApplyColourSet, ASettingsFileWithoutColoursGivesSilverWindowsBlackTextWhiteBoxes) {
    QTemporaryDir dir;
    QFile ini(dir.filePath("MINE.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Field Names]\r\nCOUNTRY=Land\r\n");
    ini.close();
    data::DatabaseSettings s;
    s.colours[0] = combination(kMidnightBlack);  // must not survive the load
    data::loadDatabaseSettings(s, ini.fileName(), dir.filePath("DUZEZIVA.INI"));

    SampleWindow w;
    w.apply(s.colourSet(WindowGroup::Main));
    EXPECT_EQ(colour(&w.window, QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(colour(w.label, QPalette::WindowText), Qt::black);
    EXPECT_EQ(colour(w.heading, QPalette::WindowText), Qt::black);
    EXPECT_EQ(colour(w.edit, QPalette::Base), Qt::white);
    EXPECT_EQ(colour(w.combo, QPalette::Button), Qt::white);
    EXPECT_EQ(colour(w.list, QPalette::Base), Qt::white);
    EXPECT_EQ(colour(w.radio, QPalette::Window), QColor(192, 192, 192));
}

TEST(ApplyColourSet, IsIdempotentAndALaterSetReplacesAnEarlierOne) {
    SampleWindow once, twice, replaced;
    once.apply(combination(kMidnightBlack));
    twice.apply(combination(kMidnightBlack));
    twice.apply(combination(kMidnightBlack));
    replaced.apply(combination(kOceanBlue));
    replaced.apply(combination(kMidnightBlack));
    EXPECT_EQ(once.palettes(), twice.palettes());
    EXPECT_EQ(once.palettes(), replaced.palettes());
}

TEST(ApplyColourSet, ColoursByKindAndLeavesOtherWindowsGridsAndOptedOutControlsAlone) {
    SampleWindow w;
    const QPalette gridBefore = w.grid->palette();
    const QPalette keptBefore = w.ownColours->palette();
    const QPalette childBefore = w.childLabel->palette();
    ColourSet set = combination(kOceanBlue);
    set[ColourRole::RadioBackground] = rgbColour(1, 2, 3);
    set[ColourRole::RadioText] = rgbColour(4, 5, 6);
    w.apply(set);
    EXPECT_EQ(colour(w.radioGroup, QPalette::Window), QColor(1, 2, 3));
    EXPECT_EQ(colour(w.radioGroup, QPalette::WindowText), QColor(4, 5, 6));
    EXPECT_EQ(colour(w.radio, QPalette::WindowText), QColor(4, 5, 6));
    // The line inside an editable drop-down box is part of the box, not a text box of its own.
    EXPECT_EQ(colour(w.editableCombo->lineEdit(), QPalette::Text), QColor(0, 0, 128));
    EXPECT_EQ(colour(w.editableCombo->lineEdit(), QPalette::Base), Qt::white);
    EXPECT_EQ(w.grid->palette().color(QPalette::Base), gridBefore.color(QPalette::Base));
    EXPECT_EQ(w.ownColours->palette().color(QPalette::WindowText),
              keptBefore.color(QPalette::WindowText));
    EXPECT_FALSE(w.ownColours->autoFillBackground());
    EXPECT_EQ(w.childLabel->palette().color(QPalette::Window), childBefore.color(QPalette::Window));
    // A main window's bars keep the application's colours rather than the window's background.
    QMainWindow main;
    main.setCentralWidget(new QLabel("Stamp Viewer"));
    QMenuBar* bar = main.menuBar();
    QStatusBar* status = main.statusBar();
    applyColourSet(&main, set);
    EXPECT_EQ(colour(main.centralWidget(), QPalette::Window), QColor(0, 255, 255));
    for (const QWidget* b : {static_cast<QWidget*>(bar), static_cast<QWidget*>(status)})
        for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::ButtonText})
            EXPECT_EQ(colour(b, role), QApplication::palette(b).color(QPalette::Active, role));
    // Disabled text keeps looking disabled, and stays readable on the set's background (a disabled
    // radio button's caption once vanished into a grey radio background).
    EXPECT_NE(w.edit->palette().color(QPalette::Disabled, QPalette::Text), QColor(0, 0, 128));
    set[ColourRole::RadioBackground] = rgbColour(192, 192, 192);
    set[ColourRole::RadioText] = rgbColour(0, 0, 0);
    w.apply(set);
    const QColor disabled = w.radio->palette().color(QPalette::Disabled, QPalette::WindowText);
    EXPECT_EQ(disabled, QColor(96, 96, 96));
}
