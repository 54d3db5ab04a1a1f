#include <gtest/gtest.h>

#include <QFile>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <memory>

#include "../data/TempFolder.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "common/DisplayFormats.h"
#include "reports/BuiltInReports.h"
#include "reports/PageEngine.h"
#include "reports/PageStream.h"
#include "reports/ReportPrinter.h"
#include "reports/ReportRun.h"

using namespace vz;
using namespace vz::reports;

namespace {

struct Stamp {
    const char* catalog;
    const char* country;
    int year;
    const char* face;
    int quantity;
    const char* description;
    double value;
    double cost;
};

// Field indexes of the collection table (field number - 1).
enum { Catalog = 0, Descriptio = 1, Country = 2, FaceValue = 3, MarketValu = 4, Quantity = 5, Year = 6, Cost = 14 };

class Collection {
public:
    explicit Collection(const std::vector<Stamp>& stamps) {
        const std::string path = dir.file("STAMPS.DBF").toStdString();
        EXPECT_TRUE(engine::Table::create(path, data::collectionFieldDefs()));
        auto opened = engine::Table::open(path, engine::OpenMode::Shared);
        EXPECT_TRUE(opened.isOk());
        table = std::move(opened.value());
        for (const Stamp& s : stamps) {
            EXPECT_TRUE(table->append());
            EXPECT_TRUE(table->setText(Catalog, s.catalog));
            EXPECT_TRUE(table->setText(Country, s.country));
            EXPECT_TRUE(table->setWhole(Year, s.year));
            EXPECT_TRUE(table->setText(FaceValue, s.face));
            EXPECT_TRUE(table->setWhole(Quantity, s.quantity));
            EXPECT_TRUE(table->setText(Descriptio, s.description));
            EXPECT_TRUE(table->setFloat(MarketValu, s.value));
            EXPECT_TRUE(table->setFloat(Cost, s.cost));
            EXPECT_TRUE(table->post());
        }
        if (!stamps.empty()) {
            EXPECT_TRUE(table->first());
        }
    }
    test::TempFolder dir;
    std::unique_ptr<engine::Table> table;
};

const std::vector<Stamp> kFourStamps = {
    {"A1", "Chile", 1950, "10c", 2, "Condor", 1.50, 1.00},
    {"A2", "Chile", 1960, "20c", 1, "Volcano", 3.00, 2.00},
    {"B1", "Peru", 1970, "1 sol", 3, "Llama", 0.25, 0.10},
    {"C1", "Togo", 1980, "5 F", 1, "Mask", 10.00, 4.00},
};

ReportContext context() {
    displayFormats().setDateFormat(7, true);  // mm/dd/yyyy
    displayFormats().setCurrencyFormat(kFormatUS);
    displayFormats().setNumericFormat(kFormatUS);
    ReportContext c = ReportContext::fromSettings(data::DatabaseSettings{});  // sorted by Country
    c.today = engine::Date{2024, 3, 5};
    return c;
}

ReportDefinition builtIn(const char* name) {
    for (const ReportDefinition& d : builtInReports())
        if (d.name == QLatin1String(name)) return d;
    ADD_FAILURE() << "no built-in report " << name;
    return {};
}

double lineHeight(double points) {
    PageStream stream;
    PageEngine engine(stream);
    PageFont font;
    font.points = points;
    engine.setFont(font);
    return engine.lineHeight();
}

// Letter-wide paper whose report body holds exactly `lines` lines of Arial 8 with the default
// half-inch bottom margin (body from 1.25 inch to 0.75 inch above the bottom margin).
QPageSize paperFor(int lines) {
    const double height = 1.25 + (lines + 0.5) * lineHeight(8) + 0.75 + 0.5;
    return QPageSize(QSizeF(8.5, height), QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
    return QString::fromLatin1(f.readAll());
}

QString L(const QString& s, int w) { return s.left(w).leftJustified(w, ' '); }
QString R(const QString& s, int w) { return s.left(w).rightJustified(w, ' '); }
QString spaces(int n) { return QString(n, ' '); }

// The built-in totals line with these sums.
QString totalsLine(const QString& cost, const QString& value, const QString& quantity) {
    return L("TOTALS:", 7) + R("Purchase Price:", 20) + " " + L(cost, 12) + R("Value:", 10) + " " +
           L(value, 12) + R("Quantity:", 13) + " " + L(quantity, 10);
}

QString oneLineRow(const char* cat, const char* country, const char* year, const char* face,
                   const char* qty, const char* desc) {
    return L(cat, 8) + L(country, 20) + L(year, 5) + L(face, 20) + L(qty, 4) + L(desc, 63);
}

QString lines(const QStringList& l) { return l.join("\r\n") + "\r\n"; }

const QString kFooter = "Page %1          03/05/2024\f";

}  // namespace

// Four records in three countries on pages of ten body lines: the Peru heading and the Chile
// subtotals do not fit on page 1 and open page 2; the Togo subtotals wait for page 3; the closing
// totals get a page of their own.
TEST(ReportText, GroupsBreakAcrossPagesWithTheirSubtotals) {
    Collection c(kFourStamps);
    ReportDefinition def = builtIn("120 Column 1 Line Report");
    def.titles[0] = "My Stamps";
    PageStream stream(paperFor(10));
    PageEngine engine(stream);
    const QString out = c.dir.file("r.txt");
    ReportResult r = runReport(def, *c.table, context(), ReportMode::TextFile, engine, out);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    EXPECT_EQ(r.pages, 4);
    EXPECT_EQ(r.statusText(), "Report Completed!");

    const QString caption = L("Alpha Catalog", 8) + L("Country", 20) + L("Year", 5) + L("Face", 20) +
                            L("Quantity", 4) + L("Description", 63);
    auto heading = [](const QString& t) {
        const QString pad = spaces((120 - int(t.size())) / 2);
        return QStringList{"", pad + QString(t.size(), '-'), pad + t, pad + QString(t.size(), '-')};
    };
    QStringList expected;
    expected << "My Stamps" << caption << heading("Chile")
             << oneLineRow("A1", "Chile", "1950", "10c", "2", "Condor")
             << oneLineRow("A2", "Chile", "1960", "20c", "1", "Volcano") << "" << kFooter.arg(1);
    expected << "My Stamps" << caption << spaces(57) + "TOTALS" << totalsLine("4.00", "6.00", "3")
             << heading("Peru") << oneLineRow("B1", "Peru", "1970", "1 sol", "3", "Llama") << ""
             << kFooter.arg(2);
    expected << "My Stamps" << caption << spaces(57) + "TOTALS" << totalsLine("0.30", "0.75", "3")
             << heading("Togo") << oneLineRow("C1", "Togo", "1980", "5 F", "1", "Mask") << ""
             << kFooter.arg(3);
    expected << "My Stamps" << caption << spaces(57) + "TOTALS" << totalsLine("4.00", "10.00", "1") << ""
             << spaces(54) + "GRAND TOTALS" << totalsLine("8.30", "16.75", "7") << "" << kFooter.arg(4);
    EXPECT_EQ(readText(out), lines(expected));
}

TEST(ReportText, EmptyTablePrintsHeadersZeroTotalsAndOneFooter) {
    Collection c({});
    PageStream stream;
    PageEngine engine(stream);
    const QString out = c.dir.file("empty.txt");
    ReportResult r = runReport(builtIn("90 Column 1 Line Report"), *c.table, context(),
                               ReportMode::TextFile, engine, out);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    EXPECT_EQ(r.pages, 1);
    const QString zero = totalsLine("0.00", "0.00", "0");
    EXPECT_EQ(readText(out),
              lines({L("Alpha Catalog", 8) + L("Country", 20) + L("Year", 5) + L("Face", 20) +
                         L("Description", 37),
                     spaces(42) + "TOTALS", zero, "", spaces(39) + "GRAND TOTALS", zero, "",
                     kFooter.arg(1)}));
}

// The summary report has no detail lines: only headings and totals. Grouping by country and
// year, so one country with two years gives two groups.
TEST(ReportText, SummaryReportPrintsOnlyHeadingsAndTotals) {
    Collection c({{"A1", "Chile", 1950, "", 2, "", 1.50, 1.00},
                  {"A2", "Chile", 1960, "", 1, "", 3.00, 2.00}});
    ReportDefinition def = builtIn("Statistic/Summary Report");
    def.groupByLevel2 = true;
    ReportContext ctx = context();
    ctx.sortLevels.level = {3, 7, 0, 0};
    PageStream stream;
    PageEngine engine(stream);
    const QString out = c.dir.file("sum.txt");
    ReportResult r = runReport(def, *c.table, ctx, ReportMode::TextFile, engine, out);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    auto heading = [](const QString& t) {
        const QString pad = spaces((90 - int(t.size())) / 2);
        return QStringList{"", pad + QString(t.size(), '-'), pad + t, pad + QString(t.size(), '-')};
    };
    QStringList expected;
    expected << heading("Chile, 1950") << spaces(42) + "TOTALS" << totalsLine("2.00", "3.00", "2")
             << heading("Chile, 1960") << spaces(42) + "TOTALS" << totalsLine("2.00", "3.00", "1") << ""
             << spaces(39) + "GRAND TOTALS" << totalsLine("4.00", "6.00", "3") << "" << kFooter.arg(1);
    EXPECT_EQ(readText(out), lines(expected));
}

// Report 2's first line adds up to 123 characters on a 120-character report; nothing is
// rescaled. Labels are right-aligned in their width, values left-aligned and cut.
TEST(ReportText, MultiLineRowsKeepWidthsPastTheReportWidth) {
    Collection c({{"A1", "Chile", 1950, "10c", 2, "Condor over the Andes", 1.50, 1.00}});
    ReportDefinition def = builtIn("120 Column 2 Line Report");
    def.groupByLevel1 = false;
    def.useTotals = false;
    def.reportLines[1][2].width = 5;  // cut the description to "Condo"
    PageStream stream;
    PageEngine engine(stream);
    const QString out = c.dir.file("two.txt");
    ReportResult r = runReport(def, *c.table, context(), ReportMode::TextFile, engine, out);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    const QString line1 = "Country:" + spaces(1) + L("Chile", 20) + R("Yr:", 5) + " " + L("1950", 5) +
                          R("Face Value:", 13) + " " + L("10c", 20) + R("Market Value:", 16) + " " +
                          L("1.50", 12) + R("Cond:", 8) + " " + L("", 11);
    EXPECT_EQ(line1.size(), 123);
    const QString line2 = R("Desc:", 7) + " " + "Condo" + R("Grp:", 6) + " " + L("", 12) + R("Type:", 7) +
                          " " + L("", 16) + R("#", 3) + L("A1", 8);
    EXPECT_EQ(readText(out), lines({line1, line2, "", kFooter.arg(1)}));
}

TEST(ReportRun, WalksTheViewersOrderAndFilterAndLeavesItsRecordAlone) {
    Collection c(kFourStamps);
    c.table->setFilter([](const engine::Table& t) { return t.text(Country).rfind("Peru", 0) != 0; });
    ASSERT_TRUE(c.table->go(4));
    ReportDefinition def = builtIn("90 Column 1 Line Report");
    def.groupByLevel1 = false;
    PageStream stream(paperFor(3));  // column captions and two records a page
    PageEngine engine(stream);
    // The viewer redraws between pages and moves the table while it does.
    engine.onStatus = [&](const QString&) { (void)c.table->go(1); };
    const QString out = c.dir.file("f.txt");
    ReportResult r = runReport(def, *c.table, context(), ReportMode::TextFile, engine, out);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    EXPECT_EQ(r.pages, 3);
    const QString text = readText(out);
    EXPECT_EQ(text.count("Condor"), 1);
    EXPECT_EQ(text.count("Volcano"), 1);
    EXPECT_EQ(text.count("Mask"), 1);
    EXPECT_FALSE(text.contains("Llama"));
    // Without grouping the closing TOTALS and GRAND TOTALS agree.
    EXPECT_EQ(text.count(totalsLine("8.00", "16.00", "4")), 2);
    EXPECT_EQ(c.table->recNo(), 4u);
}

TEST(ReportRun, AFailedTextFileKeepsTheOldFileAndSaysWhy) {
    Collection c(kFourStamps);
    PageStream stream;
    PageEngine engine(stream);
    const QString out = c.dir.file("no-such-folder/r.txt");
    ReportResult r = runReport(builtIn("Full Report"), *c.table, context(), ReportMode::TextFile, engine, out);
    EXPECT_EQ(r.outcome, PageEngine::Outcome::Failed);
    EXPECT_TRUE(r.error.contains(out)) << r.error.toStdString();
}

// Nonsense geometry: twelve lines of a 72-point font on small paper, margins out of range,
// widths far past the report width. The run must end, one record per page.
TEST(ReportRun, AnImpossibleLayoutStillEnds) {
    Collection c(kFourStamps);
    ReportDefinition def = builtIn("Full Report");
    def.numberOfLines = 12;
    def.bodyFont.size = 72;
    def.leftMargin = -3;
    def.rightMargin = 30000;
    def.bottomMargin = 9;
    for (auto& line : def.reportLines) line[0] = {QStringLiteral("<LABEL>"), 0, 30000, "Long label"};
    PageStream stream(QPageSize(QSizeF(4, 4), QPageSize::Inch), false);
    PageEngine engine(stream);
    ReportResult r = runReport(def, *c.table, context(), ReportMode::View, engine);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    // Each record on its own page, its group heading with it; the closing totals after them.
    EXPECT_EQ(r.pages, 5);
    EXPECT_EQ(stream.pageCount(), 5);
}

TEST(ReportRun, ACancelEndsTheRunAfterTheCurrentPage) {
    Collection c(kFourStamps);
    PageStream stream(paperFor(10));
    PageEngine engine(stream);
    QStringList statuses;
    engine.onStatus = [&](const QString& s) {
        statuses << s;
        engine.requestCancel();
    };
    ReportResult r = runReport(builtIn("120 Column 1 Line Report"), *c.table, context(),
                               ReportMode::View, engine);
    EXPECT_EQ(r.outcome, PageEngine::Outcome::Cancelled);
    EXPECT_EQ(r.statusText(), "Report Canceled!");
    EXPECT_EQ(statuses, QStringList{"Printing Page 1"});
    EXPECT_EQ(stream.pageCount(), 1);
}

namespace {

QString pdfText(const QString& pdf, int first, int last) {
    QProcess p;
    p.start("pdftotext", {"-f", QString::number(first), "-l", QString::number(last), pdf, "-"});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    if (!p.waitForFinished(30000)) return -1;
    for (const QString& line : QString::fromLatin1(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

}  // namespace

// The full report of 20 stamps of one country on Letter paper, printed straight to a PDF and
// recorded for the preview and printed from there: both have the pages the rules give.
TEST(ReportPdf, FullReportHasItsPageCount) {
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    std::vector<Stamp> stamps;
    std::vector<std::string> names;
    names.reserve(20);
    for (int i = 0; i < 20; ++i) names.push_back("Stamp " + std::to_string(i + 1));
    for (int i = 0; i < 20; ++i)
        stamps.push_back({"C" , "Chile", 1950 + i, "10c", 1, names[size_t(i)].c_str(), 1.25, 0.5});
    Collection c(stamps);
    const ReportDefinition def = builtIn("Full Report");

    const QString direct = c.dir.file("full.pdf");
    int expectedPages = 0;
    {
        QPdfWriter writer(direct);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        PagedDeviceTarget target(writer, direct);
        PageEngine engine(target);
        // The body runs from 1.25 inch to 11 - 0.5 - 0.75 = 9.75 inch. Page 1 holds the group
        // heading (an empty line and the boxed text) and whole records of 8 lines; the closing
        // totals need 5 lines.
        PageFont body;
        body.points = 8;
        engine.setFont(body);
        const int perPage = int(8.5 / engine.lineHeight() + 1e-9);
        int left = perPage - 2, pages = 1;
        for (int i = 0; i < 20; ++i) {
            if (left < 8) ++pages, left = perPage;
            left -= 8;
        }
        if (left < 5) ++pages;
        expectedPages = pages;
        ReportResult r = runReport(def, *c.table, context(), ReportMode::Print, engine);
        ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
        EXPECT_EQ(r.pages, expectedPages);
    }
    EXPECT_GT(expectedPages, 2);
    EXPECT_EQ(pdfPages(direct), expectedPages);

    PageStream stream(QPageSize(QPageSize::Letter));
    PageEngine engine(stream);
    ReportResult r = runReport(def, *c.table, context(), ReportMode::View, engine);
    ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed);
    EXPECT_EQ(stream.pageCount(), expectedPages);
    const QString fromStream = c.dir.file("stream.pdf");
    {
        QPdfWriter writer(fromStream);
        ASSERT_TRUE(stream.print(writer, 2, 3, 2));  // pages 2 and 3, twice
    }
    EXPECT_EQ(pdfPages(fromStream), 4);
    EXPECT_FALSE(PageStream::printing());
    // Printed from the stream, the pages carry what the direct print does, at the same places.
    const QString pages2and3 = pdfText(direct, 2, 3);
    EXPECT_TRUE(pages2and3.contains("Stamp 12")) << pages2and3.toStdString();
    EXPECT_EQ(pdfText(fromStream, 1, 2).toStdString(), pages2and3.toStdString());
    EXPECT_EQ(pdfText(fromStream, 3, 4).toStdString(), pages2and3.toStdString());

    // A printer (printing to a file here) lays the pages out like the PDF writer.
    const QString printed = c.dir.file("printer.pdf");
    {
        std::unique_ptr<QPrinter> printer = makeReportPrinter(true, 0, printed);
        printer->setPageSize(QPageSize(QPageSize::Letter));
        PagedDeviceTarget target(*printer, printed);
        PageEngine engine(target);
        ReportResult r = runReport(def, *c.table, context(), ReportMode::Print, engine);
        ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    }
    EXPECT_EQ(pdfPages(printed), expectedPages);
    EXPECT_EQ(pdfText(printed, 2, 3).toStdString(), pages2and3.toStdString());

    if (qEnvironmentVariableIsSet("VZ_KEEP_REPORT_PDF")) {
        QFile::remove(qEnvironmentVariable("VZ_KEEP_REPORT_PDF"));
        QFile::copy(direct, qEnvironmentVariable("VZ_KEEP_REPORT_PDF"));
    }
}


// An amount too wide for its cell is never cut into another number. In a text file it becomes a
// row of "#"; on paper it is drawn smaller when that makes it fit, else marked with "#" too.
TEST(ReportNumbers, AnAmountIsPrintedWholeOrMarkedNeverCut) {
    Collection c({{"X1", "Chile", 1950, "10c", 1234, "Big", 24964183.59, 1.00}});
    // Text: "Value:" has 8 characters in the Full Report, "Qty:" 5; the totals 12 each.
    const QString text = c.dir.file("full.txt");
    {
        PageStream stream;
        PageEngine engine(stream);
        ReportResult r =
            runReport(builtIn("Full Report"), *c.table, context(), ReportMode::TextFile, engine, text);
        ASSERT_EQ(r.outcome, PageEngine::Outcome::Completed) << r.error.toStdString();
    }
    const QString full = readText(text);
    EXPECT_FALSE(full.contains("24,964,1 ")) << full.toStdString();
    EXPECT_TRUE(full.contains("Value: ########")) << full.toStdString();
    EXPECT_TRUE(full.contains("Qty: 1,234")) << full.toStdString();
    // 1,234 x 24,964,183.59 = 30,805,802,550.06: 17 characters, wider than the 12 of the totals.
    EXPECT_FALSE(full.contains("30,805,802,5")) << full.toStdString();
    EXPECT_TRUE(full.contains("Value: ############")) << full.toStdString();

    const QString oneLine = c.dir.file("one.txt");
    {
        PageStream stream;
        PageEngine engine(stream);
        ASSERT_EQ(runReport(builtIn("120 Column 1 Line Report"), *c.table, context(),
                            ReportMode::TextFile, engine, oneLine)
                      .outcome,
                  PageEngine::Outcome::Completed);
    }
    const QString row = readText(oneLine);
    EXPECT_FALSE(row.contains("1,23 ")) << row.toStdString();
    EXPECT_TRUE(row.contains("####Big")) << row.toStdString();

    // Paper: the quantity fits its 4-character cell in a smaller size; the value in the Full
    // Report's 8-character cell does not, and is marked.
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    auto pdfOf = [&](const char* report, const QString& name) {
        const QString path = c.dir.file(name);
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        PagedDeviceTarget target(writer, path);
        PageEngine engine(target);
        EXPECT_EQ(runReport(builtIn(report), *c.table, context(), ReportMode::Print, engine).outcome,
                  PageEngine::Outcome::Completed);
        return path;
    };
    const QString onePdf = pdfText(pdfOf("120 Column 1 Line Report", "one.pdf"), 1, 1);
    EXPECT_TRUE(onePdf.contains("1,234")) << onePdf.toStdString();
    const QString fullPdf = pdfText(pdfOf("Full Report", "full.pdf"), 1, 1);
    EXPECT_FALSE(fullPdf.contains("24,964,1\n")) << fullPdf.toStdString();
    EXPECT_FALSE(fullPdf.contains("30,805,802,5\n")) << fullPdf.toStdString();
    EXPECT_TRUE(fullPdf.contains("24,964,183.59") || fullPdf.contains("###")) << fullPdf.toStdString();
}
