#include "search/TSearchAndReplace.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/Controls.h"
#include "common/DisplayFormats.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/Schema.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ProgramHost.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"
#include "search/SearchAndReplace.h"

namespace vz::search {
TSearchAndReplace::TSearchAndReplace(mainwin::Program& program, mainwin::ProgramHost& host,
                                     QWidget* parent)
    : QDialog(parent), program_(program), host_(host) {
    setObjectName(QStringLiteral("SearchAndReplace"));
    setWindowTitle(QStringLiteral("Search and Replace"));
    setHelpTopic(this, QStringLiteral("Search and Replace"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    resize(400, 250);

    makeLabel(this, QStringLiteral("Field "), {16, 16, 120, 16});
    FieldBox = new QComboBox(this);
    FieldBox->setObjectName(QStringLiteral("FieldBox"));
    FieldBox->setGeometry(16, 34, 180, 24);
    FieldBox->setMaxVisibleItems(15);
    makeLabel(this, QStringLiteral("Text To Search For"), {16, 66, 180, 16});
    SearchText = new QLineEdit(this);
    SearchText->setObjectName(QStringLiteral("SearchText"));
    SearchText->setGeometry(16, 84, 368, 24);
    makeLabel(this, QStringLiteral("Replacement Text"), {16, 116, 180, 16});
    ReplaceText = new QLineEdit(this);
    ReplaceText->setObjectName(QStringLiteral("ReplaceText"));
    ReplaceText->setGeometry(16, 134, 368, 24);
    ConfirmBox = new QCheckBox(QStringLiteral("Confirm Before Replacing"), this);
    ConfirmBox->setObjectName(QStringLiteral("ConfirmBox"));
    ConfirmBox->setGeometry(212, 36, 180, 20);

    const char* titles[] = {"Processed", "Found", "Changed"};
    QLabel** counts[] = {&ProcessedCount, &FoundCount, &ChangedCount};
    for (int i = 0; i < 3; ++i) {
        makeLabel(this, QLatin1String(titles[i]), {16 + i * 90, 170, 80, 16});
        *counts[i] = makeLabel(this, QStringLiteral("0"), {16 + i * 90, 188, 80, 16});
        (*counts[i])->setObjectName(QLatin1String(titles[i]) + QStringLiteral("Count"));
    }

    StartButton = new QPushButton(QStringLiteral("&Start Search"), this);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    StartButton->setGeometry(196, 212, 92, 27);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(292, 212, 92, 27);
    StartButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);

    for (int n = 1; n <= data::kFieldCount; ++n)
        FieldBox->addItem(program_.settings().database.field(n).caption);
    FieldBox->setCurrentIndex(-1);
    connect(FieldBox, &QComboBox::currentIndexChanged, this, &TSearchAndReplace::FieldBoxChange);
    connect(StartButton, &QPushButton::clicked, this, &TSearchAndReplace::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TSearchAndReplace::showEvent(QShowEvent* event) {
    const data::DatabaseSettings& settings = program_.settings().database;
    mainwin::showNewWindow(this, &settings, mainwin::screenScale().factor());
    mainwin::applyColourSet(this, settings.colourSet(data::WindowGroup::Configure));
    QDialog::showEvent(event);
}

void TSearchAndReplace::FieldBoxChange() {
    SearchText->clear();
    ReplaceText->clear();
    const int field = FieldBox->currentIndex() + 1;
    if (field < 1) return;
    const data::SchemaField& f = data::schemaField(field);
    int length = 9;  // numbers
    if (f.type == data::FieldTypeCode::Text) length = f.width;
    if (f.type == data::FieldTypeCode::Date) length = 10;
    for (QLineEdit* box : {SearchText, ReplaceText}) {
        box->setMaxLength(length);
        box->setPlaceholderText(f.type == data::FieldTypeCode::Date
                                    ? displayFormats().formatDate({2024, 12, 31})
                                    : QString());
    }
}

void TSearchAndReplace::StartButtonClick() {
    Interaction& ui = program_.ui();
    ReplaceValues values;
    const auto readDate = [](QStringView text, engine::Date& out) {
        return displayFormats().parseDate(text, out);
    };
    switch (prepareReplace(FieldBox->currentIndex() + 1, SearchText->text(), ReplaceText->text(),
                           readDate, ui, values)) {
        case ReplaceFault::NoField:
            FieldBox->setFocus();
            return;
        case ReplaceFault::SearchValue:
            SearchText->setFocus();
            return;
        case ReplaceFault::ReplacementValue:
            ReplaceText->setFocus();
            return;
        case ReplaceFault::None:
            break;
    }
    ReplaceCallbacks callbacks;
    callbacks.counters = [this](const ReplaceCounters& c) {
        // Written as the run goes; painted every so often so a long run stays responsive.
        ProcessedCount->setText(QString::number(c.processed));
        FoundCount->setText(QString::number(c.found));
        ChangedCount->setText(QString::number(c.changed));
        if (c.processed % 500 == 0) {
            ProcessedCount->repaint();
            FoundCount->repaint();
            ChangedCount->repaint();
        }
    };
    if (ConfirmBox->isChecked())
        callbacks.confirm = [&ui](const QString& catalog) {
            return ui.confirm(
                QStringLiteral("Confirm"),
                QStringLiteral("Item = \"") + catalog + QStringLiteral("\".  Change this record?"));
        };
    ReplaceCounters counters;
    setCursor(Qt::WaitCursor);
    const bool finished = runSearchAndReplace(host_, ui, values, callbacks, counters);
    unsetCursor();
    if (finished) accept();
}

bool runSearchAndReplaceWindow(QWidget* parent, mainwin::Program& program,
                               mainwin::ProgramHost& host) {
    TSearchAndReplace window(program, host, parent);
    return window.exec() == QDialog::Accepted;
}

}  // namespace vz::search
