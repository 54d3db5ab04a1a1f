#include "common/QtInteraction.h"

#include "common/FontStyleDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/HelpWindow.h"

namespace vz {
namespace {

QMessageBox::StandardButton toQt(Answer a) {
    switch (a) {
        case Answer::Ok: return QMessageBox::Ok;
        case Answer::Cancel: return QMessageBox::Cancel;
        case Answer::Yes: return QMessageBox::Yes;
        case Answer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QString filterText(const QStringList& filters) { return filters.join(QStringLiteral(";;")); }

}  // namespace

QWidget* QtInteraction::dialogParent() const {
    // Over the modal window the collector works in (the record edit window, a list editor), so
    // that the box is not hidden behind it and F1 in the box finds that window's topic.
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return parent_;
}

Answer QtInteraction::message(const Message& m) {
    if (m.beep) beep();
    QMessageBox box(dialogParent());
    box.setWindowTitle(m.caption);
    box.setText(m.text);
    switch (m.icon) {
        case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (m.buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    box.setDefaultButton(toQt(m.defaultButton));
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return m.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

std::optional<QString> QtInteraction::openFileName(const FileDialogRequest& r) {
    QFileDialog d(dialogParent(), r.title, r.folder, filterText(r.filters));
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    if (!r.fileName.isEmpty()) d.selectFile(r.fileName);
    if (!r.defaultExtension.isEmpty()) d.setDefaultSuffix(r.defaultExtension);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().first();
}

std::optional<QString> QtInteraction::saveFileName(const FileDialogRequest& r) {
    QFileDialog d(dialogParent(), r.title, r.folder, filterText(r.filters));
    d.setAcceptMode(QFileDialog::AcceptSave);
    if (!r.fileName.isEmpty()) d.selectFile(r.fileName);
    if (!r.defaultExtension.isEmpty()) d.setDefaultSuffix(r.defaultExtension);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().first();
}

std::optional<QString> QtInteraction::folderName(const QString& title, const QString& start) {
    const QString f = QFileDialog::getExistingDirectory(dialogParent(), title, start);
    if (f.isEmpty()) return std::nullopt;
    return f;
}

std::optional<QFont> QtInteraction::chooseFont(const QFont& initial, const QString& title) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, dialogParent(), title);
    if (!ok) return std::nullopt;
    return f;
}

std::optional<QFont> QtInteraction::chooseFontStyle(const QFont& initial, const QString& title) {
    FontStyleDialog d(initial, title, parent_);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.chosenFont();
}

std::optional<std::pair<QFont, QColor>> QtInteraction::chooseFontAndColour(const QFont& initial,
                                                                           const QColor& colour,
                                                                           const QString& title) {
    // Qt's font dialog, without its own buttons, above a colour line with a sample of the text.
    QDialog d(dialogParent());
    d.setWindowTitle(title);
    auto* fonts = new QFontDialog(initial, &d);
    fonts->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
    fonts->setWindowFlags(Qt::Widget);
    // Escape and Enter inside the font part answer for the whole dialog.
    QObject::connect(fonts, &QDialog::rejected, &d, &QDialog::reject);
    QObject::connect(fonts, &QDialog::accepted, &d, &QDialog::accept);
    QColor chosen = colour;
    auto* sample = new QLabel(QStringLiteral("AaBbYyZz"), &d);
    auto* pick = new QPushButton(QStringLiteral("&Color..."), &d);
    auto showColour = [&] {
        sample->setStyleSheet(QStringLiteral("color: %1;").arg(chosen.name()));
    };
    showColour();
    QObject::connect(pick, &QPushButton::clicked, &d, [&] {
        const QColor c = QColorDialog::getColor(chosen, &d, QStringLiteral("Color"));
        if (c.isValid()) chosen = c;
        showColour();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto* colourLine = new QHBoxLayout;
    colourLine->addWidget(pick);
    colourLine->addWidget(sample, 1);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(fonts);
    layout->addLayout(colourLine);
    layout->addWidget(buttons);
    // A name this system lacks (the "Arial" of collections made elsewhere) shows as the face that
    // stands in for it; unless another face is picked, the font keeps the name it came with.
    const QString shownFamily = fonts->currentFont().family();
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    QFont font = fonts->currentFont();
    if (font.family() == shownFamily) font.setFamily(initial.family());
    return std::make_pair(font, chosen);
}

std::optional<QColor> QtInteraction::chooseColor(const QColor& initial, const QString& title) {
    const QColor c = QColorDialog::getColor(initial, dialogParent(), title);
    if (!c.isValid()) return std::nullopt;
    return c;
}

std::optional<PrintChoice> QtInteraction::choosePrinter(const PrintChoice& initial, int pageCount) {
    QPrinter printer;
    if (!initial.printerName.isEmpty()) printer.setPrinterName(initial.printerName);
    if (!initial.outputFile.isEmpty()) printer.setOutputFileName(initial.outputFile);
    printer.setCopyCount(initial.copies);
    QPrintDialog d(&printer, dialogParent());
    if (pageCount > 0) d.setMinMax(1, pageCount);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    PrintChoice c;
    c.printerName = printer.printerName();
    c.outputFile = printer.outputFileName();
    c.copies = printer.copyCount();
    if (printer.printRange() == QPrinter::PageRange) {
        c.fromPage = printer.fromPage();
        c.toPage = printer.toPage();
    }
    return c;
}

void QtInteraction::help(const QString& keyword) { HelpWindow::instance().showTopic(keyword); }

void QtInteraction::beep() { QApplication::beep(); }

}  // namespace vz
