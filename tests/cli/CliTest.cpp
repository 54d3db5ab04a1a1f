#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <sstream>

#include "CliCommands.h"
#include "CliRun.h"
#include "DelimitedText.h"
#include "engine/Table.h"

using namespace vz::cli;
using namespace vz::cli::test;

namespace {

std::string row(const std::string& catalog, const std::string& country, const std::string& value,
                const std::string& date, const std::string& comments = "") {
    std::vector<std::string> v(25);
    v[0] = catalog;
    v[2] = country;
    v[4] = value;
    v[7] = comments;
    v[13] = date;
    v[24] = "Yes";
    std::string line;
    for (size_t i = 0; i < v.size(); ++i) line += std::string(i ? "," : "") + vz::cli::quoted(v[i]);
    return line + "\n";
}

class CliTable : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath("COLL.DBF").toStdString();
        ASSERT_EQ(cli({"create", path}).code, kOk);
    }
    QTemporaryDir dir;
    std::string path;
};

}  // namespace

TEST(DelimitedText, QuotesAndSplitsValuesWithCommasAndQuotes) {
    EXPECT_EQ(quoted("he said \"hi\", then left"), "\"he said \"\"hi\"\", then left\"");
    std::vector<std::string> v;
    std::string why;
    ASSERT_TRUE(splitLine("\"a, b\",plain,\"say \"\"x\"\"\",,\"\"\r", v, why));
    EXPECT_EQ(v, (std::vector<std::string>{"a, b", "plain", "say \"x\"", "", ""}));
    EXPECT_FALSE(splitLine("\"open", v, why));
    EXPECT_NE(why.find("not closed"), std::string::npos);
    EXPECT_FALSE(splitLine("\"a\"b,c", v, why));
}

TEST(Cli, HelpAndUsageErrors) {
    CliRun help = cli({"--help"});
    EXPECT_EQ(help.code, kOk);
    EXPECT_NE(help.out.find("dump FILE"), std::string::npos);
    EXPECT_EQ(cli({}).code, kUsage);
    EXPECT_EQ(cli({"dump"}).code, kUsage);
    CliRun unknown = cli({"explode", "x.dbf"});
    EXPECT_EQ(unknown.code, kUsage);
    EXPECT_NE(unknown.err.find("explode"), std::string::npos);
}

TEST_F(CliTable, AppendThenDumpRoundTripsValuesAsText) {
    const std::string input = row("A1", "Côte d'Ivoire", "2.50", "2024-02-29", "said \"mint\", rare") +
                              row("B2", "Peru", "", "", "");
    CliRun a = cli({"append", path}, input);
    ASSERT_EQ(a.code, kOk) << a.err;
    CliRun d = cli({"dump", path});
    ASSERT_EQ(d.code, kOk) << d.err;
    EXPECT_EQ(d.out, row("A1", "Côte d'Ivoire", "2.5", "2024-02-29", "said \"mint\", rare") +
                         row("B2", "Peru", "", "", ""));
}

TEST_F(CliTable, ABadLineStopsTheAppendAndStoresNothingOfIt) {
    std::string input = row("A1", "Peru", "1", "");
    input += "\"too\",\"few\"\n";
    input += row("C3", "Togo", "3", "");
    CliRun a = cli({"append", path}, input);
    EXPECT_EQ(a.code, kFailed);
    EXPECT_NE(a.err.find("input line 2"), std::string::npos) << a.err;
    EXPECT_NE(a.err.find("2 values"), std::string::npos) << a.err;
    EXPECT_EQ(cli({"dump", path}).out, row("A1", "Peru", "1", ""));

    CliRun bad = cli({"append", path}, row("D4", "Mali", "lots", ""));
    EXPECT_EQ(bad.code, kFailed);
    EXPECT_NE(bad.err.find("MARKETVALU"), std::string::npos) << bad.err;
    CliRun euro = cli({"append", path}, row("E5", "Eurozone ✓", "1", ""));
    EXPECT_EQ(euro.code, kFailed);
    EXPECT_NE(euro.err.find("U+2713"), std::string::npos) << euro.err;
    EXPECT_EQ(cli({"dump", path}).out, row("A1", "Peru", "1", ""));
}

TEST_F(CliTable, CreateKeepsAnExistingTableUnlessAskedToReplaceIt) {
    ASSERT_EQ(cli({"append", path}, row("A1", "Peru", "1", "")).code, kOk);
    CliRun again = cli({"create", path});
    EXPECT_EQ(again.code, kFailed);
    EXPECT_NE(again.err.find("--replace"), std::string::npos);
    EXPECT_EQ(cli({"dump", path}).out, row("A1", "Peru", "1", ""));
    EXPECT_EQ(cli({"create", path, "--replace"}).code, kOk);
    EXPECT_EQ(cli({"dump", path}).out, "");
}

TEST_F(CliTable, InfoCheckAndPack) {
    ASSERT_EQ(cli({"append", path}, row("A1", "Peru", "1", "") + row("B2", "Chile", "2", "")).code, kOk);
    CliRun info = cli({"info", path});
    ASSERT_EQ(info.code, kOk);
    EXPECT_NE(info.out.find("Records:          2 (2 live, 0 deleted)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Windows-1252 (language driver 0x57)"), std::string::npos);
    EXPECT_NE(info.out.find("MARKETVALU  N   20   4"), std::string::npos) << info.out;
    EXPECT_EQ(cli({"check", path}).code, kOk);
    EXPECT_EQ(cli({"pack", path}).code, kOk);

    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(f.size() - 400);  // cut into the last record
    f.close();
    CliRun check = cli({"check", path});
    EXPECT_EQ(check.code, kFailed);
    EXPECT_NE(check.err.find("COLL.DBF"), std::string::npos) << check.err;
    EXPECT_EQ(cli({"dump", dir.filePath("missing.dbf").toStdString()}).code, kFailed);
}

TEST_F(CliTable, IndexOrdersTheDumpAndCheckCoversTheIndex) {
    ASSERT_EQ(cli({"append", path}, row("A1", "peru", "1", "") + row("B2", "Chile", "2", "") + row("C3", "angola", "3", ""))
                  .code,
              kOk);
    CliRun bad = cli({"index", path, "Upper(Left(Nowhere,80))"});
    EXPECT_EQ(bad.code, kFailed);
    EXPECT_NE(bad.err.find("Nowhere"), std::string::npos) << bad.err;

    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    EXPECT_EQ(cli({"dump", path, "--order", "NewIndex"}).out,
              row("C3", "angola", "3", "") + row("B2", "Chile", "2", "") + row("A1", "peru", "1", ""));
    EXPECT_EQ(cli({"dump", path}).out.substr(0, 5), "\"A1\",");  // entry order without --order
    CliRun info = cli({"info", path});
    EXPECT_NE(info.out.find("Index tag:        NewIndex = UPPER(LEFT(COUNTRY,80))"),
              std::string::npos)
        << info.out;
    CliRun check = cli({"check", path});
    EXPECT_EQ(check.code, kOk) << check.err;
    EXPECT_NE(check.out.find("index tag NewIndex"), std::string::npos);

    // Re-indexing replaces the one tag; appends keep it true.
    ASSERT_EQ(cli({"index", path, "STR(MarketValu,12,2)"}).code, kOk);
    ASSERT_EQ(cli({"append", path}, row("D4", "Togo", "0.5", "")).code, kOk);
    EXPECT_EQ(cli({"dump", path, "--order", "NEWINDEX"}).out.substr(0, 5), "\"D4\",");
    EXPECT_EQ(cli({"reindex", path}).code, kOk);
    EXPECT_EQ(cli({"check", path}).code, kOk);
    EXPECT_EQ(cli({"dump", path, "--order", "NoSuchTag"}).code, kFailed);
}

TEST_F(CliTable, CheckReportsAnIndexLeftBehind) {
    ASSERT_EQ(cli({"append", path}, row("A1", "Peru", "1", "")).code, kOk);
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    const QString mdx = dir.filePath("COLL.MDX");
    QFile f(mdx);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray old = f.readAll();
    f.close();
    ASSERT_EQ(cli({"append", path}, row("B2", "Chile", "2", "")).code, kOk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(old);  // as if a program had appended without updating the index
    f.close();
    // The entries missing are the last record's: the next open, shared too, makes them good.
    CliRun check = cli({"check", path});
    EXPECT_EQ(check.code, kOk) << check.err;
    EXPECT_EQ(cli({"dump", path, "--order", "NewIndex"}).out,
              row("B2", "Chile", "2", "") + row("A1", "Peru", "1", ""));

    // A record changed without the index is no missing tail: the index is out of date.
    QFile table(QString::fromStdString(path));
    ASSERT_TRUE(table.open(QIODevice::ReadWrite));
    QByteArray bytes = table.readAll();
    const qsizetype at = bytes.indexOf("Chile");
    ASSERT_GT(at, 0);
    bytes[at] = 'X';
    table.seek(0);
    table.write(bytes);
    table.close();
    check = cli({"check", path});
    EXPECT_EQ(check.code, kFailed);
    EXPECT_NE(check.err.find("out of date"), std::string::npos) << check.err;
    EXPECT_EQ(cli({"reindex", path}).code, kOk);
    EXPECT_EQ(cli({"check", path}).code, kOk);
}

// The same damage gives the same answer wherever it lies: at the last record (which opening
// looks up) or in the middle (which it does not), `dump --order` refuses before writing a line.
TEST_F(CliTable, DumpInOrderRefusesAnIndexOutOfDateWhereverTheChangedRecordLies) {
    std::string input;
    for (int i = 0; i < 100; ++i)
        input += row("C" + std::to_string(100 + i), "Land" + std::to_string(100 + (i * 37) % 100),
                     "1", "");
    ASSERT_EQ(cli({"append", path}, input).code, kOk);
    ASSERT_EQ(cli({"index", path, "COUNTRY"}).code, kOk);
    QFile table(QString::fromStdString(path));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    const QByteArray pristine = table.readAll();
    table.close();
    for (const int damaged : {100, 40}) {
        SCOPED_TRACE(damaged);
        ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
        table.write(pristine);
        table.close();
        ASSERT_EQ(cli({"reindex", path}).code, kOk);
        QByteArray bytes = pristine;
        const qsizetype at =
            bytes.indexOf("Land" + QByteArray::number(100 + ((damaged - 1) * 37) % 100));
        ASSERT_GT(at, 0);
        bytes[at] = 'X';  // changed by a program that left the index alone
        ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
        table.write(bytes);
        table.close();
        CliRun dump = cli({"dump", path, "--order", "NewIndex"});
        EXPECT_EQ(dump.code, kFailed);
        EXPECT_EQ(dump.out, "");
        EXPECT_NE(dump.err.find("has no entry for record " + std::to_string(damaged) +
                                "; the index is out of date"),
                  std::string::npos)
            << dump.err;
        CliRun plain = cli({"dump", path});
        EXPECT_EQ(plain.code, kOk);
        EXPECT_EQ(std::count(plain.out.begin(), plain.out.end(), '\n'), 100);
        CliRun check = cli({"check", path});
        EXPECT_EQ(check.code, kFailed);
        EXPECT_NE(check.err.find("out of date"), std::string::npos) << check.err;
        ASSERT_EQ(cli({"reindex", path}).code, kOk);
        EXPECT_EQ(cli({"check", path}).code, kOk);
        dump = cli({"dump", path, "--order", "NewIndex"});
        EXPECT_EQ(dump.code, kOk);
        EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 100);
    }
}

TEST_F(CliTable, AppendFailsWhenTheIndexMayNotBeWritten) {
    ASSERT_EQ(cli({"append", path}, row("A1", "Peru", "1", "")).code, kOk);
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    const std::string mdx = dir.filePath("COLL.MDX").toStdString();
    ASSERT_EQ(::chmod(dir.path().toStdString().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(mdx.c_str(), 0600), 0);
    // Another user, who may write the table but not its index.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 ? ::setuid(65534) != 0 : ::chmod(mdx.c_str(), 0400) != 0) ::_exit(10);
        CliRun run = cli({"append", path}, row("B2", "Chile", "2", ""));
        const bool named = run.err.find("COLL.MDX") != std::string::npos;
        ::_exit(run.code == kFailed && named ? 0 : 20 + run.code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(cli({"dump", path}).out, row("A1", "Peru", "1", ""));  // nothing was stored
    EXPECT_EQ(cli({"check", path}).code, kOk);
}

TEST(Cli, ATableClaimingBillionsOfRecordsGetsAClearErrorFromIndex) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("HUGE.DBF").toStdString();
    ASSERT_TRUE(vz::engine::Table::create(path, {vz::engine::FieldDef::text("C", 1)}).isOk());
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray head = f.read(32);
    const uint32_t claimed = 3000000000u;
    for (int i = 0; i < 4; ++i) head[4 + i] = char(claimed >> (8 * i));
    const qint64 headerLength = uint8_t(head[8]) | uint8_t(head[9]) << 8;
    f.seek(0);
    f.write(head);
    ASSERT_TRUE(f.resize(headerLength + qint64(claimed) * 2 + 1));  // sparse
    f.close();
    CliRun run = cli({"index", path, "C"});
    EXPECT_EQ(run.code, kFailed);
    EXPECT_NE(run.err.find("MB of memory"), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(dir.filePath("HUGE.MDX")));
}

TEST_F(CliTable, CheckCountsEveryProblemAndListsSome) {
    std::string rows;
    for (int i = 0; i < 200; ++i) rows += row("N" + std::to_string(i), "Country " + std::to_string(i), "1", "");
    ASSERT_EQ(cli({"append", path}, rows).code, kOk);
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    // 121 countries changed behind the index's back, sparing the records an open samples.
    uint64_t first = 0, length = 0, offset = 0;
    {
        auto t = vz::engine::Table::open(path, vz::engine::OpenMode::Shared);
        ASSERT_TRUE(t.isOk());
        first = (*t)->header().dataOffset(1);
        length = (*t)->header().recordLength;
        offset = 1 + uint64_t((*t)->field((*t)->fieldIndex("COUNTRY")).offset);
    }
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    int changed = 0;
    for (uint32_t r = 1; r <= 200 && changed < 121; ++r) {
        bool sampled = r == 200;
        for (uint32_t k = 1; k < 16; ++k) sampled = sampled || r == 200 * k / 16;
        if (sampled) continue;
        bytes[qsizetype(first + (r - 1) * length + offset)] = 'X';
        ++changed;
    }
    f.seek(0);
    f.write(bytes);
    f.close();
    CliRun check = cli({"check", path});
    EXPECT_EQ(check.code, kFailed);
    EXPECT_NE(check.out.find("200 records (0 deleted), 121 problems"), std::string::npos) << check.out;
    EXPECT_NE(check.err.find("71 more problems found, not listed"), std::string::npos) << check.err;
    EXPECT_EQ(check.err.find("has no entry"), std::string::npos) << check.err;
}
