// ScriptedInteraction: the Interaction that tests use. It records everything shown and answers
// from queues filled by the test; an empty queue answers as a user who presses Enter (the default
// button) or cancels a dialog. It never blocks.
#pragma once

#include <deque>
#include <vector>

#include "common/Interaction.h"

namespace vz {

class ScriptedInteraction : public Interaction {
public:
    enum class Kind { Message, OpenFile, SaveFile, Folder, Font, Color, Printer, Help, Beep };
    struct Shown {
        Kind kind;
        Message message;          // for Kind::Message
        QString detail;           // dialog title, or the help keyword
    };

    std::deque<Answer> answers;
    std::deque<std::optional<QString>> fileNames;  // answers for open, save and folder dialogs
    std::deque<std::optional<QFont>> fonts;
    // The colours chooseFontAndColour answers with its font from `fonts`; when empty, the colour
    // it was preset with.
    std::deque<QColor> fontColours;
    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<PrintChoice>> printers;
    std::vector<Shown> shown;
    // The fonts the font dialogs were preset with, in order.
    std::vector<QFont> presetFonts;

    Answer message(const Message& m) override;
    std::optional<QString> openFileName(const FileDialogRequest& r) override;
    std::optional<QString> saveFileName(const FileDialogRequest& r) override;
    std::optional<QString> folderName(const QString& title, const QString& start) override;
    std::optional<QFont> chooseFont(const QFont& initial, const QString& title) override;
    std::optional<std::pair<QFont, QColor>> chooseFontAndColour(const QFont& initial,
                                                                const QColor& colour,
                                                                const QString& title) override;
    std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override;
    std::optional<PrintChoice> choosePrinter(const PrintChoice& initial, int pageCount) override;
    void help(const QString& keyword) override;
    void beep() override;

    // The messages shown so far, in order.
    std::vector<Message> messages() const;
    int beeps() const;
};

}  // namespace vz
