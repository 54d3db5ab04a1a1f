// The index commands replace the index only with a complete new one, and write through links.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "CliCommands.h"
#include "CliRun.h"
#include "DelimitedText.h"
#include "engine/Table.h"

using namespace vz::cli;
using namespace vz::cli::test;

namespace {

std::string row(const std::string& catalog, const std::string& country) {
    std::vector<std::string> v(25);
    v[0] = catalog;
    v[2] = country;
    v[24] = "Yes";
    std::string line;
    for (size_t i = 0; i < v.size(); ++i) line += std::string(i ? "," : "") + vz::cli::quoted(v[i]);
    return line + "\n";
}

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class IndexCommands : public ::testing::Test {
protected:
    void SetUp() override {
        path = file("COLL.DBF");
        ASSERT_EQ(cli({"create", path}).code, kOk);
        ASSERT_EQ(cli({"append", path}, row("A1", "peru") + row("B2", "Chile") + row("C3", "angola")).code, kOk);
    }
    std::string file(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
    // The catalogue numbers in the order of NewIndex.
    std::string ordered(const std::string& table) const {
        CliRun dump = cli({"dump", table, "--order", "NewIndex"});
        std::string cats;
        for (size_t at = 0; dump.code == kOk && at < dump.out.size(); at = dump.out.find('\n', at) + 1)
            cats += dump.out.substr(at + 1, 2) + " ";
        return dump.code == kOk ? cats : "failed: " + dump.err;
    }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir;
    std::string path;
};

}  // namespace

TEST_F(IndexCommands, AFailedIndexKeepsTheOldTagAndOrder) {
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    ASSERT_EQ(ordered(path), "C3 B2 A1 ");
    CliRun typo = cli({"index", path, "Upper(Left(Countyr,80))"});
    EXPECT_EQ(typo.code, kFailed);
    CliRun tooLong = cli({"index", path, "Country+Country+Country+Country+Country+Country"});
    EXPECT_EQ(tooLong.code, kFailed);
    EXPECT_NE(tooLong.err.find("100"), std::string::npos) << tooLong.err;
    EXPECT_EQ(ordered(path), "C3 B2 A1 ");
    EXPECT_EQ(cli({"check", path}).code, kOk);
    EXPECT_EQ(cli({"reindex", path}).code, kOk);
    EXPECT_EQ(ordered(path), "C3 B2 A1 ");
}

// An index in the other letter case is replaced, not left beside a second one.
TEST_F(IndexCommands, IndexReplacesTheTagOfAnIndexInTheOtherLetterCase) {
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    ASSERT_TRUE(QFile::rename(QString::fromStdString(file("COLL.MDX")), QString::fromStdString(file("COLL.mdx"))));
    CliRun again = cli({"index", path, "Upper(Left(Catalog,80))"});
    ASSERT_EQ(again.code, kOk) << again.err;
    EXPECT_EQ(ordered(path), "A1 B2 C3 ");
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.MDX"}, QDir::Files | QDir::Hidden) == QStringList{"COLL.mdx"});
    EXPECT_EQ(cli({"check", path}).code, kOk);
}

// A tag another program wrote with a function we lack refuses the pack before anything changes.
TEST_F(IndexCommands, PackWithATagItCannotRebuildChangesNothing) {
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    {
        auto t = vz::engine::Table::open(path, vz::engine::OpenMode::Exclusive);
        ASSERT_TRUE(t);
        ASSERT_TRUE((*t)->addTag("BYDATE", "UPPER(COUNTRY)+DTOS(DATE)"));
        ASSERT_TRUE((*t)->go(2));
        ASSERT_TRUE((*t)->deleteRecord());
    }
    // Rewrite the second tag's expression as the other program stored it.
    std::string mdx = bytesOf(file("COLL.MDX"));
    const char* slot = mdx.data() + 544 + 32;
    const uint32_t headerPage = uint32_t(uint8_t(slot[0])) | (uint32_t(uint8_t(slot[1])) << 8);
    const std::string foreign = "UPPER(COUNTRY)+DTOC(DATE)";
    std::memcpy(&mdx[headerPage * 512 + 24], foreign.c_str(), foreign.size() + 1);
    std::ofstream(file("COLL.MDX"), std::ios::binary | std::ios::trunc) << mdx;

    const std::string table = bytesOf(path);
    CliRun pack = cli({"pack", path});
    EXPECT_EQ(pack.code, kFailed);
    EXPECT_NE(pack.err.find("DTOC(DATE)"), std::string::npos) << pack.err;
    EXPECT_TRUE(bytesOf(path) == table);
    EXPECT_TRUE(bytesOf(file("COLL.MDX")) == mdx);
    EXPECT_EQ(ordered(path), "C3 A1 ");
}

// Pack and reindex through a link write the table the link names; the link stays a link.
TEST_F(IndexCommands, PackAndReindexThroughALinkKeepTheLink) {
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    {
        auto t = vz::engine::Table::open(path, vz::engine::OpenMode::Exclusive);
        ASSERT_TRUE(t);
        ASSERT_TRUE((*t)->go(1));
        ASSERT_TRUE((*t)->deleteRecord());
    }
    QDir(dir.path()).mkdir("links");
    const std::string link = file("links/COLL.DBF");
    std::filesystem::create_symlink(path, link);
    std::filesystem::create_symlink(file("COLL.MDX"), file("links/COLL.MDX"));
    ASSERT_EQ(cli({"pack", link}).code, kOk);
    ASSERT_EQ(cli({"reindex", link}).code, kOk);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(file("links/COLL.MDX")));
    EXPECT_NE(cli({"info", path}).out.find("2 (2 live, 0 deleted)"), std::string::npos);
    EXPECT_EQ(ordered(path), "C3 B2 ");
    EXPECT_EQ(cli({"check", path}).code, kOk);
}

// Reindex of a table without a production index says so and creates none.
TEST_F(IndexCommands, ReindexWithoutAnIndexChangesNothing) {
    const std::string before = bytesOf(path);
    CliRun r = cli({"reindex", path});
    EXPECT_EQ(r.code, kOk);
    EXPECT_NE(r.out.find("no production index"), std::string::npos) << r.out;
    EXPECT_TRUE(bytesOf(path) == before);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file("COLL.MDX"))));
}

// What a killed pack left beside the table goes at the next exclusive open.
TEST_F(IndexCommands, TemporaryFilesOfAKilledPackAreRemoved) {
    ASSERT_EQ(cli({"index", path, "Upper(Left(Country,80))"}).code, kOk);
    for (const char* name : {".COLL.DBF.pack-Ab12Cd", ".COLL.MDX.new-Ef34Gh"})
        std::ofstream(file(name)) << "left by a killed pack";
    EXPECT_EQ(cli({"check", path}).code, kOk);  // a shared open leaves them
    EXPECT_EQ(entries().size(), 4u);
    ASSERT_EQ(cli({"reindex", path}).code, kOk);
    EXPECT_EQ(entries(), (QStringList{"COLL.DBF", "COLL.MDX"}));
}
