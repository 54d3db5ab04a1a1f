// SearchItems: the search in force, as a list of items, and the record test built on it.
//
// A search is made of levels; each level is a run of items that must all hold (AND), and a
// record passes when any one level holds entirely (OR across levels). The search window turns
// its 25 criterion cells into the items of one level (saveLevel); the command line adds items
// one by one (SearchCriteria.h). The record test (test) is what the collection table's record
// filter asks about each record while search mode is on.
//
// Text criteria match as substrings without regard to letter case: both sides are folded to
// upper case in the table's own code page, so accented letters fold as plain ones do.
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/Interaction.h"
#include "engine/Date.h"

namespace vz::engine {
class Table;
class CodePage;
}  // namespace vz::engine

namespace vz::search {

inline constexpr int kSearchRows = 25;  // one per field of the stamp record
inline constexpr int kMaxSearchItems = 75;
inline constexpr int kMaxSearchLevels = 10;
inline constexpr int kMaxItemText = 110;

enum class RowKind { Character, Numeric, Date };

// One row of the search grid: the field of the same number.
struct SearchRow {
    int row;  // 1 to 25, the field number
    RowKind kind;
    int width;     // criterion width: the number of characters a character row takes
    bool hasList;  // the button cell offers a list of values (character rows only)
};
// Row 1 to 25.
const SearchRow& searchRow(int row);

// The operator a numeric or date row compares with; kept per row by the search window.
enum class RowOperator : uint8_t { Equal = 1, Greater = 2, Less = 3, Between = 4 };
using RowOperators = std::array<RowOperator, kSearchRows>;  // index 0: row 1
inline RowOperators defaultRowOperators() {
    RowOperators ops;
    ops.fill(RowOperator::Equal);
    return ops;
}

// What an item tests. A range ("between") is stored as one Greater and one Less item.
enum class ItemOperator : int32_t { Equal = 1, Greater = 2, Less = 3, Contains = 5 };

struct SearchItem {
    // Character items: the criterion, trimmed and upper-cased, at most the row's width. Numeric
    // items: the trimmed number text; date items: the day number as a whole number.
    QString text;
    double numeric = 0;  // the number of a numeric item
    double date = 0;     // the day number of a date item (dayNumber)
    int field = 0;       // 1 to 25
    ItemOperator op = ItemOperator::Contains;
    bool endOfLevel = false;  // the last item of its level
    bool isDate = false;
    friend bool operator==(const SearchItem&, const SearchItem&) = default;
};

// A date as a day number: days since 30 December 1899, so 1 January 1900 is 2. A blank date
// is 0, earlier than every date from 1900 on.
double dayNumber(const engine::Date& d);

// Reads a criterion date (the program's date format in the window, YYYY-MM-DD on the command
// line); false when the text names no date.
using DateReader = std::function<bool(QStringView, engine::Date&)>;

// Reads a criterion number: optional sign, digits with "." as the decimal point whatever the
// regional settings, optional exponent, and nothing else. False for anything else.
bool readCriterionNumber(QStringView text, double& out);

// The messages of the search, each with its caption.
enum class SearchMessage { InvalidCriteria, NoCriteria, TooManyItems, NoMatches };
Message searchMessage(SearchMessage which);

enum class SaveOutcome { Saved, NoCriteria, Invalid, TooManyItems };
struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Saved;
    int row = 0;  // with Invalid: the row whose criterion is wrong
};

class SearchItems {
public:
    const std::vector<SearchItem>& items() const { return items_; }
    int count() const { return int(items_.size()); }
    bool empty() const { return items_.empty(); }
    // The level being entered, 1 to 10.
    int level() const { return level_; }

    // No items, level 1.
    void clear();

    // Turns the criterion cells of rows 1 to 25 (index 0: row 1) into the items of the current
    // level, as the search grid shows them: character rows are taken as substrings; numeric and
    // date rows carry their operator's sign ("= 12", "> 1/2/1990", "> 10 AND < 20"), which is
    // removed before the value is read. Blank cells, and date cells holding only the template's
    // separators, are skipped.
    //  - Saved: at least one item stored; the level's last item is flagged.
    //  - NoCriteria: every cell was blank; nothing changes.
    //  - Invalid: a number or date did not read, or a range has one side only; the items of this
    //    level are dropped and `row` names the row.
    //  - TooManyItems: the 76th item; every item is dropped and the level is 1 again.
    // The level number is not advanced; nextLevel() does that.
    SaveResult saveLevel(const std::array<QString, kSearchRows>& cells,
                         const RowOperators& operators, const DateReader& readDate);
    // Starts the next level (the current one must have been saved).
    void nextLevel() { ++level_; }

    // Appends one item to the level being built; false, changing nothing, when 75 items are
    // already stored. closeLevel() flags the last item as the end of its level.
    bool add(const SearchItem& item);
    void closeLevel();

    // The record test: whether the current record of `table` passes (the table's current record
    // is the one its record filter is asking about). No items: nothing passes. A field the table
    // lacks, or a stored value that is not one of its type, fails the item that reads it.
    bool test(const engine::Table& table) const;

private:
    // An item made ready for one table: field position, folded needle, numbers.
    struct Prepared {
        int index = -1;  // field index in the table, -1 when the table has no such field
        int offset = 0;
        int width = 0;
        char type = 0;
        ItemOperator op = ItemOperator::Contains;
        bool isDate = false;
        bool endOfLevel = false;
        bool impossible = false;  // a needle the code page cannot hold, or longer than the field
        double value = 0;
        std::string needle;  // folded, in the table's code page
    };
    void prepare(const engine::Table& table) const;
    bool preparedFor(const engine::Table& table) const;
    bool evaluate(const Prepared& p, const engine::Table& table) const;

    std::vector<SearchItem> items_;
    int level_ = 1;

    mutable std::vector<Prepared> prepared_;
    mutable const engine::Table* preparedTable_ = nullptr;
    mutable const engine::CodePage* preparedCodePage_ = nullptr;
    mutable uint32_t preparedRecordLength_ = 0;
    mutable uint64_t preparedGeneration_ = ~uint64_t(0);
    uint64_t generation_ = 0;  // changes whenever the items do
};

}  // namespace vz::search
