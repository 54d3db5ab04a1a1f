#include "reports/TUserReport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "app/Program.h"
#include "reports/ReportDesign.h"
#include "reports/ReportFile.h"
#include "reports/TRepLayout.h"
#include "reports/TReportFonts.h"

namespace vz::reports {

namespace {

QString fontText(const ReportFontSpec& f) {
    return QStringLiteral("%1 %2pt").arg(f.faceName).arg(f.size);
}

// A whole number as typed; nullopt when it is none.
std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

}  // namespace

TUserReport::TUserReport(mainwin::Program& program, QString file, int index, QWidget* parent)
    : QDialog(parent), program_(program), file_(std::move(file)), index_(index), isNew_(index < 0) {
    setWindowTitle(QStringLiteral("Report Definition"));
    setHelpTopic(this, QStringLiteral("User Defined Reports"));
    if (isNew_) {
        def_ = newReportDefinition();
    } else {
        auto loaded = LoadReport(file_, index_);
        if (!loaded) {
            loaded_ = false;
            program_.ui().error(QString::fromStdString(loaded.status().message()));
        } else {
            def_ = *loaded;
        }
    }
    openingName_ = def_.name;

    auto* layout = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Report Name"), this));
    ReportName = new QLineEdit(this);
    ReportName->setMaxLength(kNameLength);
    nameRow->addWidget(ReportName, 1);
    layout->addLayout(nameRow);

    auto* top = new QHBoxLayout;
    auto* widthBox = new QGroupBox(QStringLiteral("Report Width"), this);
    auto* widthRows = new QVBoxLayout(widthBox);
    WidthGroup = new QButtonGroup(this);
    for (int w : {kWidth90, kWidth120, kWidth150}) {
        auto* b = new QRadioButton(QStringLiteral("%1 Chars").arg(w), widthBox);
        WidthGroup->addButton(b, w);
        widthRows->addWidget(b);
    }
    top->addWidget(widthBox);
    auto* fontBox = new QGroupBox(QStringLiteral("Report Fonts"), this);
    auto* fontGrid = new QGridLayout(fontBox);
    const char* fontNames[] = {"Title Lines", "Column Headers", "Report Body", "Footnotes"};
    for (int i = 0; i < 4; ++i) {
        fontGrid->addWidget(new QLabel(QString::fromLatin1(fontNames[i]), fontBox), i, 0);
        FontFields[size_t(i)] = new QLineEdit(fontBox);
        FontFields[size_t(i)]->setReadOnly(true);
        fontGrid->addWidget(FontFields[size_t(i)], i, 1);
    }
    auto* setFonts = new QPushButton(QStringLiteral("&Set Fonts"), fontBox);
    fontGrid->addWidget(setFonts, 4, 1);
    top->addWidget(fontBox, 1);
    layout->addLayout(top);

    auto* titleBox = new QGroupBox(QStringLiteral("Report Titles"), this);
    auto* titleRows = new QVBoxLayout(titleBox);
    for (auto& t : Titles) {
        t = new QLineEdit(titleBox);
        t->setMaxLength(kTitleLength);
        titleRows->addWidget(t);
    }
    layout->addWidget(titleBox);

    auto* misc = new QGroupBox(QStringLiteral("Miscellaneous"), this);
    auto* miscGrid = new QGridLayout(misc);
    auto box = [&](const char* text, int row, int col) {
        auto* c = new QCheckBox(QString::fromLatin1(text), misc);
        miscGrid->addWidget(c, row, col);
        return c;
    };
    ColumnHeaders = box("Column Headers", 0, 0);
    PageNumbers = box("Page Numbers", 1, 0);
    DateOnPages = box("Date On Pages", 2, 0);
    HorizontalLines = box("Horizontal Lines", 3, 0);
    VerticalLines = box("Vertical Lines", 4, 0);
    Landscape = box("Print Landscape", 0, 1);
    UseTotals = box("Use Totals", 1, 1);
    GroupLevel1 = box("Group by Level 1 Sort", 2, 1);
    GroupLevel2 = box("Group by Level 2 Sort", 3, 1);
    auto* marginBox = new QGroupBox(QStringLiteral("Margins (in inches)"), misc);
    auto* marginGrid = new QGridLayout(marginBox);
    const char* marginNames[] = {"Top", "Bottom", "Left", "Right"};
    for (int i = 0; i < 4; ++i) {
        marginGrid->addWidget(new QLabel(QString::fromLatin1(marginNames[i]), marginBox), i / 2,
                              (i % 2) * 2);
        Margins[size_t(i)] = new QLineEdit(marginBox);
        Margins[size_t(i)]->setMaxLength(5);
        Margins[size_t(i)]->setFixedWidth(60);
        marginGrid->addWidget(Margins[size_t(i)], i / 2, (i % 2) * 2 + 1);
        connect(Margins[size_t(i)], &QLineEdit::editingFinished, this, &TUserReport::LinesExit);
    }
    miscGrid->addWidget(marginBox, 0, 2, 5, 1);
    layout->addWidget(misc);

    auto* content = new QGroupBox(QStringLiteral("Report Content"), this);
    auto* contentRow = new QHBoxLayout(content);
    contentRow->addWidget(new QLabel(QStringLiteral("Number of Lines"), content));
    NumberOfLines = new QLineEdit(content);
    NumberOfLines->setMaxLength(2);
    NumberOfLines->setFixedWidth(40);
    contentRow->addWidget(NumberOfLines);
    auto* specify = new QPushButton(QStringLiteral("&Specify Report Content"), content);
    contentRow->addWidget(specify);
    contentRow->addStretch();
    layout->addWidget(content);

    auto* buttons = new QHBoxLayout;
    auto* update = new QPushButton(QStringLiteral("&Update"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    DeleteButton = new QPushButton(QStringLiteral("&Delete"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    for (QPushButton* b : {update, help, DeleteButton, cancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    connect(WidthGroup, &QButtonGroup::idClicked, this, &TUserReport::widthChosen);
    connect(setFonts, &QPushButton::clicked, this, &TUserReport::SetFontsClick);
    connect(specify, &QPushButton::clicked, this, &TUserReport::SpecifyContentClick);
    connect(update, &QPushButton::clicked, this, &TUserReport::UpdateButtonClick);
    connect(help, &QPushButton::clicked, this,
            [this] { program_.ui().help(QStringLiteral("User Defined Reports")); });
    connect(DeleteButton, &QPushButton::clicked, this, &TUserReport::DeleteButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ReportName, &QLineEdit::editingFinished, this, &TUserReport::NameExit);
    connect(NumberOfLines, &QLineEdit::editingFinished, this, &TUserReport::LinesExit);
    connect(GroupLevel1, &QCheckBox::toggled, GroupLevel2, &QCheckBox::setEnabled);
    FormShow();
}

QRadioButton* TUserReport::widthButton(int width) const {
    return qobject_cast<QRadioButton*>(WidthGroup->button(width));
}

int TUserReport::chosenWidth() const {
    return WidthGroup->checkedId() > 0 ? WidthGroup->checkedId() : def_.width;
}

void TUserReport::FormShow() {
    ReportName->setText(def_.name);
    if (QAbstractButton* b = WidthGroup->button(def_.width)) b->setChecked(true);
    showFonts();
    for (size_t t = 0; t < 3; ++t) Titles[t]->setText(def_.titles[t]);
    ColumnHeaders->setChecked(def_.columnHeaders);
    PageNumbers->setChecked(def_.pageNumbers);
    DateOnPages->setChecked(def_.dateOnPages);
    HorizontalLines->setChecked(def_.horizontalLines);
    VerticalLines->setChecked(def_.verticalLines);
    Landscape->setChecked(def_.landscape);
    UseTotals->setChecked(def_.useTotals);
    GroupLevel1->setChecked(def_.groupByLevel1);
    GroupLevel2->setChecked(def_.groupByLevel1 && def_.groupByLevel2);
    GroupLevel2->setEnabled(def_.groupByLevel1);
    const double margins[] = {def_.topMargin, def_.bottomMargin, def_.leftMargin, def_.rightMargin};
    for (size_t i = 0; i < 4; ++i) Margins[i]->setText(QString::number(margins[i], 'f', 2));
    NumberOfLines->setText(QString::number(def_.numberOfLines));
    lineDependentBoxes();
    DeleteButton->setEnabled(!isNew_);
    ReportName->setFocus();
}

void TUserReport::showFonts() {
    FontFields[0]->setText(fontText(def_.titleFont));
    FontFields[1]->setText(fontText(def_.columnHeaderFont));
    FontFields[2]->setText(fontText(def_.bodyFont));
    FontFields[3]->setText(fontText(def_.footnoteFont));
}

void TUserReport::lineDependentBoxes() {
    const bool single = def_.numberOfLines < 2;
    ColumnHeaders->setEnabled(single);
    HorizontalLines->setEnabled(single);
    VerticalLines->setEnabled(single);
}

void TUserReport::NameExit() {
    if (isNew_) return;
    def_.name = ReportName->text().trimmed().left(kNameLength);
    DeleteButton->setEnabled(def_.name == openingName_);
}

void TUserReport::LinesExit() {
    if (auto n = wholeNumber(NumberOfLines->text())) def_.numberOfLines = *n;
    NumberOfLines->setText(QString::number(def_.numberOfLines));
    lineDependentBoxes();
}

void TUserReport::widthChosen(int width) {
    const auto change = widthSwitch(def_.width, width);
    if (!change) return;
    Interaction& ui = program_.ui();
    if (!change->question.isEmpty() &&
        ui.message({QStringLiteral("Warning"), change->question, Buttons::YesNo, Answer::No,
                    MessageIcon::Warning, true}) != Answer::Yes) {
        if (QAbstractButton* b = WidthGroup->button(def_.width)) b->setChecked(true);
        return;
    }
    LinesExit();
    // Lines beyond 0 to 12 are refused on Update; re-fit only the lines there are.
    applyWidth(def_, width, change->bodyFontSize);
    if (QAbstractButton* b = WidthGroup->button(width)) b->setChecked(true);
    showFonts();
    if (!change->notice.isEmpty()) ui.notice(QStringLiteral("Notice"), change->notice);
}

bool TUserReport::checkLines() {
    const auto n = wholeNumber(NumberOfLines->text());
    if (!n || *n < 0 || *n > kMaxReportLines) {
        program_.ui().message(
            {QStringLiteral("Notice"),
             QStringLiteral("Number of lines must be in range of 0 to 12.  Please correct."),
             Buttons::Ok, Answer::Ok, MessageIcon::Information, false});
        NumberOfLines->setFocus();
        return false;
    }
    def_.numberOfLines = *n;
    return true;
}

void TUserReport::storeControls() {
    auto margin = [](QLineEdit* field, double old) {
        bool ok = false;
        const double v = field->text().trimmed().toDouble(&ok);
        return ok ? v : old;
    };
    def_.topMargin = margin(Margins[0], def_.topMargin);
    def_.bottomMargin = margin(Margins[1], def_.bottomMargin);
    def_.leftMargin = margin(Margins[2], def_.leftMargin);
    def_.rightMargin = margin(Margins[3], def_.rightMargin);
    def_.name = ReportName->text().trimmed().left(kNameLength);
    for (size_t t = 0; t < 3; ++t) def_.titles[t] = Titles[t]->text().trimmed().left(kTitleLength);
    def_.width = chosenWidth();
    def_.columnHeaders = ColumnHeaders->isChecked();
    def_.groupByLevel1 = GroupLevel1->isChecked();
    def_.groupByLevel2 = def_.groupByLevel1 && GroupLevel2->isChecked();
    def_.pageNumbers = PageNumbers->isChecked();
    def_.landscape = Landscape->isChecked();
    def_.dateOnPages = DateOnPages->isChecked();
    def_.horizontalLines = HorizontalLines->isChecked();
    def_.verticalLines = VerticalLines->isChecked();
    def_.useTotals = UseTotals->isChecked();
}

void TUserReport::UpdateButtonClick() {
    if (!checkLines()) return;
    storeControls();
    Interaction& ui = program_.ui();
    bool append = isNew_;
    if (!isNew_ && def_.name != openingName_) {
        const Answer a =
            ui.message({QStringLiteral("Warning"),
                        QStringLiteral("Report Title has changed!  Do you wish to save this as a "
                                       "new report?   (YES saves as new "
                                       "report.  NO overwrites old report.  CANCEL aborts.)"),
                        Buttons::YesNoCancel, Answer::No, MessageIcon::Warning, true});
        if (a == Answer::Cancel) return;
        append = a == Answer::Yes;
    }
    auto saved = SaveReport(file_, def_, append ? kAppendReport : index_);
    if (!saved) {
        ui.error(QString::fromStdString(saved.status().message()));
        return;
    }
    if (onListChanged) onListChanged(*saved);
    accept();
}

void TUserReport::DeleteButtonClick() {
    if (isNew_) return;
    Interaction& ui = program_.ui();
    if (ui.message({QStringLiteral("Warning"),
                    QStringLiteral("Are you sure you want to delete this report?"), Buttons::YesNo,
                    Answer::No, MessageIcon::Warning, true}) != Answer::Yes)
        return;
    if (engine::Status s = DeleteReport(file_, index_); !s) {
        ui.error(QString::fromStdString(s.message()));
        return;
    }
    if (onListChanged) onListChanged(index_);
    accept();
}

void TUserReport::SetFontsClick() {
    TReportFonts fonts(def_, program_.ui(), this);
    fonts.exec();
    showFonts();
}

void TUserReport::SpecifyContentClick() {
    if (!checkLines()) return;
    lineDependentBoxes();
    def_.useTotals = UseTotals->isChecked();
    def_.width = chosenWidth();
    TRepLayout layout(def_, program_.settings().database, program_.ui(), this);
    layout.exec();
}

}  // namespace vz::reports
