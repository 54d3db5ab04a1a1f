// Interaction: every conversation the program has with the user outside its own windows.
//
// Message boxes, file, font, colour and printer dialogs, help and the beep all go through this
// interface. The program runs with QtInteraction; tests run with ScriptedInteraction, which
// records what was shown and answers from a script, so no test ever blocks on a dialog.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace vz {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
enum class MessageIcon { None, Information, Warning, Error, Question };

struct Message {
    QString caption;  // "Error", "Warning", "Confirm", "Notice", ...
    QString text;
    Buttons buttons = Buttons::Ok;
    Answer defaultButton = Answer::Ok;
    MessageIcon icon = MessageIcon::None;
    bool beep = false;  // questions before losing or storing data beep first
};

struct FileDialogRequest {
    QString title;
    QString folder;      // where the dialog starts
    QString fileName;    // proposed name
    QStringList filters; // "dBase Files (*.dbf *.DBF)", ...
    QString defaultExtension;  // added when the user types none ("dbf")
};

// What a printer dialog chose; the windows layer turns it into a QPrinter.
struct PrintChoice {
    QString printerName;  // empty: the default printer
    QString outputFile;   // non-empty: print to this PDF file
    int copies = 1;
    int fromPage = 0;     // 0: all pages
    int toPage = 0;
};

class Interaction {
public:
    virtual ~Interaction() = default;

    virtual Answer message(const Message& m) = 0;
    // Empty when the user cancelled.
    virtual std::optional<QString> openFileName(const FileDialogRequest& r) = 0;
    virtual std::optional<QString> saveFileName(const FileDialogRequest& r) = 0;
    virtual std::optional<QString> folderName(const QString& title, const QString& start) = 0;
    virtual std::optional<QFont> chooseFont(const QFont& initial, const QString& title) = 0;
    // The dialog for a control font (label, edit, button): preset with `initial`, it offers the
    // font's name and its bold and italic styles only. Empty when the user cancelled. Without
    // an override of its own it is chooseFont().
    virtual std::optional<QFont> chooseFontStyle(const QFont& initial, const QString& title) {
        return chooseFont(initial, title);
    }
    virtual std::optional<QColor> chooseColor(const QColor& initial, const QString& title) = 0;
    // The dialog for a font drawn in a colour of its own (the viewer grid's fonts): preset with
    // `initial` and `colour`, it offers name, size, bold, italic, underline, strike-out and the
    // colour. Empty when the user cancelled. Without an override of its own it is chooseFont()
    // with the colour kept.
    virtual std::optional<std::pair<QFont, QColor>> chooseFontAndColour(const QFont& initial,
                                                                        const QColor& colour,
                                                                        const QString& title) {
        std::optional<QFont> f = chooseFont(initial, title);
        if (!f) return std::nullopt;
        return std::make_pair(*f, colour);
    }
    // Shows the printer dialog for a job of `pageCount` pages (0 when unknown).
    virtual std::optional<PrintChoice> choosePrinter(const PrintChoice& initial, int pageCount) = 0;
    // Opens help at the topic of `keyword`; an empty keyword opens the contents page.
    virtual void help(const QString& keyword) = 0;
    virtual void beep() = 0;

    // The program's standard boxes.
    void error(const QString& text) { message({"Error", text, Buttons::Ok, Answer::Ok, MessageIcon::Error, false}); }
    void warning(const QString& text) {
        message({"Warning", text, Buttons::Ok, Answer::Ok, MessageIcon::Warning, false});
    }
    void notice(const QString& caption, const QString& text) {
        message({caption, text, Buttons::Ok, Answer::Ok, MessageIcon::Information, false});
    }
    // A Yes/No question before losing or storing data: beeps, No is the default.
    bool confirm(const QString& caption, const QString& text) {
        return message({caption, text, Buttons::YesNo, Answer::No, MessageIcon::Question, true}) == Answer::Yes;
    }
};

}  // namespace vz
