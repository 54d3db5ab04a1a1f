#include "reports/TPrintRange.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/HelpKeys.h"
#include "common/Interaction.h"

namespace vz::reports {
namespace {

// A page number as typed: a whole number, else 0 (which no range accepts).
int pageOf(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

}  // namespace

TPrintRange::TPrintRange(int pageCount, Interaction& ui, QWidget* parent)
    : QDialog(parent), pageCount_(pageCount), ui_(ui) {
    setWindowTitle(QStringLiteral("Page Printing"));
    setHelpTopic(this, QStringLiteral("Report Preview"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    StartPage = new QLineEdit(QStringLiteral("1"), this);
    EndPage = new QLineEdit(QString::number(pageCount), this);
    StartPage->setMaxLength(3);
    EndPage->setMaxLength(3);
    form->addRow(QStringLiteral("Starting Page"), StartPage);
    form->addRow(QStringLiteral("Ending Page"), EndPage);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* print = new QPushButton(QStringLiteral("&Print"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    print->setDefault(true);
    buttons->addWidget(print);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(print, &QPushButton::clicked, this, &TPrintRange::PrintButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TPrintRange::rangeProblem(const QString& first, const QString& last, int pageCount,
                                  bool* firstIsWrong) {
    const int from = pageOf(first);
    if (firstIsWrong) *firstIsWrong = true;
    if (from < 1 || from > pageCount)
        return QStringLiteral("Invalid Starting Page specified. Please correct.");
    if (firstIsWrong) *firstIsWrong = false;
    const int to = pageOf(last);
    if (to < from || to > pageCount)
        return QStringLiteral("Invalid Ending Page specified.  Please correct.");
    return {};
}

void TPrintRange::PrintButtonClick() {
    bool firstWrong = false;
    const QString problem =
        rangeProblem(StartPage->text(), EndPage->text(), pageCount_, &firstWrong);
    if (!problem.isEmpty()) {
        ui_.message(
            {QStringLiteral("Error"), problem, Buttons::Ok, Answer::Ok, MessageIcon::Error, false});
        QLineEdit* field = firstWrong ? StartPage : EndPage;
        field->setFocus();
        field->selectAll();
        return;
    }
    accept();
}

int TPrintRange::firstPage() const {
    return pageOf(StartPage->text());
}
int TPrintRange::lastPage() const {
    return pageOf(EndPage->text());
}

}  // namespace vz::reports
