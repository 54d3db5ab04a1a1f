// TMySearch: the search window, a query-by-form over the 25 fields of the stamp record.
//
// One grid row per field; the collector types a criterion beside each field to search on, may
// stack up to ten levels with Find More, and presses Ok to apply the search to the viewer. The
// window lives for the whole run and keeps each numeric and date row's operator between
// openings. It also holds the search in force, which the collection table's record filter asks
// about every record while search mode is on (BuildFilter).
//
// The search in force changes only when Ok applies new criteria: opening the window and leaving
// it with Exit keeps the previous search, so a collector who looks at the form and goes back
// still sees the records found before.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "search/SearchItems.h"

class QPushButton;
class QTableWidget;

namespace vz::engine {
class Table;
}

namespace vz::mainwin {
class Program;
class TMain;
struct DesignDimensions;
}  // namespace vz::mainwin

namespace vz::search {

class TSearchOptions;

class TMySearch : public QDialog {
    Q_OBJECT
public:
    // `main` and `program` must outlive the window.
    TMySearch(mainwin::TMain& main, mainwin::Program& program, QWidget* parent = nullptr);
    ~TMySearch() override;

    // Opens the window modally (FormShow first). True when Ok applied a search.
    bool run();

    // The record test for the record the table is reading.
    bool BuildFilter(const engine::Table& table) const { return inForce_.test(table); }
    const SearchItems& inForce() const { return inForce_; }
    // The items of the search being entered.
    const SearchItems& entered() const { return entered_; }

    // The grid and its cells (row 1 to 25: the field of that number).
    QTableWidget* grid() const { return SearchGrid; }
    QString cell(int row) const;
    void setCell(int row, const QString& text);
    RowOperator rowOperator(int row) const { return operators_[size_t(row - 1)]; }
    // The template the criterion cell of `row` is edited through (a Qt input mask with " " as the
    // blank character; empty for character rows, which only limit the length).
    QString editMask(int row) const;
    // Column 2's header: " SEARCH CRITERIA    (Level n)".
    QString levelHeader() const;
    QPushButton* moreButton() const { return MoreButton; }

    // Asked to run the search options window; answers whether it was closed with Ok. Tests
    // replace it; by default the window is shown modally.
    std::function<bool(TSearchOptions&)> runOptions;

    // The buttons and the grid's button cells.
    void FormShow();
    void OkButtonClick();
    void ExitButtonClick();
    void ClearSearch();
    void MoreButtonClick();
    void HelpButtonClick();
    void SearchGridButtonClick(int row);

    // Turns the grid into the items of the current level; false (with its message shown) when
    // nothing was stored.
    bool SaveFields();
    // Applies the entered items as the search in force and switches search mode on; false, with
    // search mode ended, when no record passes.
    bool Doit();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class CellDelegate;
    void SetColors();
    void clearCells();
    void setLevelHeader();
    void focusGrid();
    // Reopens the criterion editor of the current row, so it takes the row's template.
    void openEditor();
    // Writes the open criterion editors' text into their cells and closes them.
    void closeEditors();
    void commitEditor();
    QStringList rowList(int row) const;

    mainwin::TMain& main_;
    mainwin::Program& program_;
    RowOperators operators_ = defaultRowOperators();
    SearchItems entered_;
    SearchItems inForce_;
    std::unique_ptr<mainwin::DesignDimensions> design_;

    QPushButton* OkButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QPushButton* ClearButton = nullptr;
    QPushButton* MoreButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QTableWidget* SearchGrid = nullptr;
};

}  // namespace vz::search
