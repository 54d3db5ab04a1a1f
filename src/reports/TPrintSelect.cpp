#include "reports/TPrintSelect.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/HelpKeys.h"
#include "data/Settings.h"
#include "reports/ReportPrinter.h"

namespace vz::reports {

QString pdfPrinterEntry() {
    return QStringLiteral("PDF file");
}

QStringList printerChoices() {
    QStringList names = reportPrinterNames();
    names << pdfPrinterEntry();
    return names;
}

bool printsToPdf(const data::ReportSettings& settings) {
    const qsizetype printers = reportPrinterNames().size();
    if (settings.defaultPrinter) return printers == 0 || QPrinterInfo::defaultPrinter().isNull();
    return settings.printerIndex >= printers || settings.printerIndex < 0;
}

TPrintSelect::TPrintSelect(data::ReportSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("Printer Selection"));
    setHelpTopic(this, QStringLiteral("Printer Selection"));
    auto* layout = new QVBoxLayout(this);
    DefaultPrinter = new QRadioButton(QStringLiteral("Default Printer"), this);
    OtherPrinter = new QRadioButton(QStringLiteral("Other Printer"), this);
    PrinterList = new QComboBox(this);
    PrinterList->setMinimumWidth(260);
    layout->addWidget(DefaultPrinter);
    layout->addWidget(OtherPrinter);
    layout->addWidget(PrinterList);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TPrintSelect::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(PrinterList, &QComboBox::activated, this, [this] { OtherPrinter->setChecked(true); });
}

void TPrintSelect::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TPrintSelect::FormShow() {
    PrinterList->clear();
    PrinterList->addItems(printerChoices());
    DefaultPrinter->setChecked(settings_.defaultPrinter);
    OtherPrinter->setChecked(!settings_.defaultPrinter);
    if (settings_.printerIndex >= 0 && settings_.printerIndex < PrinterList->count())
        PrinterList->setCurrentIndex(settings_.printerIndex);
}

void TPrintSelect::OkButtonClick() {
    settings_.defaultPrinter = DefaultPrinter->isChecked();
    settings_.printerIndex = PrinterList->currentIndex();
    accept();
}

}  // namespace vz::reports
