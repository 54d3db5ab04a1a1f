#include "reports/ReportRun.h"

#include <QDate>
#include <cmath>
#include <optional>

#include "common/DisplayFormats.h"
#include "common/PrintJob.h"
#include "data/ListFile.h"
#include "data/Settings.h"
#include "engine/Table.h"

namespace vz::reports {
namespace {

// No record is expected to hold this, so the first record always starts a group.
const QString kNoGroupYet = QStringLiteral("zzxkytrweq");
constexpr int kGroupValueLength = 120;
constexpr int kInnerMargin = 2;     // hundredths of an inch
constexpr double kHeaderTop = 0.5;  // inches from the top of the paper
constexpr double kBodyTop = 1.25;
constexpr double kBodyGap = 0.75;  // between the body and the bottom margin
constexpr double kFooterHeight = 0.5;
constexpr double kBoxPadding = 0.2;  // around a heading's text
constexpr double kFallbackMargin = 0.5;

// Field numbers of the fields the totals read.
constexpr int kMarketValue = 5;
constexpr int kQuantity = 6;
constexpr int kYear = 7;
constexpr int kCost = 15;

QString fromStd(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString trimRight(QString s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1).isSpace()) --n;
    s.truncate(n);
    return s;
}

bool isNumeric(int number) {
    if (number < 1 || number > data::kFieldCount) return false;
    const auto t = data::schemaField(number).type;
    return t == data::FieldTypeCode::Whole || t == data::FieldTypeCode::Decimal;
}

PageFont pageFont(const ReportFontSpec& s) {
    PageFont f;
    f.face = s.faceName.trimmed().isEmpty() ? QStringLiteral("Arial") : s.faceName;
    f.points = std::clamp(s.size, kMinFontSize, kMaxFontSize);
    f.bold = s.bold;
    f.italic = s.italic;
    f.underline = s.underline;
    f.strikeout = s.strikeout;
    // Stored as 0x00BBGGRR.
    f.colour =
        QColor(int(s.colour & 0xFF), int((s.colour >> 8) & 0xFF), int((s.colour >> 16) & 0xFF));
    return f;
}

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// Spaces that centre a text of `length` characters on a line of `width`; none when it is wider.
QString centring(int width, qsizetype length) {
    return length >= width ? QString() : QString(qsizetype((width - length) / 2), QLatin1Char(' '));
}

}  // namespace

ReportContext ReportContext::fromSettings(const data::DatabaseSettings& settings) {
    ReportContext c;
    for (int n = 1; n <= data::kFieldCount; ++n)
        c.captions[size_t(n - 1)] = settings.field(n).caption;
    c.sortLevels = settings.sortLevels;
    const QDate d = QDate::currentDate();
    c.today = engine::Date{d.year(), d.month(), d.day()};
    return c;
}

QString ReportResult::statusText() const {
    switch (outcome) {
        case PageEngine::Outcome::Completed:
            return QStringLiteral("Report Completed!");
        case PageEngine::Outcome::Cancelled:
            return QStringLiteral("Report Canceled!");
        case PageEngine::Outcome::Failed:
            break;
    }
    return error;
}

ReportRun::ReportRun(const ReportDefinition& definition, engine::Table& table,
                     ReportContext context, ReportMode mode, QString textFile)
    : def_(definition),
      table_(table),
      context_(std::move(context)),
      mode_(mode),
      textPath_(std::move(textFile)) {
    for (int n = 1; n <= data::kFieldCount; ++n)
        fieldIndex_[size_t(n - 1)] = table_.fieldIndex(data::schemaField(n).storedName);
}

ReportRun::~ReportRun() = default;

// --- Run start and end

bool ReportRun::beforeJob(PageEngine& e) {
    engine_ = &e;
    e.setStatusPattern(QStringLiteral("Printing Page %p\r%0\r%1"));
    e.setStatusLine(0, QString());
    e.setStatusLine(1, QString());

    // Margins that leave no room to print fall back to half an inch.
    double top = finiteOr(def_.topMargin, kFallbackMargin),
           bottom = finiteOr(def_.bottomMargin, kFallbackMargin);
    double left = finiteOr(def_.leftMargin, kFallbackMargin),
           right = finiteOr(def_.rightMargin, kFallbackMargin);
    top = std::clamp(top, 0.0, kMaxMargin), bottom = std::clamp(bottom, 0.0, kMaxMargin);
    left = std::clamp(left, 0.0, kMaxMargin), right = std::clamp(right, 0.0, kMaxMargin);
    if (e.pageWidth() - left - right < 1.0) left = right = kFallbackMargin;
    if (e.pageHeight() - bottom - kBodyGap - kBodyTop < 1.0) bottom = kFallbackMargin;
    e.setMargins(top, bottom, left, right);

    width_ = def_.width < 1 ? kWidth120 : std::min(def_.width, kMaxItemWidth);
    printable_ = std::max(0.0, e.pageWidth() - e.leftMargin() - e.rightMargin());
    lines_ = std::clamp(def_.numberOfLines, 0, kMaxReportLines);
    titleFont_ = pageFont(def_.titleFont);
    headerFont_ = pageFont(def_.columnHeaderFont);
    bodyFont_ = pageFont(def_.bodyFont);
    footFont_ = pageFont(def_.footnoteFont);

    level1_ = level2_ = 0;
    if (def_.groupByLevel1) {
        std::vector<int> named;
        for (int f : context_.sortLevels.level)
            if (f >= 1 && f <= data::kFieldCount) named.push_back(f);
        if (!named.empty()) level1_ = named[0];
        if (def_.groupByLevel2 && named.size() > 1) level2_ = named[1];
    }
    value1_ = value2_ = kNoGroupYet;
    headingPending_ = subtotalsPending_ = grandTotalsPending_ = false;
    firstGroup_ = true;
    totals_.reset();

    if (table_.state() != engine::Table::State::Browse) {
        e.fail(QStringLiteral("%1: a record is being edited; finish it before printing a report.")
                   .arg(fromStd(table_.path())));
        return false;
    }
    if (textMode()) {
        text_ = std::make_unique<QSaveFile>(textPath_);
        if (!text_->open(QIODevice::WriteOnly)) {
            e.fail(QStringLiteral("The text file %1 could not be created: %2")
                       .arg(textPath_, text_->errorString()));
            text_.reset();
            return false;
        }
    }
    viewerRecord_ = table_.recNo();
    order_.clear();
    pos_ = 0;
    if (engine::Status s = table_.collectOrder(order_); !s) {
        e.fail(fromStd(s.message()));
        return false;
    }
    walking_ = true;
    return true;
}

void ReportRun::afterJob(PageEngine& e) {
    if (text_) {
        if (e.error().isEmpty() && !text_->commit())
            e.fail(QStringLiteral("The text file %1 could not be written: %2")
                       .arg(textPath_, text_->errorString()));
        text_.reset();  // an uncommitted file is dropped and the old one kept
    }
    if (walking_) {
        walking_ = false;
        bool back = viewerRecord_ != 0 && table_.go(viewerRecord_).isOk();
        if (!back) (void)table_.first();
    }
}

// --- The table walk

bool ReportRun::loadCurrent() {
    while (!atEnd()) {
        if (table_.state() != engine::Table::State::Browse) {  // go() would post the edit
            engine_->fail(
                QStringLiteral("%1: a record is being edited; finish it before printing a report.")
                    .arg(fromStd(table_.path())));
            pos_ = order_.size();
            return false;
        }
        const engine::Status s = table_.go(order_[pos_]);
        if (s) return true;
        if (s.code() != engine::Status::Code::NotFound) {
            engine_->fail(fromStd(s.message()));
            pos_ = order_.size();
            return false;
        }
        ++pos_;  // deleted by someone else since the run began
    }
    return false;
}

void ReportRun::advance() {
    ++pos_;
    loadCurrent();
}

QString ReportRun::fieldText(int number) const {
    if (number < 1 || number > data::kFieldCount) return {};
    const int i = fieldIndex_[size_t(number - 1)];
    if (i < 0 || table_.isBlank(i)) return {};
    if (data::schemaField(number).type == data::FieldTypeCode::Date) {
        auto d = table_.date(i);
        return d ? displayFormats().formatDate(*d) : QString();
    }
    return trimRight(fromStd(table_.text(i)));
}

QString ReportRun::fieldValue(int number) const {
    if (!isNumeric(number)) return fieldText(number);
    const int i = fieldIndex_[size_t(number - 1)];
    if (i < 0 || table_.isBlank(i)) return {};
    auto v = table_.number(i);
    if (!v || !std::isfinite(*v)) return {};
    const auto& formats = displayFormats();
    if (data::schemaField(number).type == data::FieldTypeCode::Decimal)
        return formats.formatMoney(*v);
    if (number == kYear) return QString::number(std::llround(*v));
    return formats.formatNumber(*v, 0);
}

double ReportRun::numberOf(int number) const {
    const int i = fieldIndex_[size_t(number - 1)];
    if (i < 0 || table_.isBlank(i)) return 0;
    auto v = table_.number(i);
    return v && std::isfinite(*v) ? *v : 0;
}

// --- Lines

bool ReportRun::room(int lines) const {
    return !taken_ || engine_->linesLeft() >= lines;
}

void ReportRun::writeLine(const QString& line) {
    if (text_) {
        QByteArray bytes = data::encodeListEntry(line);
        bytes += "\r\n";
        if (text_->write(bytes) != bytes.size())
            engine_->fail(QStringLiteral("The text file %1 could not be written: %2")
                              .arg(textPath_, text_->errorString()));
    }
    engine_->endLine();
}

int ReportRun::itemWidth(const ReportItem& item) const {
    return std::min(item.width, kMaxItemWidth);
}

QString ReportRun::cellText(const ReportItem& item, Role role, Sums sums) const {
    if (item.isFiller()) return {};
    if (role == Role::ColumnHeader) {
        if (item.isLabel() || item.fieldNumber < 1 || item.fieldNumber > data::kFieldCount)
            return {};
        return context_.captions[size_t(item.fieldNumber - 1)];
    }
    if (item.isLabel()) return item.labelText;
    if (role == Role::Totals) {
        const int kind = item.fieldNumber;
        if (kind < kTotalValue || kind > kTotalQuantity) return {};
        const double sum = sums == Sums::Group ? totals_.group(kind) : totals_.report(kind);
        const auto& formats = displayFormats();
        return kind == kTotalQuantity ? formats.formatNumber(sum, 0) : formats.formatMoney(sum);
    }
    return fieldValue(item.fieldNumber);
}

// An amount in a text file: whole, or the cell filled with marks when it does not fit, so that
// nobody reads a cut number as the amount.
QString ReportRun::wholeOrMarked(const QString& text, int width) {
    if (text.size() <= width) return text.leftJustified(width, QLatin1Char(' '));
    return QString(width, PageEngine::kNoRoomMark);
}

bool ReportRun::isAmount(const ReportItem& item, Role role) {
    if (!item.isField()) return false;
    if (role == Role::Totals)
        return item.fieldNumber >= kTotalValue && item.fieldNumber <= kTotalQuantity;
    if (role == Role::ColumnHeader) return false;
    return isNumeric(item.fieldNumber);
}

void ReportRun::layoutLine(const ReportLine& line, Role role) {
    engine_->clearTabs();
    const int used = usedItemCount(line);
    for (int j = 0; j < used; ++j) {
        const ReportItem& item = line[size_t(j)];
        Justify justify = Justify::Left;
        int borders = 0;
        switch (role) {
            case Role::Single:
                if (item.isField() && isNumeric(item.fieldNumber)) justify = Justify::Right;
                borders = borders_;
                break;
            case Role::ColumnHeader:
                justify = Justify::Centre;
                borders = borders_;
                break;
            case Role::Multi:
            case Role::Totals:
                if (item.isLabel()) justify = Justify::Right;
                break;
        }
        const double width = double(itemWidth(item)) / width_ * printable_;
        engine_->addTab(justify, width, kInnerMargin, borders, 0);
        if (isAmount(item, role)) engine_->keepTabWhole(j);
    }
}

QString ReportRun::fitText(QString text, double width) const {
    // The longest start of the text that fits: what removing characters from the end one at a
    // time until it fits gives, found by halving, since a longer start is never narrower.
    if (text.isEmpty() || engine_->textWidth(text) <= width) return text;
    qsizetype fits = 0, tooWide = text.size();
    while (tooWide - fits > 1) {
        const qsizetype mid = fits + (tooWide - fits) / 2;
        if (engine_->textWidth(text.left(mid)) <= width)
            fits = mid;
        else
            tooWide = mid;
    }
    text.truncate(fits);
    return text;
}

void ReportRun::printLine(const ReportLine& line, Role role, Sums sums, bool endLine) {
    const int used = usedItemCount(line);
    QString out;
    if (textMode()) {
        for (int j = 0; j < used; ++j) {
            const ReportItem& item = line[size_t(j)];
            const int w = itemWidth(item);
            if (item.isFiller() || (role == Role::ColumnHeader && item.isLabel()))
                out += QString(w, QLatin1Char(' '));
            else if (item.isLabel())
                out += item.labelText.left(w).rightJustified(w, QLatin1Char(' '));
            else if (isAmount(item, role))
                out += wholeOrMarked(cellText(item, role, sums), w);
            else
                out += cellText(item, role, sums).left(w).leftJustified(w, QLatin1Char(' '));
        }
        writeLine(out);
        return;
    }
    for (int j = 0; j < used; ++j) {
        if (j > 0) out += QLatin1Char('\t');
        const ReportItem& item = line[size_t(j)];
        // Amounts go whole: the engine fits or marks them; texts are cut to the cell.
        if (isAmount(item, role))
            out += cellText(item, role, sums);
        else
            out += fitText(cellText(item, role, sums), engine_->tabUsableWidth(j));
    }
    engine_->printTabs(out);
    if (endLine) engine_->endLine();
}

void ReportRun::printBoxed(const QString& text, int borders) {
    QString shown = text;
    double width = engine_->textWidth(shown);
    if (width > printable_ - kBoxPadding) {
        shown = fitText(shown, printable_ - kBoxPadding);
        width = engine_->textWidth(shown);
    }
    const double box = std::min(width + kBoxPadding, printable_);
    engine_->clearTabs();
    engine_->addTab(Justify::Centre, box, kInnerMargin, borders, 0,
                    engine_->leftMargin() + (printable_ - box) / 2);
    engine_->printTabs(shown);
    engine_->endLine();
}

// --- Headings and totals

bool ReportRun::printHeading() {
    if (!room(lines_ + 2)) {
        headingPending_ = true;
        return false;
    }
    QString text = value1_;
    if (level2_ != 0) text += QStringLiteral(", ") + value2_;
    if (textMode()) {
        const QString indent = centring(width_, text.size());
        const QString dashes(text.size(), QLatin1Char('-'));
        writeLine(QString());
        writeLine(indent + dashes);
        writeLine(indent + text);
        writeLine(indent + dashes);
    } else {
        engine_->endLine();
        printBoxed(text, kBorderAll);
        if (lines_ == 1) layoutLine(def_.reportLines[0], Role::Single);
    }
    headingPending_ = false;
    return true;
}

void ReportRun::printCaption(const QString& text) {
    if (textMode())
        writeLine(centring(width_, text.size()) + text);
    else
        printBoxed(text, kBorderBottom);
}

bool ReportRun::printSubtotals() {
    if (firstGroup_ || !def_.useTotals) {
        firstGroup_ = false;
        subtotalsPending_ = false;
        return true;
    }
    if (!room(lines_ + 3)) {
        subtotalsPending_ = true;
        return false;
    }
    printCaption(QStringLiteral("TOTALS"));
    layoutLine(def_.totalsLine, Role::Totals);
    printLine(def_.totalsLine, Role::Totals, Sums::Group);
    totals_.resetGroup();
    if (lines_ == 1) layoutLine(def_.reportLines[0], Role::Single);
    subtotalsPending_ = false;
    return true;
}

void ReportRun::printClosingTotals() {
    if (!room(def_.useTotals ? 5 : 0)) {
        grandTotalsPending_ = true;
        return;
    }
    if (def_.useTotals) {
        printCaption(QStringLiteral("TOTALS"));
        layoutLine(def_.totalsLine, Role::Totals);
        printLine(def_.totalsLine, Role::Totals, Sums::Group);
        if (textMode())
            writeLine(QString());
        else
            engine_->endLine();
        printCaption(QStringLiteral("GRAND TOTALS"));
        layoutLine(def_.totalsLine, Role::Totals);
        printLine(def_.totalsLine, Role::Totals, Sums::Report);
    }
    grandTotalsPending_ = false;
    taken_ = true;
}

void ReportRun::printRecord() {
    if (lines_ == 1) {
        printLine(def_.reportLines[0], Role::Single);
        return;
    }
    for (int l = 0; l < lines_; ++l) {
        layoutLine(def_.reportLines[size_t(l)], Role::Multi);
        printLine(def_.reportLines[size_t(l)], Role::Multi);
    }
}

void ReportRun::checkGroup(bool& deferred) {
    const QString v1 = fieldText(level1_).left(kGroupValueLength);
    bool change = false;
    if (level2_ == 0) {
        change = v1 != value1_;
    } else {
        const QString v2 = fieldText(level2_).left(kGroupValueLength);
        if (v2 != value2_) {
            value2_ = v2;
            change = true;
        } else {
            change = v1 != value1_;
        }
    }
    if (!change) return;
    value1_ = v1;
    if (!printSubtotals()) {
        headingPending_ = true;
        deferred = true;
        return;
    }
    deferred = !printHeading();
}

// --- Pages

void ReportRun::header(PageEngine& e) {
    if (textMode()) {
        for (const QString& t : def_.titles)
            if (!t.trimmed().isEmpty()) writeLine(t);
        return;
    }
    e.setSectionTop(kHeaderTop);
    e.setSectionBottom(kBodyTop);
    e.gotoSectionTop();
    e.setFont(titleFont_);
    for (const QString& t : def_.titles) {
        if (t.trimmed().isEmpty()) continue;
        e.printCentred(t, e.pageWidth() / 2);
        e.endLine();
    }
}

bool ReportRun::page(PageEngine& e) {
    e.setSectionTop(kBodyTop);
    e.setSectionBottom(e.pageHeight() - e.bottomMargin() - kBodyGap);
    e.gotoSectionTop();
    taken_ = false;
    // Between pages a window may have drawn the table (the status window lets events through);
    // make sure the record in hand is the current one again.
    loadCurrent();
    borders_ = 0;
    if (lines_ == 1) {
        if (def_.verticalLines) borders_ |= kBorderLeft | kBorderRight;
        if (def_.horizontalLines) borders_ |= kBorderTop | kBorderBottom;
    }
    const ReportLine& first = def_.reportLines[0];
    if (lines_ == 1 && def_.columnHeaders) {
        e.setFont(headerFont_);
        layoutLine(first, Role::ColumnHeader);
        printLine(first, Role::ColumnHeader, Sums::Group, false);
        e.setFont(bodyFont_);
        if (!textMode()) e.endLine();
    } else {
        e.setFont(bodyFont_);
    }
    if (lines_ == 1) layoutLine(first, Role::Single);

    bool deferred = false;
    while (room(lines_) && !atEnd() && !deferred && e.error().isEmpty()) {
        if (subtotalsPending_ && !printSubtotals()) deferred = true;
        if (!deferred && headingPending_) deferred = !printHeading();
        if (!deferred && level1_ != 0) checkGroup(deferred);
        if (deferred) break;
        printRecord();
        if (def_.useTotals)
            totals_.add(double(std::llround(numberOf(kQuantity))), numberOf(kMarketValue),
                        numberOf(kCost));
        taken_ = true;
        advance();
    }
    if (atEnd() && e.error().isEmpty()) printClosingTotals();
    const bool done = atEnd() && !grandTotalsPending_;
    return !done && e.error().isEmpty();
}

void ReportRun::footer(PageEngine& e) {
    const QString date = def_.dateOnPages ? displayFormats().formatDate(context_.today) : QString();
    const QString number = QStringLiteral("Page %1").arg(e.pageNumber());
    if (textMode()) {
        QString line;
        if (def_.pageNumbers) line = number + QStringLiteral("     ");
        if (def_.dateOnPages) line += QStringLiteral("     ") + date;
        writeLine(QString());
        writeLine(line + QChar(12));
        return;
    }
    e.setSectionTop(e.pageHeight() - e.bottomMargin() - kFooterHeight);
    e.setSectionBottom(e.pageHeight() - e.bottomMargin());
    e.gotoSectionTop();
    e.setFont(footFont_);
    if (def_.pageNumbers) e.printFooter(number, FooterPlace::Left);
    e.printFooter(QString(), FooterPlace::Centre);
    if (def_.dateOnPages) e.printFooter(date, FooterPlace::Right);
}

ReportResult runReport(const ReportDefinition& definition, engine::Table& table,
                       const ReportContext& context, ReportMode mode, PageEngine& engine,
                       const QString& textFile) {
    std::optional<PrintJob> printing;
    if (mode == ReportMode::Print) printing.emplace();
    ReportRun run(definition, table, context, mode, textFile);
    engine.setLandscape(definition.landscape);
    ReportResult result;
    result.outcome = engine.run(run);
    result.error = engine.error();
    result.pages = engine.pageNumber();
    return result;
}

}  // namespace vz::reports
