#include "common/ScriptedInteraction.h"

namespace vz {
namespace {

template <typename T>
std::optional<T> take(std::deque<std::optional<T>>& q) {
    std::optional<T> v;
    if (!q.empty()) {
        v.swap(q.front());
        q.pop_front();
    }
    return v;
}

}  // namespace

Answer ScriptedInteraction::message(const Message& m) {
    if (m.beep) beep();
    shown.push_back({Kind::Message, m, m.caption});
    if (answers.empty()) return m.defaultButton;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QString> ScriptedInteraction::openFileName(const FileDialogRequest& r) {
    shown.push_back({Kind::OpenFile, {}, r.title});
    return take(fileNames);
}

std::optional<QString> ScriptedInteraction::saveFileName(const FileDialogRequest& r) {
    shown.push_back({Kind::SaveFile, {}, r.title});
    return take(fileNames);
}

std::optional<QString> ScriptedInteraction::folderName(const QString& title, const QString&) {
    shown.push_back({Kind::Folder, {}, title});
    return take(fileNames);
}

std::optional<QFont> ScriptedInteraction::chooseFont(const QFont& initial, const QString& title) {
    shown.push_back({Kind::Font, {}, title});
    presetFonts.push_back(initial);
    return take(fonts);
}

std::optional<std::pair<QFont, QColor>> ScriptedInteraction::chooseFontAndColour(
    const QFont& initial, const QColor& colour, const QString& title) {
    const std::optional<QFont> f = chooseFont(initial, title);
    QColor c = colour;
    if (!fontColours.empty()) {
        c = fontColours.front();
        fontColours.pop_front();
    }
    if (!f) return std::nullopt;
    return std::make_pair(*f, c);
}

std::optional<QColor> ScriptedInteraction::chooseColor(const QColor&, const QString& title) {
    shown.push_back({Kind::Color, {}, title});
    return take(colors);
}

std::optional<PrintChoice> ScriptedInteraction::choosePrinter(const PrintChoice&, int) {
    shown.push_back({Kind::Printer, {}, {}});
    return take(printers);
}

void ScriptedInteraction::help(const QString& keyword) { shown.push_back({Kind::Help, {}, keyword}); }

void ScriptedInteraction::beep() { shown.push_back({Kind::Beep, {}, {}}); }

std::vector<Message> ScriptedInteraction::messages() const {
    std::vector<Message> out;
    for (const Shown& s : shown)
        if (s.kind == Kind::Message) out.push_back(s.message);
    return out;
}

int ScriptedInteraction::beeps() const {
    int n = 0;
    for (const Shown& s : shown) n += s.kind == Kind::Beep;
    return n;
}

}  // namespace vz
