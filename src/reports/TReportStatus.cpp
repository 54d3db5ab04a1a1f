#include "reports/TReportStatus.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vz::reports {

TReportStatus::TReportStatus(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Report Status Screen"));
    auto* layout = new QVBoxLayout(this);
    StatusLabel = new QLabel(QStringLiteral("Printing Status"), this);
    StatusLabel->setAlignment(Qt::AlignCenter);
    StatusLabel->setMinimumWidth(260);
    layout->addWidget(StatusLabel);
    Button = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(Button, 0, Qt::AlignHCenter);
    connect(Button, &QPushButton::clicked, this, &TReportStatus::buttonClicked);
}

void TReportStatus::jobStarted() {
    running_ = true;
    StatusLabel->setText(QStringLiteral("Printing Status"));
    Button->setText(QStringLiteral("Cancel"));
}

void TReportStatus::progress(const QString& text) {
    StatusLabel->setText(text);
    QCoreApplication::processEvents();
}

void TReportStatus::jobEnded(const QString& text) {
    running_ = false;
    StatusLabel->setText(text);
    Button->setText(QStringLiteral("OK"));
    Button->setDefault(true);
    Button->setFocus();
}

QString TReportStatus::statusText() const {
    return StatusLabel->text();
}

void TReportStatus::buttonClicked() {
    if (running_) {
        if (onCancel) onCancel();
        return;
    }
    accept();
}

void TReportStatus::closeEvent(QCloseEvent* event) {
    // While the job runs closing the window means cancelling it; the window stays until it ends.
    if (running_) {
        if (onCancel) onCancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TReportStatus::reject() {
    if (running_) {
        if (onCancel) onCancel();
        return;
    }
    QDialog::reject();
}

}  // namespace vz::reports
