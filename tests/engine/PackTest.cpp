// pack(): deleted records go, the rest stay in order, and a failed pack leaves the table as it was.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

class Pack : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.file("pack.dbf");
        ASSERT_OK(Table::create(path, {FieldDef::whole("SEQ"), FieldDef::text("NOTE", 40)}));
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int i = 1; i <= 30; ++i) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setWhole(0, i));
            ASSERT_OK(t->setText(1, "note " + std::to_string(i)));
            ASSERT_OK(t->post());
        }
        for (int i = 1; i <= 30; i += 3) {  // deletes 1, 4, 7, ... 28
            ASSERT_OK(t->go(uint32_t(i)));
            ASSERT_OK(t->deleteRecord());
        }
    }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.path())) names.push_back(e.path().filename());
        return names;
    }

    TempFolder folder;
    std::string path;
};

TEST_F(Pack, DropsDeletedRecordsAndKeepsTheRestInOrder) {
    const auto sizeBefore = std::filesystem::file_size(path);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->pack());
        EXPECT_EQ(t->recordCount(), 20u);
        EXPECT_EQ(t->recNo(), 1u);
        EXPECT_EQ(*t->wholeNumber(0), 2);
        // The packed table stays usable and exclusive.
        EXPECT_EQ(Table::open(path, OpenMode::Shared).status().code(), Status::Code::Locked);
        ASSERT_OK(t->append());
        ASSERT_OK(t->setWhole(0, 31));
        ASSERT_OK(t->post());
    }
    const DbfHeader h = *DbfHeader::parse(readBytes(path), std::filesystem::file_size(path), path);
    EXPECT_EQ(std::filesystem::file_size(path), h.headerLength + 21u * h.recordLength + 1);
    EXPECT_LT(std::filesystem::file_size(path), sizeBefore);
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    std::vector<int64_t> seqs;
    for (Status s = t->first(); s && !t->eof(); s = t->next()) {
        seqs.push_back(*t->wholeNumber(0));
        const std::string note = seqs.back() == 31 ? "" : "note " + std::to_string(seqs.back());
        EXPECT_EQ(t->text(1), note + std::string(40 - note.size(), ' '));
    }
    std::vector<int64_t> expected;
    for (int i = 1; i <= 30; ++i)
        if (i % 3 != 1) expected.push_back(i);
    expected.push_back(31);
    EXPECT_EQ(seqs, expected);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"pack.dbf"});  // no temporary left behind
}

TEST_F(Pack, RefusedOnASharedTable) {
    const std::string before = readBytes(path);
    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_FALSE(t->pack());
    EXPECT_EQ(t->recordCount(), 30u);
    EXPECT_EQ(readBytes(path), before);
}

// A pack whose new file cannot be written fails and leaves the table as it was, in the file and in
// the open table. The file-size limit stops writes for every user, root included.
TEST_F(Pack, FailedWriteLeavesTheOriginalUntouched) {
    const std::string before = readBytes(path);
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 500;  // past the header, short of the records
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Status s = t->pack();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(s.code(), Status::Code::IOError) << s.message();
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"pack.dbf"});
    EXPECT_EQ(t->recordCount(), 30u);
    EXPECT_EQ(*t->countLive(), 20u);
    ASSERT_OK(t->go(30));
    EXPECT_EQ(*t->wholeNumber(0), 30);
    ASSERT_OK(t->pack());  // and works once it can
    EXPECT_EQ(t->recordCount(), 20u);
}

TEST_F(Pack, UnwritableFolderLeavesTheOriginalUntouched) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const std::string before = readBytes(path);
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0500), 0);
    Status s = t->pack();
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_EQ(s.code(), Status::Code::IOError);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(t->recordCount(), 30u);
}

}  // namespace
