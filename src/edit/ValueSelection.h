// ValueSelection: what the value selection window does, without the window.
//
// The Miscellaneous and Faults boxes of the record edit window hold several values of their list
// in one text, separated by a comma and a blank ("Mint, Plate Block, Used"). The window shows the
// list's entries in alphabetical order, whatever their case, with the values of the box selected;
// entries of the box that the list lacks are added to the window's list (never to the file) and
// selected. Its Ok joins the selected entries, in list order, back into one text.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vz::edit {

// The values of a box's text: the text before each comma is one value, with the blanks after the
// comma dropped; a value keeps blanks before its comma ("thin , crease" gives "thin " and
// "crease"). Empty values (",,", a text of commas only) are dropped.
QStringList splitValues(const QString& boxText);

// The joined text of a selection and whether the field can hold it.
struct JoinedValues {
    QString text;         // the selected entries in list order, ", " between them
    int fieldLength = 0;  // the most characters the field holds
    bool fits() const { return text.size() <= fieldLength; }
};

class ValueSelection {
public:
    // `listEntries` as the list file gives them; `boxText` the box's current text.
    ValueSelection(const QStringList& listEntries, const QString& boxText);

    // The entries in display order: ascending, without regard to case.
    const QStringList& entries() const { return entries_; }
    bool isSelected(int row) const { return selected_[size_t(row)]; }
    void setSelected(int row, bool on) { selected_[size_t(row)] = on; }
    // One click on an entry: its selection turns over.
    void toggle(int row) { selected_[size_t(row)] = !selected_[size_t(row)]; }
    int selectedCount() const;

    // The selected entries joined for a field of `fieldLength` characters; empty with none.
    JoinedValues join(int fieldLength) const;

private:
    // Inserts `entry` after every entry that sorts before or equal to it; answers its row.
    int insertSorted(const QString& entry);

    QStringList entries_;
    std::vector<bool> selected_;
};

}  // namespace vz::edit
