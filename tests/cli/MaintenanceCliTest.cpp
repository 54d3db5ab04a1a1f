// vazovi-cli replace, convert, backup and restore.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "CliRun.h"
#include "engine/Table.h"

using namespace vz::cli;
using namespace vz::cli::test;

namespace {

std::string row(const std::string& catalog, const std::string& country, const std::string& value) {
    std::string line = "\"" + catalog + "\",\"\",\"" + country + "\",\"\",\"" + value + "\"";
    for (int i = 5; i < 25; ++i) line += ",\"\"";
    return line + "\n";
}

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CliMaintenance : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("VAZOVI_PROGRAM_DIR", programDir.path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
        table = work.filePath("COLL.DBF").toStdString();
        ASSERT_EQ(cli({"create", table}).code, kOk);
        const CliRun a =
            cli({"append", table},
                row("1", "Chile", "5.0") + row("2", "chile", "5.5") + row("3", "Peru", "5"));
        ASSERT_EQ(a.code, kOk) << a.err;
    }
    std::string dump() { return cli({"dump", table}).out; }

    QTemporaryDir programDir, configDir, work, stick;
    std::string table;
};

TEST_F(CliMaintenance, ReplaceByStoredNameOrCaptionPrintsTheCounts) {
    CliRun r = cli({"replace", table, "country", "CHILE", "Bolivia"});
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("Global Search and Replace Complete."), std::string::npos);
    EXPECT_NE(r.out.find("Processed 3, found 2, changed 2."), std::string::npos);
    r = cli({"replace", table, "Market Value", "5", "6"});  // the default caption; 5 matches 5.0
    EXPECT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("changed 2."), std::string::npos);
    const std::string d = dump();
    EXPECT_NE(d.find("\"1\",\"\",\"Bolivia\",\"\",\"6\""), std::string::npos) << d;
    EXPECT_NE(d.find("\"2\",\"\",\"Bolivia\",\"\",\"5.5\""), std::string::npos) << d;
}

TEST_F(CliMaintenance, ReplaceConfirmsOnStandardInputAndRefusesBadValues) {
    CliRun r = cli({"replace", table, "Country", "chile", "Peru", "--confirm"}, "n\ny\n");
    EXPECT_EQ(r.code, kOk);
    EXPECT_NE(r.out.find("Item = \"1\".  Change this record?"), std::string::npos);
    EXPECT_NE(r.out.find("found 2, changed 1."), std::string::npos);
    r = cli({"replace", table, "MarketValu", "five", "6"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("Invalid search value entered."), std::string::npos);
    r = cli({"replace", table, "Nonesuch", "a", "b"});
    EXPECT_EQ(r.code, kFailed);
    r = cli({"replace", table, "Catalog", "1", std::string(13, 'x')});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_EQ(cli({"replace", table, "Catalog"}).code, kUsage);
}

TEST_F(CliMaintenance, BackupAndRestoreRoundTrip) {
    const std::string dir = stick.path().toStdString();
    CliRun r = cli({"backup", table, dir});
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("Backup completed successfully."), std::string::npos);
    EXPECT_EQ(bytes(stick.filePath("COLL.DBF")), bytes(QString::fromStdString(table)));
    // Into its own folder: refused, exit 1.
    r = cli({"backup", table, work.path().toStdString()});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("identical"), std::string::npos);

    ASSERT_EQ(cli({"replace", table, "Country", "Peru", "Chile"}).code, kOk);
    r = cli({"restore", table, dir});
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("Restore completed successfully."), std::string::npos);
    EXPECT_NE(dump().find("Peru"), std::string::npos);
    EXPECT_EQ(cli({"check", table}).code, kOk);

    // Lists missing from the backup: each named, exit 1.
    r = cli({"restore", table, dir, "--kind", "lists"});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("The following file \"COLL.001\" could not be located"),
              std::string::npos);
    EXPECT_EQ(cli({"backup", table, dir, "--kind", "everything"}).code, kUsage);
}

TEST_F(CliMaintenance, RestoreRefusedWhileAnotherOpenHoldsTheTable) {
    ASSERT_EQ(cli({"backup", table, stick.path().toStdString()}).code, kOk);
    auto other = vz::engine::Table::open(table, vz::engine::OpenMode::Shared);
    ASSERT_TRUE(other.isOk());
    const CliRun r = cli({"restore", table, stick.path().toStdString()});
    EXPECT_EQ(r.code, kFailed);
    EXPECT_NE(r.err.find("Unable to restore the database."), std::string::npos);
}

TEST_F(CliMaintenance, ConvertWithNothingToConvert) {
    const CliRun r = cli({"convert", table});
    EXPECT_EQ(r.code, kOk);
    EXPECT_NE(r.out.find("There is no database of an earlier version"), std::string::npos);
}

}  // namespace
