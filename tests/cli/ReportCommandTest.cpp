// vazovi-cli report: a report by name over a table in its saved order, to text or PDF.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <sstream>

#include "CliCommands.h"
#include "CliRun.h"
#include "DelimitedText.h"
#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "data/Settings.h"
#include "reports/BuiltInReports.h"
#include "reports/ReportFile.h"

using namespace vz::cli;
using namespace vz::cli::test;

namespace {

std::string row(const std::string& catalog, const std::string& country, const std::string& value,
                const std::string& quantity, const std::string& date) {
    std::vector<std::string> v(25);
    v[0] = catalog;
    v[2] = country;
    v[4] = value;
    v[5] = quantity;
    v[13] = date;
    std::string line;
    for (size_t i = 0; i < v.size(); ++i) line += std::string(i ? "," : "") + vz::cli::quoted(v[i]);
    return line + "\n";
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

class CliReport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid() && configDir.isValid() && work.isValid());
        ::setenv("VAZOVI_PROGRAM_DIR", programDir.path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
        table = work.filePath(QStringLiteral("COLL.DBF"));
        ASSERT_EQ(cli({"create", table.toStdString()}).code, kOk);
        // Entered out of country order; the saved sort order is by country.
        const CliRun a =
            cli({"append", table.toStdString()},
                row("P1", "Peru", "1234.5", "2", "2024-02-29") + row("F1", "France", "3", "1", "") +
                    row("A1", "Austria", "0.25", "4", "") + row("F2", "France", "5", "1", ""));
        ASSERT_EQ(a.code, kOk) << a.err;
        vz::data::DatabaseSettings database;
        database.sortLevels.level = {3, 0, 0, 0};
        ASSERT_TRUE(
            vz::data::saveDatabaseSettings(database, work.filePath(QStringLiteral("COLL.INI"))));
    }
    void TearDown() override {
        ::unsetenv("VAZOVI_PROGRAM_DIR");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    CliRun report(const char* name, const char* mode, const QString& out) {
        return cli({"report", table.toStdString(), name, mode, out.toStdString()});
    }
    QTemporaryDir programDir, configDir, work;
    QString table;
};

}  // namespace

TEST_F(CliReport, TextReportWritesTheBuiltInsAndFollowsTheSavedOrder) {
    const QString out = work.filePath(QStringLiteral("out.txt"));
    const CliRun r = report("120 Column 1 Line Report", "--text", out);
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_EQ(vz::reports::reportCount(vz::reports::reportFilePath(programDir.path())), 6);
    const QString text = readText(out);
    // Grouped by country, in country order, each heading once.
    const qsizetype austria = text.indexOf(QStringLiteral("Austria"));
    const qsizetype france = text.indexOf(QStringLiteral("France"));
    const qsizetype peru = text.indexOf(QStringLiteral("Peru"));
    ASSERT_GE(austria, 0);
    EXPECT_LT(austria, france);
    EXPECT_LT(france, peru);
    EXPECT_TRUE(text.contains(QStringLiteral("GRAND TOTALS")));
    EXPECT_TRUE(text.contains(QChar(12)));
    EXPECT_TRUE(text.indexOf(QStringLiteral("F1")) < text.indexOf(QStringLiteral("F2")));
}

TEST_F(CliReport, TheGlobalFormatsShapeDatesAndMoney) {
    vz::data::GlobalSettings global;
    for (int code = 1; code <= vz::kDateFormatCount; ++code)
        if (vz::DisplayFormats::dateCaption(code) == QStringLiteral("dd.mm.yyyy"))
            global.misc.dateFormat = code;
    global.misc.dateLeadingZeros = true;
    ASSERT_TRUE(vz::data::saveGlobalSettings(global, vz::globalSettingsPath()));
    const QString out = work.filePath(QStringLiteral("full.txt"));
    const CliRun r = report("Full Report", "--text", out);
    ASSERT_EQ(r.code, kOk) << r.err;
    const QString text = readText(out);
    EXPECT_TRUE(text.contains(QStringLiteral("29.02.2024"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("1,234.50")));
}

TEST_F(CliReport, PdfOutput) {
    const QString out = work.filePath(QStringLiteral("out.pdf"));
    const CliRun r = report("90 Column 1 Line Report", "--pdf", out);
    ASSERT_EQ(r.code, kOk) << r.err;
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
}

TEST_F(CliReport, FailuresAndUsageErrors) {
    const QString out = work.filePath(QStringLiteral("x.txt"));
    CliRun r = report("No Such Report", "--text", out);
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("No Such Report"), std::string::npos);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_FALSE(QFile::exists(out));

    r = cli({"report", work.filePath(QStringLiteral("NONE.DBF")).toStdString(), "Full Report",
             "--text", out.toStdString()});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("NONE.DBF"), std::string::npos);

    EXPECT_EQ(cli({"report", table.toStdString(), "Full Report"}).code, kUsage);
    EXPECT_EQ(cli({"report", table.toStdString(), "Full Report", "--html", out.toStdString()}).code,
              kUsage);

    // A PDF that cannot be written fails and names the file.
    r = report("Full Report", "--pdf", work.filePath(QStringLiteral("missing/folder/x.pdf")));
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("x.pdf"), std::string::npos);
}

TEST_F(CliReport, ADamagedDefinitionIsReportedByName) {
    const QString file = vz::reports::reportFilePath(programDir.path());
    ASSERT_TRUE(vz::reports::CreateDefaultReports(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(2 * vz::reports::kReportRecordSize + 31);  // the width of "Full Report"
    f.write("\x30\x75", 2);                           // 30,000
    f.close();
    const CliRun r = report("Full Report", "--text", work.filePath(QStringLiteral("x.txt")));
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("Full Report"), std::string::npos);
    EXPECT_NE(r.err.find("30000"), std::string::npos);
}

// The tag stores the sort string in upper case; the saved sort string, spelled as the program
// builds it, still matches it, so a second report uses the index as it is.
TEST_F(CliReport, TheStoredUpperCaseTagMatchesTheSavedSortString) {
    const QString out = work.filePath(QStringLiteral("out.txt"));
    ASSERT_EQ(report("Full Report", "--text", out).code, kOk);
    const std::string mdx = work.filePath(QStringLiteral("COLL.MDX")).toStdString();
    const CliRun info = cli({"info", table.toStdString()});
    EXPECT_NE(info.out.find("NewIndex = UPPER(LEFT(COUNTRY,80))\n"), std::string::npos) << info.out;
    struct stat before {};
    ASSERT_EQ(::stat(mdx.c_str(), &before), 0);
    const CliRun r = report("Full Report", "--text", out);
    ASSERT_EQ(r.code, kOk) << r.err;
    struct stat after {};
    ASSERT_EQ(::stat(mdx.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // a replaced tag would have a new index file
    EXPECT_TRUE(readText(out).indexOf(QStringLiteral("Austria")) <
                readText(out).indexOf(QStringLiteral("Peru")));
}

// A report written over the table, its index, its settings or lists, or the program's own files
// destroyed them and exited 0. Such outputs are refused, through links too, and the file keeps
// every byte.
TEST_F(CliReport, TheCollectionsAndTheProgramsOwnFilesAreNeverAnOutput) {
    ASSERT_EQ(report("Full Report", "--text", work.filePath(QStringLiteral("warm.txt"))).code, kOk);
    const QString definitions = vz::reports::reportFilePath(programDir.path());
    ASSERT_TRUE(QFile::exists(definitions));
    {
        QFile lists(work.filePath(QStringLiteral("COLL.001")));
        ASSERT_TRUE(lists.open(QIODevice::WriteOnly) && lists.write("Peru\r\n") == 6);
    }
    ASSERT_TRUE(QFile::link(table, work.filePath(QStringLiteral("link-to-table"))));
    ASSERT_TRUE(QFile::link(work.filePath(QStringLiteral("COLL.MDX")),
                            work.filePath(QStringLiteral("link-to-index.pdf"))));
    const QStringList refused = {
        table,
        work.filePath(QStringLiteral("COLL.MDX")),
        work.filePath(QStringLiteral("coll.mdx")),
        work.filePath(QStringLiteral("COLL.INI")),
        work.filePath(QStringLiteral("COLL.001")),
        work.filePath(QStringLiteral("sub/../COLL.DBF")),
        work.filePath(QStringLiteral("link-to-table")),
        work.filePath(QStringLiteral("link-to-index.pdf")),
        definitions,
    };
    for (const QString& out : refused) {
        const QString real =
            QFileInfo(out).exists() ? QFileInfo(out).canonicalFilePath() : QString();
        QByteArray before;
        if (!real.isEmpty()) {
            QFile f(real);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            before = f.readAll();
        }
        for (const char* mode : {"--text", "--pdf"}) {
            const CliRun r = report("Full Report", mode, out);
            EXPECT_EQ(r.code, kFailed) << out.toStdString() << " " << mode;
            EXPECT_NE(r.err.find("cannot be written"), std::string::npos) << r.err;
            if (!real.isEmpty()) {
                QFile f(real);
                ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                EXPECT_EQ(f.readAll(), before) << out.toStdString() << " " << mode;
            }
        }
    }
    EXPECT_TRUE(QFileInfo(work.filePath(QStringLiteral("link-to-table"))).isSymLink());
    EXPECT_EQ(cli({"check", table.toStdString()}).code, kOk);

    // An ordinary file through a link: the file gets the report, the link stays a link.
    const QString target = work.filePath(QStringLiteral("target.txt"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    ASSERT_TRUE(QFile::link(target, work.filePath(QStringLiteral("link.txt"))));
    ASSERT_EQ(report("Full Report", "--text", work.filePath(QStringLiteral("link.txt"))).code, kOk);
    EXPECT_TRUE(QFileInfo(work.filePath(QStringLiteral("link.txt"))).isSymLink());
    EXPECT_TRUE(readText(target).contains(QStringLiteral("Peru")));
}

TEST_F(CliReport, ListsTheReportsOfTheProgramFolderOrOfAFile) {
    CliRun r = cli({"report", table.toStdString(), "--list"});
    ASSERT_EQ(r.code, kOk) << r.err;
    std::string expected;
    for (const char* name : vz::reports::builtInReportNames()) expected += std::string(name) + "\n";
    EXPECT_EQ(r.out, expected);

    const QString other = work.filePath(QStringLiteral("OTHER.URP"));
    vz::reports::ReportDefinition mine;
    mine.name = QStringLiteral("Mine");
    ASSERT_TRUE(vz::reports::SaveReport(other, mine));
    r = cli({"report", other.toStdString(), "--list"});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.out, "Mine\n");
    EXPECT_EQ(
        cli({"report", work.filePath(QStringLiteral("NONE.URP")).toStdString(), "--list"}).code,
        kFailed);
}

TEST_F(CliReport, PagesAndSearchNarrowTheOutput) {
    const QString out = work.filePath(QStringLiteral("out.txt"));
    // One page per record and the totals on a fifth: the Full Report on paper... too long to
    // count here; the text of the whole report tells the pages apart by their form feeds.
    CliRun r = report("Full Report", "--text", out);
    ASSERT_EQ(r.code, kOk) << r.err;
    const QString whole = readText(out);
    const qsizetype pages = whole.count(QChar('\f'));
    ASSERT_GE(pages, 1);

    r = cli({"report", table.toStdString(), "Full Report", "--text", out.toStdString(), "--pages",
             "1-1"});
    ASSERT_EQ(r.code, kOk) << r.err;
    const QString first = readText(out);
    EXPECT_EQ(first.count(QChar('\f')), 1);
    EXPECT_TRUE(whole.startsWith(first));

    r = cli({"report", table.toStdString(), "Full Report", "--text", out.toStdString(), "--pages",
             std::to_string(pages + 1)});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("pages"), std::string::npos);
    EXPECT_EQ(cli({"report", table.toStdString(), "Full Report", "--text", out.toStdString(),
                   "--pages", "2-1"})
                  .code,
              kUsage);
    EXPECT_EQ(cli({"report", table.toStdString(), "Full Report", "--text", out.toStdString(),
                   "--pages", "0"})
                  .code,
              kUsage);

    // Only France, then France or Peru.
    r = cli({"report", table.toStdString(), "120 Column 1 Line Report", "--text", out.toStdString(),
             "--search", "Country~franc"});
    ASSERT_EQ(r.code, kOk) << r.err;
    QString text = readText(out);
    EXPECT_TRUE(text.contains("F1") && text.contains("F2")) << text.toStdString();
    EXPECT_FALSE(text.contains("P1") || text.contains("A1")) << text.toStdString();
    r = cli({"report", table.toStdString(), "120 Column 1 Line Report", "--text", out.toStdString(),
             "--search", "Country~France", "--or", "Country~Peru", "--pages", "1-1"});
    ASSERT_EQ(r.code, kOk) << r.err;
    text = readText(out);
    EXPECT_TRUE(text.contains("P1") && text.contains("F1")) << text.toStdString();
    EXPECT_FALSE(text.contains("A1")) << text.toStdString();
    r = cli({"report", table.toStdString(), "120 Column 1 Line Report", "--text", out.toStdString(),
             "--search", "Nosuchfield~x"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(
        cli({"report", table.toStdString(), "Full Report", "--text", out.toStdString(), "--search"})
            .code,
        kUsage);

    // A PDF of one page.
    const QString pdf = work.filePath(QStringLiteral("one.pdf"));
    r = cli({"report", table.toStdString(), "Full Report", "--pdf", pdf.toStdString(), "--pages",
             "1-1"});
    ASSERT_EQ(r.code, kOk) << r.err;
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
}
