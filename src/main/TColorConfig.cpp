#include "main/TColorConfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "main/ApplyColours.h"
#include "main/ColourSets.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::mainwin {

using data::ColourRole;

namespace {

constexpr int kDesignWidth = 618;
constexpr int kDesignHeight = 415;
constexpr int kFrameWidth = 196;
constexpr int kFrameHeight = 146;
constexpr int kColumnLeft[] = {8, 211, 414};
constexpr int kRowTop[] = {8, 162};

QFrame* raisedFrame(QWidget* parent, const QString& name, const QRect& r) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    f->setLineWidth(2);
    f->setGeometry(r);
    return f;
}

QLabel* frameTitle(QFrame* frame, const QString& name, const QString& text) {
    auto* l = new QLabel(text, frame);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(4, 6, frame->width() - 8, 20);
    return l;
}

}  // namespace

TColorConfig::TColorConfig(Interaction& ui, data::Settings& settings, int setNumber,
                           QWidget* parent)
    : QDialog(parent),
      ui_(ui),
      settings_(settings),
      setNumber_(setNumber),
      working_(workingColours(settings, setNumber)) {
    setObjectName(QStringLiteral("ColorConfig"));
    setHelpTopic(this, QStringLiteral("Color Configuration"));
    setWindowTitle(QStringLiteral("Color Configuration"));
    resize(kDesignWidth, kDesignHeight);

    auto button = [this](QWidget* parent, const QString& name, const QString& caption,
                         const QRect& r, ColourRole role) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setGeometry(r);
        connect(b, &QPushButton::clicked, this, [this, role] { ColourButtonClick(role); });
        return b;
    };
    auto frameAt = [this](const QString& name, int column, int row) {
        return raisedFrame(this, name,
                           QRect(kColumnLeft[column], kRowTop[row], kFrameWidth, kFrameHeight));
    };
    // A group's two buttons share the bottom of its frame.
    const QRect textRect(14, 106, 80, 28), backRect(102, 106, 80, 28);
    const QRect sampleRect(18, 52, 160, 24);

    QFrame* window = frameAt(QStringLiteral("WindowPanel"), 0, 0);
    frameTitles_ << frameTitle(window, QStringLiteral("WindowLabel"), QStringLiteral("Window"));
    button(window, QStringLiteral("WindowBackgroundButton"), QStringLiteral("Background"),
           QRect(38, 34, 120, 28), ColourRole::MainBackground);
    button(window, QStringLiteral("MajorTitleButton"), QStringLiteral("Major Titles"),
           QRect(38, 70, 120, 28), ColourRole::MajorTitle);
    button(window, QStringLiteral("MinorTitleButton"), QStringLiteral("Minor Titles"),
           QRect(38, 106, 120, 28), ColourRole::MinorTitle);

    QFrame* edit = frameAt(QStringLiteral("EditPanel"), 1, 0);
    frameTitles_ << frameTitle(edit, QStringLiteral("EditLabel"), QStringLiteral("Edit Box"));
    auto* sampleEdit = new QLineEdit(QStringLiteral("Sample Text"), edit);
    sampleEdit->setObjectName(QStringLiteral("SampleEdit"));
    sampleEdit->setGeometry(sampleRect);
    button(edit, QStringLiteral("EditTextButton"), QStringLiteral("Text"), textRect,
           ColourRole::EditText);
    button(edit, QStringLiteral("EditBackgroundButton"), QStringLiteral("Background"), backRect,
           ColourRole::EditBackground);

    QFrame* combo = frameAt(QStringLiteral("ComboPanel"), 2, 0);
    frameTitles_ << frameTitle(combo, QStringLiteral("ComboLabel"), QStringLiteral("Combo Box"));
    auto* sampleCombo = new QComboBox(combo);
    sampleCombo->setObjectName(QStringLiteral("SampleCombo"));
    sampleCombo->addItem(QStringLiteral("ComboBox"));
    sampleCombo->setGeometry(sampleRect);
    button(combo, QStringLiteral("ComboTextButton"), QStringLiteral("Text"), textRect,
           ColourRole::ComboText);
    button(combo, QStringLiteral("ComboBackgroundButton"), QStringLiteral("Background"),
           backRect, ColourRole::ComboBackground);

    QFrame* radio = frameAt(QStringLiteral("RadioPanel"), 0, 1);
    frameTitles_ << frameTitle(radio, QStringLiteral("RadioLabel"),
                               QStringLiteral("Radio Button"));
    auto* sampleRadio = new QRadioButton(QStringLiteral("Radio Button"), radio);
    sampleRadio->setObjectName(QStringLiteral("SampleRadio"));
    sampleRadio->setGeometry(sampleRect);
    button(radio, QStringLiteral("RadioTextButton"), QStringLiteral("Text"), textRect,
           ColourRole::RadioText);
    button(radio, QStringLiteral("RadioBackgroundButton"), QStringLiteral("Background"),
           backRect, ColourRole::RadioBackground);

    QFrame* check = frameAt(QStringLiteral("CheckPanel"), 1, 1);
    frameTitles_ << frameTitle(check, QStringLiteral("CheckLabel"), QStringLiteral("Check Box"));
    auto* sampleCheck = new QCheckBox(QStringLiteral("Check Box"), check);
    sampleCheck->setObjectName(QStringLiteral("SampleCheck"));
    sampleCheck->setGeometry(sampleRect);
    button(check, QStringLiteral("CheckTextButton"), QStringLiteral("Text"), textRect,
           ColourRole::CheckText);
    button(check, QStringLiteral("CheckBackgroundButton"), QStringLiteral("Background"),
           backRect, ColourRole::CheckBackground);

    QFrame* list = frameAt(QStringLiteral("ListPanel"), 2, 1);
    frameTitles_ << frameTitle(list, QStringLiteral("ListLabel"), QStringLiteral("List Box"));
    auto* sampleList = new QListWidget(list);
    sampleList->setObjectName(QStringLiteral("SampleList"));
    sampleList->addItems({QStringLiteral("Sample Text"), QStringLiteral("Sample Text")});
    sampleList->setGeometry(18, 32, 160, 66);
    button(list, QStringLiteral("ListTextButton"), QStringLiteral("Text"), textRect,
           ColourRole::ListBoxText);
    button(list, QStringLiteral("ListBackgroundButton"), QStringLiteral("Background"), backRect,
           ColourRole::ListBoxBackground);

    QFrame* predefined = raisedFrame(this, QStringLiteral("PredefinedPanel"), QRect(8, 316, 400, 91));
    auto* predefinedTitle = new QLabel(QStringLiteral("Predefined Color Combinations"), predefined);
    predefinedTitle->setObjectName(QStringLiteral("PredefinedLabel"));
    predefinedTitle->setAlignment(Qt::AlignCenter);
    predefinedTitle->setGeometry(4, 10, 392, 20);
    PredefinedCombo = new QComboBox(predefined);
    PredefinedCombo->setObjectName(QStringLiteral("PredefinedCombo"));
    PredefinedCombo->addItems(combinationListEntries());
    PredefinedCombo->setMaxVisibleItems(PredefinedCombo->count());
    PredefinedCombo->setGeometry(90, 44, 220, 24);
    // Picking an entry applies it even when it is the one already showing, so that a combination
    // can be taken again after its colours were changed.
    connect(PredefinedCombo, &QComboBox::activated, this, &TColorConfig::PredefinedComboChange);

    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(424, 370, 88, 30);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &TColorConfig::OkButtonClick);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(520, 370, 88, 30);
    CancelButton->setAutoDefault(false);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    paintPreview();
}

void TColorConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

// The collector's fonts and screen scale, centred, and lifted a little when there is room above.
// The window keeps the size it is scaled to.
void TColorConfig::FormShow() {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showNewWindow(this, &settings_.database, screenScale().factor());
    setFixedSize(size());
    liftIfLow(this);
}

void TColorConfig::ColourButtonClick(ColourRole role) {
    const std::optional<QColor> chosen =
        ui_.chooseColor(toQColor(working_[role]), data::ColourSet::key(role));
    if (!chosen || !chosen->isValid()) return;
    working_[role] = fromQColor(*chosen);
    paintPreview();
}

void TColorConfig::PredefinedComboChange(int index) {
    if (applyCombination(working_, index)) paintPreview();
}

void TColorConfig::OkButtonClick() {
    changed_ = commitColours(settings_, setNumber_, working_);
    accept();
}

// The window shows the working copy the way applyColourSet paints any window: the six frame
// titles are its headings and the combinations title an ordinary label, and the combinations
// list is a drop-down box like the sample.
void TColorConfig::paintPreview() { applyColourSet(this, working_, frameTitles_); }

bool runColourConfig(QWidget* parent, Interaction& ui, data::Settings& settings, int setNumber) {
    if (setNumber < 1 || setNumber > kAllColourSets) return false;
    TColorConfig window(ui, settings, setNumber, parent);
    window.exec();
    return window.changedSettings();
}

}  // namespace vz::mainwin
