// vazovi-cli export and import: the collection's export settings, the global formats, round trips
// and the failures that must not look like success.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <set>
#include <tuple>

#include "CliCommands.h"
#include "CliRun.h"
#include "DelimitedText.h"
#include "common/ProgramFolder.h"
#include "data/Settings.h"

using namespace vz::cli;
using namespace vz::cli::test;

namespace {

std::string row(const std::string& catalog, const std::string& description,
                const std::string& country, const std::string& value, const std::string& date) {
    std::vector<std::string> v(25);
    v[0] = catalog;
    v[1] = description;
    v[2] = country;
    v[4] = value;
    v[13] = date;
    std::string line;
    for (size_t i = 0; i < v.size(); ++i) line += std::string(i ? "," : "") + vz::cli::quoted(v[i]);
    return line + "\n";
}

class CliExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("VAZOVI_PROGRAM_DIR", programDir.path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
        table = path("COLL.DBF");
        ASSERT_EQ(cli({"create", table}).code, kOk);
        const CliRun a =
            cli({"append", table},
                row("P1", "12\" pair, \"used\"", "Österreich", "1234.5", "1954-02-28") +
                    row("F1", "", "France", "", "") +
                    row("A1", "plain", "Austria", "-0.25", "2001-12-31"));
        ASSERT_EQ(a.code, kOk) << a.err;
    }
    void TearDown() override {
        ::unsetenv("VAZOVI_PROGRAM_DIR");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string path(const char* name) { return work.filePath(QLatin1String(name)).toStdString(); }
    QByteArray read(const std::string& p) {
        QFile f(QString::fromStdString(p));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void setDateFormat(int code) {
        vz::data::GlobalSettings global;
        global.misc.dateFormat = code;
        ASSERT_TRUE(vz::data::saveGlobalSettings(global, vz::globalSettingsPath()));
    }
    QTemporaryDir programDir, configDir, work;
    std::string table;
};

}  // namespace

TEST_F(CliExchange, ExportFollowsTheSavedFieldsOrderAndFormats) {
    vz::data::DatabaseSettings s;
    for (int f = 1; f <= 25; ++f) s.field(f).exported = f == 1 || f == 3 || f == 14;
    s.field(14).exportOrder = 1;
    s.field(1).exportOrder = 14;
    s.exportOptions.firstRow = false;
    ASSERT_TRUE(vz::data::saveDatabaseSettings(s, work.filePath("COLL.INI")));
    setDateFormat(2);  // m-d-yy: the export still writes four-digit years
    const CliRun r = cli({"export", table, path("out.txt")});
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("3 records exported"), std::string::npos);
    // In the saved sort order (by country), Windows-1252.
    EXPECT_EQ(read(path("out.txt")),
              "\"12-31-2001\",\"Austria\",\"A1\"\r\n\"\",\"France\",\"F1\"\r\n\"2-28-1954\","
              "\"\xD6sterreich\",\"P1\"\r\n");
    ASSERT_EQ(cli({"export", table, path("utf8.txt"), "--encoding", "utf-8"}).code, kOk);
    EXPECT_TRUE(read(path("utf8.txt")).contains("\"\xC3\x96sterreich\""));
    EXPECT_EQ(cli({"export", table, path("x.txt"), "--encoding", "ebcdic"}).code, kUsage);
    // Only what a search admits.
    const CliRun found = cli(
        {"export", table, path("found.txt"), "--search", "Country~FRA", "--or", "Date<1960-01-01"});
    ASSERT_EQ(found.code, kOk) << found.err;
    EXPECT_EQ(read(path("found.txt")),
              "\"\",\"France\",\"F1\"\r\n\"2-28-1954\",\"\xD6sterreich\",\"P1\"\r\n");
    EXPECT_EQ(cli({"export", table, path("x.txt"), "--search", "Nowhere~x"}).code, kFailed);
    EXPECT_EQ(cli({"export", table, path("x.txt"), "--search"}).code, kUsage);
}

TEST_F(CliExchange, TextAndTableRoundTrips) {
    setDateFormat(1);  // m/d/yy
    const std::string before = cli({"dump", table}).out;
    ASSERT_EQ(cli({"export", table, path("all.txt")}).code, kOk);
    ASSERT_EQ(cli({"export", table, path("ALL.DBF")}).code, kOk);
    for (const auto& [name, source, skip] :
         {std::tuple{"T1.DBF", "all.txt", true}, {"T2.DBF", "ALL.DBF", false}}) {
        ASSERT_EQ(cli({"create", path(name)}).code, kOk);
        std::vector<std::string> args{"import", path(name), path(source)};
        if (skip) args.push_back("--skip-first");
        const CliRun r = cli(args);
        ASSERT_EQ(r.code, kOk) << r.err;
        EXPECT_NE(r.out.find("3 records imported"), std::string::npos);
        // Entry order differs from the export's sort order; compare as sets of lines.
        auto lines = [](const std::string& text) {
            std::multiset<std::string> out;
            size_t from = 0;
            for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
                out.insert(text.substr(from, at - from));
            return out;
        };
        EXPECT_EQ(lines(cli({"dump", path(name)}).out), lines(before)) << name;
        EXPECT_EQ(cli({"check", path(name)}).code, kOk);
    }
    // Without --skip-first the caption line is a record whose first caption is too long for its
    // field: the import stops there, naming line, field and value, and adds nothing.
    ASSERT_EQ(cli({"create", path("T3.DBF")}).code, kOk);
    const CliRun r = cli({"import", path("T3.DBF"), path("all.txt")});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"Alpha Catalog\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0 records were added"), std::string::npos) << r.err;
}

TEST_F(CliExchange, FailuresAreReportedAsFailures) {
    CliRun r = cli({"export", table, path("gone/out.txt")});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Nothing was exported"), std::string::npos) << r.err;
    // Never over the collection's own files.
    r = cli({"export", table, path("COLL.MDX")});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(cli({"check", table}).code, kOk);
    // An import file whose first line is no delimited line.
    QFile bad(work.filePath("bad.txt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("one,two\n");
    bad.close();
    r = cli({"import", table, path("bad.txt")});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("unmatched quote"), std::string::npos);
    EXPECT_EQ(cli({"import", table, path("none.txt")}).code, kFailed);
    EXPECT_EQ(cli({"import", table}).code, kUsage);
    EXPECT_EQ(cli({"import", table, path("bad.txt"), "--skip"}).code, kUsage);
}
