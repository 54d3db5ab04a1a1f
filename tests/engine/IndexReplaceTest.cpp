// Replacing the production index: a tag replaced, a pack's table and index swapped together, a
// crash at any step of the swap, links, and temporary files left by killed processes.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>

#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

const std::vector<FieldDef> kFields = {FieldDef::whole("SEQ"), FieldDef::text("NAME", 60)};

// 40 records named in reverse order of SEQ; every third one deleted; ordered by NAME.
void fill(const std::string& path) {
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    for (int i = 1; i <= 40; ++i) {
        ASSERT_OK(t->append());
        ASSERT_OK(t->setWhole(0, i));
        ASSERT_OK(t->setText(1, "n" + std::to_string(100 - i)));
        ASSERT_OK(t->post());
    }
    for (uint32_t r = 1; r <= 40; r += 3) {
        ASSERT_OK(t->go(r));
        ASSERT_OK(t->deleteRecord());
    }
    ASSERT_OK(t->addTag("NEWINDEX", "NAME"));
}

// The SEQ of every live record in the order of NEWINDEX.
std::vector<int64_t> ordered(Table& t) {
    std::vector<int64_t> seqs;
    EXPECT_OK(t.setOrder("NEWINDEX"));
    for (Status s = t.first(); s && !t.eof(); s = t.next()) seqs.push_back(*t.wholeNumber(0));
    return seqs;
}

std::vector<std::string> problemsOf(Table& t) {
    std::vector<std::string> problems;
    EXPECT_OK(t.checkIndex(problems));
    return problems;
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Writes a foreign key expression into the header of tag 1 of an index file.
void setForeignExpression(const std::string& mdx, const std::string& expression) {
    std::string bytes = readBytes(mdx);
    const uint32_t headerPage =
        uint32_t(uint8_t(bytes[544])) | (uint32_t(uint8_t(bytes[545])) << 8);
    std::memcpy(&bytes[headerPage * 512 + 24], expression.c_str(), expression.size() + 1);
    writeBytes(mdx, bytes);
}

// The live SEQs in NAME order: 40 records, every third deleted, names descending with SEQ.
std::vector<int64_t> expectedOrder() {
    std::vector<int64_t> seqs;
    for (int i = 40; i >= 1; --i)
        if ((i - 1) % 3 != 0) seqs.push_back(i);
    return seqs;
}

}  // namespace

// A replacement that fails for any reason leaves the old tag and its order in use.
TEST(ReplaceTag, AFailedReplacementKeepsTheOldTag) {
    TempFolder dir;
    const std::string path = dir.file("R.DBF");
    fill(path);
    const std::string mdx = dir.file("R.MDX");
    const std::string before = readBytes(mdx);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        EXPECT_FALSE(t->replaceTag("NEWINDEX", "UPPER(NOSUCHFIELD)"));
        EXPECT_FALSE(t->replaceTag("NEWINDEX", "NAME+NAME"));  // a key of 120 bytes
        // A full disk while the new index is written.
        rlimit old{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 3000;  // the header and a little more
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        Status full = t->replaceTag("NEWINDEX", "STR(SEQ,12,0)");
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(full.code(), Status::Code::IOError) << full.message();
        EXPECT_EQ(t->tagExpression("NEWINDEX"), "NAME");
        EXPECT_EQ(ordered(*t), expectedOrder());
    }
    EXPECT_TRUE(readBytes(mdx) == before);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"R.DBF", "R.MDX"}));

    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->replaceTag("NewIndex", "STR(SEQ,12,0)"));
    EXPECT_EQ(t->tagNames(), std::vector<std::string>{"NewIndex"});
    std::vector<int64_t> bySeq = expectedOrder();
    std::reverse(bySeq.begin(), bySeq.end());
    EXPECT_EQ(ordered(*t), bySeq);
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
}

// A tag whose key expression we cannot evaluate cannot be rebuilt: the pack is refused before the
// table changes, and so is a replacement that would have to rebuild it.
TEST(PackSwap, ATagThatCannotBeRebuiltRefusesThePackAndChangesNothing) {
    TempFolder dir;
    const std::string path = dir.file("F.DBF");
    fill(path);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->addTag("OTHER", "STR(SEQ,12,0)"));
    }
    setForeignExpression(dir.file("F.MDX"), "UPPER(NAME)+DTOC(SOMEDAY)");
    const std::string table = readBytes(path), index = readBytes(dir.file("F.MDX"));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    Status s = t->pack();
    EXPECT_EQ(s.code(), Status::Code::NotSupported) << s.message();
    EXPECT_NE(s.message().find("DTOC(SOMEDAY)"), std::string::npos) << s.message();
    EXPECT_FALSE(t->replaceTag("OTHER", "NAME"));
    EXPECT_EQ(t->recordCount(), 40u);
    EXPECT_TRUE(readBytes(path) == table);
    EXPECT_TRUE(readBytes(dir.file("F.MDX")) == index);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"F.DBF", "F.MDX"}));
}

// A pack stopped after each step of its swap leaves the old pair or the new pair; the next open
// (shared or exclusive) finishes or undoes the swap, the index checks clean and no record is lost.
class PackSwapCrash : public ::testing::TestWithParam<std::tuple<int, OpenMode>> {};

TEST_P(PackSwapCrash, LeavesTheOldPairOrTheNewPair) {
    const int step = std::get<0>(GetParam());
    const OpenMode mode = std::get<1>(GetParam());
    TempFolder dir;
    const std::string path = dir.file("C.DBF");
    fill(path);
    const pid_t child = startChild([&] {
        Table::packStepHookForTesting = [step](int n) {
            if (n == step) ::_exit(7);
        };
        auto t = Table::open(path, OpenMode::Exclusive);
        if (!t || !(*t)->pack()) return 1;
        return 0;
    });
    ASSERT_EQ(waitChild(child), 7);
    {
        OPEN_TABLE(t, path, mode);
        // Before the index is staged the old pair stands; from then on the new one.
        EXPECT_EQ(t->recordCount(), step < 3 ? 40u : 26u);
        EXPECT_TRUE(t->indexProblem().empty()) << t->indexProblem();
        EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
        EXPECT_EQ(ordered(*t), expectedOrder());
    }
    // The swap's files are gone; the killed packer's temporaries go at the next exclusive open.
    ASSERT_OK(Table::open(path, OpenMode::Exclusive));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"C.DBF", "C.MDX"}));
}

INSTANTIATE_TEST_SUITE_P(Steps, PackSwapCrash,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4, 5),
                                            ::testing::Values(OpenMode::Shared,
                                                              OpenMode::Exclusive)));

// Temporary files of a killed process go at the next exclusive open; those a live process holds
// stay, and a shared open leaves them all.
TEST(StaleTemporaries, AnExclusiveOpenRemovesOnlyThoseOfDeadProcesses) {
    TempFolder dir;
    const std::string path = dir.file("S.DBF");
    fill(path);
    for (const char* name :
         {".S.DBF.pack-abc123", ".S.MDX.new-x1y2z3", ".S.mdx.new-QWERTY", ".S.DBF.new-000000"})
        writeBytes(dir.file(name), "left by a killed process");
    writeBytes(dir.file(".S.DBF.pack-notours"), "not of our making");  // the wrong length
    writeBytes(dir.file("S.DBF.pack-abc123"), "no leading dot");
    Result<File> live = File::createTemporary(dir.path(), ".S.DBF.pack-");
    ASSERT_OK(live);
    const std::string liveName = nameOf(live->path());
    ASSERT_OK(Table::open(path, OpenMode::Shared));
    EXPECT_EQ(entries(dir.path()).size(), 9u);
    ASSERT_OK(Table::open(path, OpenMode::Exclusive));
    std::vector<std::string> expected = {".S.DBF.pack-notours", "S.DBF", "S.DBF.pack-abc123",
                                         "S.MDX", liveName};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries(dir.path()), expected);
}

// Pack, reindex and create through a link write the file the link names; the link stays.
TEST(Links, PackReindexAndCreateKeepTheLink) {
    TempFolder dir;
    std::filesystem::create_directory(dir.file("real"));
    const std::string real = dir.file("real/L.DBF");
    fill(real);
    const std::string link = dir.file("L.DBF");
    std::filesystem::create_symlink(real, link);
    std::filesystem::create_symlink(dir.file("real/L.MDX"), dir.file("L.MDX"));
    {
        OPEN_TABLE(t, link, OpenMode::Exclusive);
        ASSERT_OK(t->pack());
        ASSERT_OK(t->regenerateIndexes());
        ASSERT_OK(t->replaceTag("NEWINDEX", "NAME"));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("L.MDX")));
    {
        OPEN_TABLE(t, real, OpenMode::Exclusive);
        EXPECT_EQ(t->recordCount(), 26u);
        EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
        EXPECT_EQ(ordered(*t), expectedOrder());
    }
    ASSERT_OK(Table::create(link, kFields));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    OPEN_TABLE(t, real, OpenMode::Shared);
    EXPECT_EQ(t->recordCount(), 0u);
}

// Rebuilding the index of a table that has none does nothing.
TEST(ReplaceTag, RegeneratingWithoutAnIndexChangesNothing) {
    TempFolder dir;
    const std::string path = dir.file("N.DBF");
    ASSERT_OK(Table::create(path, kFields));
    const std::string before = readBytes(path);
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    EXPECT_EQ(t->regenerateIndexes().code(), Status::Code::NotFound);
    EXPECT_TRUE(readBytes(path) == before);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"N.DBF"});
}

// An index whose name is in the other letter case is the one replaced; no second file appears.
TEST(ReplaceTag, AnIndexInTheOtherLetterCaseIsReplacedInPlace) {
    TempFolder dir;
    const std::string path = dir.file("OC.DBF");
    fill(path);
    std::filesystem::rename(dir.file("OC.MDX"), dir.file("OC.mdx"));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->replaceTag("NewIndex", "STR(SEQ,12,0)"));
    ASSERT_OK(t->pack());
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"OC.DBF", "OC.mdx"}));
    EXPECT_EQ(t->tagExpression("NewIndex"), "STR(SEQ,12,0)");
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
}
