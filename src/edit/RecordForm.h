// RecordForm: what the record edit window does with its boxes, without the widgets.
//
// The window holds one box per field of the stamp record: 24 text boxes (fields 1 to 24 of the
// schema, the date box among them) and the Wanted check box. RecordValues is a copy of what they
// hold. RecordForm turns a record of the collection table into box texts and back, fills the
// boxes for a new or cleared record, keeps the change snapshot, copies the boxes to the saved
// defaults and lays out a printed record. The window only moves text between its widgets and a
// RecordValues.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "data/Settings.h"
#include "engine/Date.h"
#include "common/DisplayFormats.h"

namespace vz::engine {
class Table;
}

namespace vz::edit {

inline constexpr int kTextBoxCount = 24;     // fields 1 to 24
inline constexpr int kWantedField = 25;
inline constexpr int kDateField = 14;
inline constexpr int kQuantityField = 6;
inline constexpr int kRememberedQuantityLength = 10;

// The contents of the edit window's boxes.
struct RecordValues {
    std::array<QString, kTextBoxCount> text;  // index 0 holds field 1 (Alpha Catalog)
    bool wanted = false;

    QString& operator[](int field) { return text[size_t(field - 1)]; }
    const QString& operator[](int field) const { return text[size_t(field - 1)]; }
    friend bool operator==(const RecordValues&, const RecordValues&) = default;
};

// The three kinds of DoClear.
enum class ClearKind { NewRecord = 1, Clear = 2, LoadDefaults = 3 };

// Why a record could not be stored: the field whose box gets the focus and the message shown.
struct StoreProblem {
    int field = 0;
    QString message;
};

class RecordForm {
public:
    // --- The date box. Its mask is two digits, separator, two digits, separator, four digits,
    // with blanks for empty positions.

    // The empty date box under a separator: "  /  /    ".
    static QString emptyDateText(const QString& separator);
    // A date as the date box shows it: the format's order and separator, the day and month with
    // a leading zero when the format has them (otherwise a one-digit number stands left in its
    // two places), and always the full year (a two-digit year read back would land in the
    // current century). A blank date gives the empty box.
    static QString dateBoxText(const engine::Date& date, const DisplayFormats& formats);
    // Any text put into the date box (a saved default, perhaps under another separator): the
    // digits found in each of its three places, at the left of the place, with the separator in
    // force between them.
    static QString fitDateBox(const QString& text, const QString& separator);

    // --- Loading and clearing

    // The boxes for the table's current record: each field's text as stored, trailing blanks
    // dropped; Purchase Price and Market Value in the money display format and Quantity in the
    // number display format with no decimals, each when the field is not empty; Wanted ticked
    // for "Yes" exactly. `rememberedQuantity` gets the Quantity text as loaded; a ticked Wanted
    // then shows Quantity "0".
    static RecordValues fromRecord(const engine::Table& table, const DisplayFormats& formats,
                                   QString& rememberedQuantity);

    // DoClear: the saved defaults when `kind` asks for them (NewRecord with "Load Defaults With
    // Add" on, Clear with "Load Defaults With Clear" on, LoadDefaults always); otherwise empty
    // boxes with Market Value "0", Quantity "1" and Purchase Price "0", Wanted unticked.
    // `rememberedQuantity` gets the Quantity text; a ticked Wanted then shows Quantity "0".
    static RecordValues cleared(ClearKind kind, const data::RecordDefaults& defaults,
                                const DisplayFormats& formats, QString& rememberedQuantity);

    // "Save Current Values As Defaults": every box text cut to its saved default's length, and
    // Wanted. Numbers and the date that read under `formats` are kept in their plain form (see
    // data::RecordDefaults::plainValues), so that they keep their value when the number or date
    // format changes; cleared() shows them in the formats then in force. The two switches are left
    // alone. A text with a character the settings file cannot hold, or a number whose plain form
    // is longer than its default may be, is refused: `defaults` is left as it was and the message
    // to show (naming the character and the box) is returned.
    [[nodiscard]] static std::optional<QString> copyToDefaults(
        const RecordValues& values, data::RecordDefaults& defaults,
        const std::array<QString, 25>& captions, const DisplayFormats& formats);

    // --- The change snapshot

    void SaveValues(const RecordValues& values) { snapshot_ = values; }
    // True when a box text differs from the snapshot (exact comparison) or Wanted does.
    bool ValuesChanged(const RecordValues& values) const { return !(values == snapshot_); }
    const RecordValues& snapshot() const { return snapshot_; }

    // --- Storing

    // Every check a record passes before anything of it is written: the number and date checks
    // in their order, then that every text can be held by the table's code page. `captions`
    // name the boxes (index 0: field 1). Nothing is shown or written here.
    static std::optional<StoreProblem> check(const RecordValues& values, const engine::Table& table,
                                             const std::array<QString, 25>& captions,
                                             const DisplayFormats& formats);

    // Writes the boxes to the table: a new record when `insert`, else the current record. The
    // record is either written whole or not at all: a field the table refuses, or a failing
    // post, cancels the change and answers the problem, with the table back where it was. Text
    // longer than its field is cut to the field's width; User Defined 1 to 3 are trimmed; an empty
    // number box stores 0. Run check() first: this answers a problem for text check() refuses.
    // A value the table refuses is named by its box's caption in `captions` (fields 1 to 25).
    static std::optional<StoreProblem> write(engine::Table& table, const RecordValues& values, bool insert,
                                             const DisplayFormats& formats,
                                             const std::array<QString, 25>& captions = {});

    // --- Printing

    // The 25 lines of a printed record: "caption: text" for fields 1 to 24 in field order, then
    // the Wanted caption with ": Yes" or ": No".
    static QStringList printLines(const RecordValues& values, const std::array<QString, 25>& captions);

private:
    RecordValues snapshot_;
};

}  // namespace vz::edit
