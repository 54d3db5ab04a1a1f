// ReportRun: one report, generated from a report definition and the collection table.
//
// The run walks the table in its current order and filter (what the viewer shows) and lays the
// records out through a PageEngine: up to three title lines on every page, optional column
// headers, the detail rows (one to twelve report lines per record), optional grouping by the
// first one or two sort fields with a boxed heading per group, subtotals per group, closing
// totals, and a footer with the page number and the date. In text-file mode every line is also
// written as plain text (Windows-1252, CR LF, a form feed ending each page) to a file; the pages
// break where they would on paper.
//
// The viewer's current record is left where it was: the run collects the record numbers of the
// order first, reads each record by number and goes back to the viewer's record at the end.
//
// A page that could take nothing (a record of more lines than the page holds, closing totals
// that never fit) does not loop: every page takes at least one record, or the closing totals,
// whatever room it has.
#pragma once

#include <QSaveFile>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "data/Schema.h"
#include "engine/Date.h"
#include "reports/PageEngine.h"
#include "reports/ReportDefinition.h"
#include "reports/TotalsAccumulator.h"
#include "search/SortOrder.h"

namespace vz::engine {
class Table;
}
namespace vz::data {
struct DatabaseSettings;
}

namespace vz::reports {

enum class ReportMode { Print, View, TextFile };

// What a run needs from the program besides the definition and the table.
struct ReportContext {
    std::array<QString, data::kFieldCount> captions;  // field captions, field 1 at index 0
    search::SortLevels sortLevels;                    // the viewer's order, for grouping
    engine::Date today;                               // the date in the footer

    // The captions and sort levels of the open database, and today's date.
    static ReportContext fromSettings(const data::DatabaseSettings& settings);
};

// How a run ended.
struct ReportResult {
    PageEngine::Outcome outcome = PageEngine::Outcome::Completed;
    QString error;  // why it failed, naming the file or table
    int pages = 0;
    // "Report Completed!", "Report Canceled!" or the error.
    QString statusText() const;
};

class ReportRun : public PageJob {
public:
    // `table` must stay open, in browse state, for the whole run. In text-file mode `textFile` is
    // the file written; it is replaced only when the run does not fail.
    ReportRun(const ReportDefinition& definition, engine::Table& table, ReportContext context,
              ReportMode mode, QString textFile = {});
    ~ReportRun() override;

    bool beforeJob(PageEngine& engine) override;
    void header(PageEngine& engine) override;
    bool page(PageEngine& engine) override;
    void footer(PageEngine& engine) override;
    void afterJob(PageEngine& engine) override;

    const TotalsAccumulator& totals() const { return totals_; }

private:
    enum class Role { Single, ColumnHeader, Multi, Totals };
    enum class Sums { Group, Report };

    // The table walk.
    bool atEnd() const { return pos_ >= order_.size(); }
    bool loadCurrent();  // makes order_[pos_] (or the next that still exists) current
    void advance();
    QString fieldText(int number) const;   // for group values
    QString fieldValue(int number) const;  // formatted for a cell
    double numberOf(int number) const;     // blank or unreadable: 0

    bool room(int lines) const;
    bool textMode() const { return mode_ == ReportMode::TextFile; }
    void writeLine(const QString& line);
    int itemWidth(const ReportItem& item) const;
    QString cellText(const ReportItem& item, Role role, Sums sums) const;
    void layoutLine(const ReportLine& line, Role role);
    void printLine(const ReportLine& line, Role role, Sums sums = Sums::Group, bool endLine = true);
    QString fitText(QString text, double width) const;
    static bool isAmount(const ReportItem& item, Role role);
    static QString wholeOrMarked(const QString& text, int width);
    void printBoxed(const QString& text, int borders);
    bool printHeading();
    void printCaption(const QString& text);
    bool printSubtotals();
    void printClosingTotals();
    void printRecord();
    void checkGroup(bool& deferred);

    ReportDefinition def_;
    engine::Table& table_;
    ReportContext context_;
    ReportMode mode_;
    QString textPath_;
    std::unique_ptr<QSaveFile> text_;
    PageEngine* engine_ = nullptr;

    std::array<int, data::kFieldCount>
        fieldIndex_{};  // table field index per field number, -1 none
    std::vector<uint32_t> order_;
    size_t pos_ = 0;
    uint32_t viewerRecord_ = 0;
    bool walking_ = false;

    int width_ = 120;         // W, characters
    double printable_ = 7.5;  // P, inches
    int lines_ = 1;
    int borders_ = 0;
    int level1_ = 0, level2_ = 0;
    QString value1_, value2_;
    bool headingPending_ = false;
    bool subtotalsPending_ = false;
    bool firstGroup_ = true;
    bool grandTotalsPending_ = false;
    // The page in hand has taken a record or the closing totals. Until it has, room is not
    // checked: a page always takes at least one piece, so a piece that can never fit is printed
    // running past the section instead of being put off page after page.
    bool taken_ = false;
    TotalsAccumulator totals_;
    PageFont titleFont_, headerFont_, bodyFont_, footFont_;
};

// Runs `definition` over `table` on the target of `engine`, in the orientation the definition
// asks for.
ReportResult runReport(const ReportDefinition& definition, engine::Table& table,
                       const ReportContext& context, ReportMode mode, PageEngine& engine,
                       const QString& textFile = {});

}  // namespace vz::reports
