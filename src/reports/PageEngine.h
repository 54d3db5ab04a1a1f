// PageEngine: lays out report pages in inches on a PageTarget.
//
// A job (PageJob) is run page by page: before the job, then for every page the header, the page
// and the footer steps, then after the job. The engine keeps the current page number, a status
// text for a progress window, and a cancel request that ends the job after the page in hand.
//
// On a page the engine keeps a vertical position inside a section (a band between a top and a
// bottom edge measured from the top of the paper), the font in force and a row of tab cells.
// Printing a tab-separated string puts each piece into its cell, justified, with its borders;
// ending the line moves down by the height of the tallest font printed on it. Nothing clips text:
// a cell that runs past the right margin is drawn where it falls.
//
// Every size it is given is taken defensively: negative margins count as zero, a font of no size
// gets the smallest size, a line height is never zero, so that no caller can make "lines left"
// infinite or divide by zero.
//
// Pages are drawn in logical units of 1/1200 inch with fonts sized in those units, whatever the
// device; the painter's transform maps them onto the device. So text measures the same on a
// printer, a PDF file and a recorded page, and a report breaks its pages alike on all three.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "reports/PageTarget.h"

namespace vz::reports {

class PageEngine;

// One job's steps. The engine calls header(), page() and footer() for every page; page() answers
// whether more pages follow.
class PageJob {
public:
    virtual ~PageJob() = default;
    // False stops the job before its first page (the job has called fail() to say why).
    virtual bool beforeJob(PageEngine&) { return true; }
    virtual void header(PageEngine&) {}
    virtual bool page(PageEngine& engine) = 0;
    virtual void footer(PageEngine&) {}
    virtual void afterJob(PageEngine&) {}
};

enum class Justify { Left, Centre, Right };
enum class FooterPlace { Left, Centre, Right };

// Cell border lines, combinable.
inline constexpr int kBorderLeft = 1;
inline constexpr int kBorderRight = 2;
inline constexpr int kBorderTop = 4;
inline constexpr int kBorderBottom = 8;
inline constexpr int kBorderAll = 15;

struct PageFont {
    QString face = QStringLiteral("Arial");
    double points = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    QColor colour = Qt::black;
};

class PageEngine {
public:
    enum class Outcome { Completed, Cancelled, Failed };

    // `target` must outlive the engine.
    explicit PageEngine(PageTarget& target);

    // --- The job
    // Portrait or landscape; before run() only.
    void setLandscape(bool landscape);
    Outcome run(PageJob& job);
    // Asks the job in progress to end after its current page; may be called from another thread
    // or from onStatus.
    void requestCancel() { cancelRequested_ = true; }
    bool cancelled() const { return outcome_ == Outcome::Cancelled; }
    // Called by a job step: the job ends after this page with Outcome::Failed and `why`.
    void fail(const QString& why);
    const QString& error() const { return error_; }
    int pageNumber() const { return page_; }

    // The status text: the pattern with %p replaced by the page number and %0, %1 by the status
    // lines; each "\r" of the pattern starts a new line. Shown through onStatus at the start of
    // every page (a window may process its events there, so that its Cancel button works).
    void setStatusPattern(const QString& pattern) { statusPattern_ = pattern; }
    void setStatusLine(int index, const QString& text);
    QString statusText() const;
    std::function<void(const QString&)> onStatus;

    // --- Geometry, in inches
    void setMargins(double top, double bottom, double left, double right);
    double topMargin() const { return top_; }
    double bottomMargin() const { return bottom_; }
    double leftMargin() const { return left_; }
    double rightMargin() const { return right_; }
    double pageWidth() const;
    double pageHeight() const;

    // --- Sections, measured from the top edge of the paper
    void setSectionTop(double inches);
    void setSectionBottom(double inches);
    void gotoSectionTop();
    double sectionTop() const { return sectionTop_; }
    double sectionBottom() const { return sectionBottom_; }
    double position() const { return y_; }

    // --- Fonts
    void setFont(const PageFont& font);
    const QFont& font() const { return font_; }
    // The height of a line in the font in force, in inches; never below kMinLineHeight.
    double lineHeight() const;
    static constexpr double kMinLineHeight = 1.0 / 72;
    static constexpr double kUnitsPerInch = 1200;

    // --- Tab cells
    void clearTabs() { cells_.clear(); }
    // Appends a cell `width` inches wide, right after the previous one (the first at the left
    // margin) unless `left` gives its position. The inner margin is in hundredths of an inch;
    // `borders` combines kBorderLeft...; `shade` is a grey from 0 (none) to 100 (black).
    void addTab(Justify justify, double width, int innerMargin, int borders, int shade,
                std::optional<double> left = std::nullopt);
    int tabCount() const { return int(cells_.size()); }
    // Makes cell `index` one whose text must never be cut (an amount): text too wide for its
    // usable width is drawn in a smaller size, down to kMinShrink of the font's, and when even
    // that does not fit the cell shows kNoRoomMark repeated across it instead.
    void keepTabWhole(int index);
    static constexpr double kMinShrink = 0.6;
    static constexpr QChar kNoRoomMark = QLatin1Char('#');
    // The width text may take in cell `index`: its width less twice its inner margin; 0 for a
    // cell that does not exist.
    double tabUsableWidth(int index) const;

    // --- Text
    // Prints a tab-separated string on the current line: piece i goes into cell i, justified in
    // it; every cell is drawn with its borders and shade whether it gets text or not. Pieces past
    // the last cell are dropped. Does not end the line.
    void printTabs(const QString& text);
    // Prints `text` centred on the horizontal position `x` (inches from the paper's left edge).
    void printCentred(const QString& text, double x);
    // Moves down one line.
    void endLine();
    // Prints `text` on the last line of the section, at the left margin, centred between the
    // margins or against the right margin.
    void printFooter(const QString& text, FooterPlace place);
    // The width of `text` in the font in force, in inches.
    double textWidth(const QString& text) const;
    // Whole lines of the font in force left between the position and the section bottom.
    int linesLeft() const;

private:
    struct Cell {
        Justify justify;
        double left, width, inner;
        int borders, shade;
        bool whole = false;
    };
    double dpi() const;
    void drawText(double leftInches, double topInches, const QString& text,
                  const QFont* font = nullptr);
    void noteLineHeight() { lineUsed_ = std::max(lineUsed_, lineHeight()); }
    void reportStatus();
    void startPage();
    // Sets the painter's pen unless it is the one set last on this page.
    void usePen(const QColor& colour, double width);

    PageTarget& target_;
    std::atomic<bool> cancelRequested_{false};
    Outcome outcome_ = Outcome::Completed;
    bool failed_ = false;
    bool drawing_ = false;
    QString error_;
    int page_ = 0;
    QString statusPattern_;
    QString statusLines_[2];

    double top_ = 0.5, bottom_ = 0.5, left_ = 0.5, right_ = 0.5;
    double sectionTop_ = 0, sectionBottom_ = 0, y_ = 0;
    double lineUsed_ = 0;  // tallest line printed on the current line, 0 when none yet
    QFont font_;
    QColor colour_ = Qt::black;
    double lineHeight_ = kMinLineHeight;
    double ascent_ = 0;
    std::vector<Cell> cells_;
    // What the painter was last given on this page.
    struct {
        bool valid = false;
        QFont font;
        QColor pen;
        double penWidth = 0;
    } painted_;
};

}  // namespace vz::reports
