// QtInteraction: the Interaction of the running program, with Qt's message boxes and dialogs.
#pragma once

#include "common/Interaction.h"

class QWidget;

namespace vz {

class QtInteraction : public Interaction {
public:
    // Dialogs are shown over the modal window on top, else over `parent` (may be null before the
    // main window exists).
    explicit QtInteraction(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer message(const Message& m) override;
    std::optional<QString> openFileName(const FileDialogRequest& r) override;
    std::optional<QString> saveFileName(const FileDialogRequest& r) override;
    std::optional<QString> folderName(const QString& title, const QString& start) override;
    std::optional<QFont> chooseFont(const QFont& initial, const QString& title) override;
    std::optional<QFont> chooseFontStyle(const QFont& initial, const QString& title) override;
    std::optional<std::pair<QFont, QColor>> chooseFontAndColour(const QFont& initial,
                                                                const QColor& colour,
                                                                const QString& title) override;
    std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override;
    std::optional<PrintChoice> choosePrinter(const PrintChoice& initial, int pageCount) override;
    void help(const QString& keyword) override;
    void beep() override;

private:
    QWidget* dialogParent() const;

    QWidget* parent_;
};

}  // namespace vz
