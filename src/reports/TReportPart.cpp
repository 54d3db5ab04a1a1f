#include "reports/TReportPart.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "reports/ReportDesign.h"
#include "reports/ReportFile.h"

namespace vz::reports {

namespace {

const char* const kTotalNames[] = {"Market Value", "Purchase Price", "Quantity"};

QString storedName(int number) {
    const auto& f = data::schemaField(number);
    return QString::fromLatin1(f.storedName.data(), qsizetype(f.storedName.size()));
}

}  // namespace

TReportPart::TReportPart(ReportLine& line, int lineNumber, int item, int reportWidth,
                         const data::DatabaseSettings& settings, Interaction& ui, QWidget* parent)
    : QDialog(parent),
      line_(line),
      totals_(lineNumber == 0),
      item_(item),
      reportWidth_(reportWidth),
      ui_(ui) {
    setWindowTitle(QStringLiteral("Select Report Part"));
    setHelpTopic(this, QStringLiteral("User Defined Reports"));
    auto* layout = new QVBoxLayout(this);
    auto* selected =
        new QLabel(totals_ ? QStringLiteral("Totals Line, Item %1").arg(item + 1)
                           : QStringLiteral("Line %1, Item %2").arg(lineNumber).arg(item + 1),
                   this);
    selected->setFrameShape(QFrame::Panel);
    selected->setFrameShadow(QFrame::Sunken);
    layout->addWidget(selected);
    auto* row = new QHBoxLayout;
    auto* type = new QGroupBox(QStringLiteral("Type"), this);
    auto* typeRows = new QVBoxLayout(type);
    Filler = new QRadioButton(QStringLiteral("Filler (empty space)"), type);
    Label = new QRadioButton(QStringLiteral("Label (constant value)"), type);
    Field = new QRadioButton(QStringLiteral("Field (database value)"), type);
    typeRows->addWidget(Filler);
    typeRows->addWidget(Label);
    typeRows->addWidget(Field);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(new QLabel(QStringLiteral("Width"), type));
    Width = new QLineEdit(type);
    Width->setMaxLength(3);
    Width->setFixedWidth(50);
    widthRow->addWidget(Width);
    widthRow->addStretch();
    typeRows->addLayout(widthRow);
    typeRows->addWidget(new QLabel(QStringLiteral("Label Name"), type));
    LabelName = new QLineEdit(type);
    LabelName->setMaxLength(kLabelLength);
    typeRows->addWidget(LabelName);
    row->addWidget(type);
    auto* fields = new QGroupBox(QStringLiteral("Fields"), this);
    auto* fieldRows = new QVBoxLayout(fields);
    Fields = new QListWidget(fields);
    fieldRows->addWidget(Fields);
    row->addWidget(fields, 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    if (totals_) {
        for (const char* n : kTotalNames) Fields->addItem(QString::fromLatin1(n));
    } else {
        for (int n = 1; n <= data::kFieldCount; ++n) Fields->addItem(settings.field(n).caption);
    }
    const ReportItem& it = line_[size_t(item_)];
    if (it.isFiller()) {
        Filler->setChecked(true);
    } else if (it.isLabel()) {
        Label->setChecked(true);
        LabelName->setText(it.labelText);
    } else {
        Field->setChecked(true);
        const int number = fieldNumberOfName(it.kind, totals_);
        if (number > 0) Fields->setCurrentRow(number - 1);
    }
    Width->setText(QString::number(it.width));
    kindChanged();
    for (QRadioButton* b : {Filler, Label, Field})
        connect(b, &QRadioButton::toggled, this, &TReportPart::kindChanged);
    connect(ok, &QPushButton::clicked, this, &TReportPart::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TReportPart::kindChanged() {
    Fields->setEnabled(Field->isChecked());
    LabelName->setEnabled(Label->isChecked());
}

void TReportPart::OkButtonClick() {
    bool ok = false;
    const int width = Width->text().trimmed().toInt(&ok);
    if (!ok) {
        ui_.error(QStringLiteral("Invalid width entered.  Please correct."));
        Width->setFocus();
        return;
    }
    // A field chosen with no entry selected keeps the item's field.
    if (Field->isChecked() && Fields->currentRow() < 0 && !line_[size_t(item_)].isField()) {
        ui_.error(QStringLiteral("No field has been selected.  Please choose one."));
        Fields->setFocus();
        return;
    }
    ReportItem& it = line_[size_t(item_)];
    it.width = std::clamp(width, 0, kMaxItemWidth);
    refitLine(line_, reportWidth_);
    it.labelText.clear();
    if (Filler->isChecked()) {
        it.kind = QString::fromLatin1(kFillerKind);
    } else if (Label->isChecked()) {
        it.kind = QString::fromLatin1(kLabelKind);
        it.labelText = LabelName->text().trimmed().left(kLabelLength);
    } else if (Fields->currentRow() >= 0) {
        const int row = Fields->currentRow();
        it.kind = totals_ ? QString::fromLatin1(kTotalNames[row]) : storedName(row + 1);
        it.fieldNumber = row + 1;
    }
    accept();
}

}  // namespace vz::reports
