// TPrintSelect: the printer reports print on: the system's default printer or another one of
// the system's printers. A PDF file is always offered as the last choice of the list, so that a
// report can be printed where no printer is set up.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QRadioButton;

namespace vz::data {
struct ReportSettings;
}

namespace vz::reports {

// The list entry that prints to a PDF file.
QString pdfPrinterEntry();
// The system's printers and then the PDF entry, in the order the printer index counts them.
QStringList printerChoices();
// True when the settings send printing to a PDF file: the PDF entry chosen, or the default
// printer asked for where the system has none.
bool printsToPdf(const data::ReportSettings& settings);

class TPrintSelect : public QDialog {
    Q_OBJECT
public:
    // `settings` must outlive the window; Ok writes the choice into it.
    explicit TPrintSelect(data::ReportSettings& settings, QWidget* parent = nullptr);

    void FormShow();
    void OkButtonClick();

    QRadioButton* defaultButton() const { return DefaultPrinter; }
    QRadioButton* otherButton() const { return OtherPrinter; }
    QComboBox* printerList() const { return PrinterList; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    data::ReportSettings& settings_;
    QRadioButton* DefaultPrinter = nullptr;
    QRadioButton* OtherPrinter = nullptr;
    QComboBox* PrinterList = nullptr;
};

}  // namespace vz::reports
