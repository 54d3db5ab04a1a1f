// ListEditor: what the list editor window does with the entries of one data list, without the
// window. It works on its own copy of the entries; nothing reaches the data lists before the
// window's Ok hands entries() over (DataLists::applyListEditor).
#pragma once

#include <QString>
#include <QStringList>

#include "data/DataLists.h"

namespace vz::edit {

class ListEditor {
public:
    ListEditor(data::DataList list, QStringList entries);

    data::DataList list() const { return list_; }
    // "Edit "Country" List"
    QString caption() const;
    // The longest entry the text box takes.
    int maxLength() const;
    // The question asked before sorting; Yes is its default.
    static QString sortQuestion();

    const QStringList& entries() const { return entries_; }
    // The selected row; -1 when nothing is selected.
    int current() const { return current_; }
    void setCurrent(int row);

    // Why the typed text cannot become an entry: it holds a character the list file cannot hold
    // (the message names it, to be shown as an error). Empty when it can.
    QString refusal(const QString& typed) const;
    // Appends the typed text, trimmed of blanks and cut to maxLength(), at the end of the list,
    // even when an equal entry exists. Blank text, and text refusal() refuses, adds nothing.
    // True when an entry was added.
    bool add(const QString& typed);
    // Removes the selected entry and selects the one now at its place, or the new last one.
    // Nothing happens without a selection.
    void removeCurrent();
    // Sorts the entries once, ascending without regard to case; equal entries keep their order
    // and the selected entry stays selected.
    void sort();

private:
    data::DataList list_;
    QStringList entries_;
    int current_ = -1;
};

}  // namespace vz::edit
