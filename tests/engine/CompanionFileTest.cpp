// The production-index flag and the names of a table's companion files.
#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

TEST(CompanionFile, TakesTheLetterCaseOfTheTableExtension) {
    EXPECT_EQ(mdxPathFor("MASTER.DBF"), "MASTER.MDX");
    EXPECT_EQ(mdxPathFor("mine.dbf"), "mine.mdx");
    EXPECT_EQ(mdxPathFor("/data/Stamps/Mine.Dbf"), "/data/Stamps/Mine.mdx");
    EXPECT_EQ(companionPath("/data/v1.2/MASTER.DBF", "DBT"), "/data/v1.2/MASTER.DBT");
    EXPECT_EQ(mdxPathFor("/data/NOEXT"), "/data/NOEXT.MDX");
}

TEST(CompanionFile, OnlyTheLastExtensionIsReplaced) {
    EXPECT_EQ(mdxPathFor("stamps.2024.dbf"), "stamps.2024.mdx");
    EXPECT_EQ(mdxPathFor("/data/MY.OLD.DBF"), "/data/MY.OLD.MDX");
}

// Creating a table drops its own stale index, and only its own.
TEST(CompanionFile, CreateRemovesOnlyItsOwnIndex) {
    TempFolder folder;
    const std::string ownIndex = folder.file("stamps.2024.mdx"), otherIndex = folder.file("stamps.mdx");
    writeBytes(ownIndex, "stale");
    writeBytes(otherIndex, "belongs to stamps.dbf");
    ASSERT_OK(Table::create(folder.file("stamps.2024.dbf"), {FieldDef::text("NAME", 5)}));
    EXPECT_FALSE(fileExists(ownIndex));
    EXPECT_EQ(readBytes(otherIndex), "belongs to stamps.dbf");
}

TEST(CompanionFile, RemoveMdxByteClearsOnlyByte28) {
    TempFolder folder;
    const std::string path = folder.file("T.DBF");
    ASSERT_OK(Table::create(path, {FieldDef::text("NAME", 5)}));
    std::string bytes = readBytes(path);
    bytes[DbfHeader::kMdxFlagOffset] = 1;
    writeBytes(path, bytes);
    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        EXPECT_EQ(t->header().mdxFlag, 1);
    }
    removeMdxByte(path);
    std::string after = readBytes(path);
    EXPECT_EQ(after[DbfHeader::kMdxFlagOffset], 0);
    after[DbfHeader::kMdxFlagOffset] = 1;
    EXPECT_EQ(after, bytes);
    removeMdxByte(folder.file("missing.dbf"));  // quietly nothing
    EXPECT_FALSE(fileExists(folder.file("missing.dbf")));
}

}  // namespace
