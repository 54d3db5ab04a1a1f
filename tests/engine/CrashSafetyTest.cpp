// A process killed while appending leaves a sound table holding every record whose post returned.
#include <signal.h>

#include <random>

#include "TestSupport.h"
#include "engine/TableCheck.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

// The child appends records 1, 2, 3, ... and reports each number on `out` once post() returned.
int appendForever(const std::string& path, OpenMode mode, int out) {
    auto t = Table::open(path, mode);
    if (!t) return 1;
    for (int64_t seq = 1;; ++seq) {
        Status s = (*t)->append();
        if (s) s = (*t)->setWhole(0, seq);
        if (s) s = (*t)->setText(1, "record " + std::to_string(seq));
        if (s) s = (*t)->post();
        if (!s) return 2;
        if (::write(out, &seq, sizeof seq) != sizeof seq) return 3;
    }
}

// The same in batches of `batch` records, reporting the last record of each written batch.
int appendInBatches(const std::string& path, OpenMode mode, uint32_t batch, int out) {
    auto t = Table::open(path, mode);
    if (!t) return 1;
    (*t)->setAppendBatch(batch);
    for (int64_t seq = 1;; ++seq) {
        Status s = (*t)->append();
        if (s) s = (*t)->setWhole(0, seq);
        if (s) s = (*t)->setText(1, "record " + std::to_string(seq));
        if (s) s = (*t)->post();
        if (!s) return 2;
        if ((*t)->pendingAppends() == 0 && ::write(out, &seq, sizeof seq) != sizeof seq) return 3;
    }
}

}  // namespace

namespace vz::engine {
void PrintTo(OpenMode m, std::ostream* os) { *os << (m == OpenMode::Shared ? "shared" : "exclusive"); }
}  // namespace vz::engine

namespace {

class CrashSafety : public ::testing::TestWithParam<OpenMode> {};

TEST_P(CrashSafety, KilledAppenderLosesNoPostedRecord) {
    std::mt19937 random(20240229);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempFolder folder;
        const std::string path = folder.file("crash.dbf");
        ASSERT_OK(Table::create(path, {FieldDef::whole("SEQ"), FieldDef::text("NOTE", 30)}));
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = startChild([&] {
            ::close(fds[0]);
            return appendForever(path, GetParam(), fds[1]);
        });
        ::close(fds[1]);

        // Let it run for a random number of posts, then kill it wherever it is.
        const int64_t killAfter = std::uniform_int_distribution<int64_t>(1, 3000)(random);
        int64_t seq = 0, lastPosted = 0;
        while (lastPosted < killAfter && ::read(fds[0], &seq, sizeof seq) == sizeof seq) lastPosted = seq;
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 300)(random));
        ::kill(child, SIGKILL);
        while (::read(fds[0], &seq, sizeof seq) == sizeof seq) lastPosted = seq;  // reported before it died
        ::close(fds[0]);
        EXPECT_EQ(waitChild(child), -1);
        ASSERT_GE(lastPosted, killAfter);

        Result<CheckReport> check = checkTable(path);
        ASSERT_OK(check);
        EXPECT_TRUE(check->sound()) << check->problems.front();
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_GE(t->recordCount(), uint32_t(lastPosted));
        int64_t expected = 1;
        for (Status s = t->first(); s && !t->eof(); s = t->next(), ++expected) {
            ASSERT_EQ(*t->wholeNumber(0), expected);
            ASSERT_EQ(t->text(1).substr(0, 7 + std::to_string(expected).size()), "record " + std::to_string(expected));
        }
        EXPECT_EQ(expected - 1, int64_t(t->recordCount()));
        // And the table takes new records after the crash.
        ASSERT_OK(t->append());
        ASSERT_OK(t->setWhole(0, expected));
        ASSERT_OK(t->post());
        t.reset();
        check = checkTable(path);
        ASSERT_OK(check);
        EXPECT_TRUE(check->sound());
        EXPECT_EQ(check->records, uint32_t(expected));
    }
}

// Batched appends into an indexed table: a kill at any moment leaves a table that opens with a
// whole prefix of the records, every written batch among them, and an index that checks clean.
TEST_P(CrashSafety, KilledBatchAppenderLeavesAWholePrefix) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempFolder folder;
        const std::string path = folder.file("batch.dbf");
        ASSERT_OK(Table::create(path, {FieldDef::whole("SEQ"), FieldDef::text("NOTE", 30)}));
        {
            OPEN_TABLE(t, path, OpenMode::Exclusive);
            ASSERT_OK(t->addTag("NOTES", "UPPER(NOTE)"));
        }
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const uint32_t batch = std::uniform_int_distribution<uint32_t>(2, 300)(random);
        const pid_t child = startChild([&] {
            ::close(fds[0]);
            return appendInBatches(path, GetParam(), batch, fds[1]);
        });
        ::close(fds[1]);
        const int64_t killAfter = std::uniform_int_distribution<int64_t>(1, 4000)(random);
        int64_t seq = 0, lastWritten = 0;
        while (lastWritten < killAfter && ::read(fds[0], &seq, sizeof seq) == sizeof seq)
            lastWritten = seq;
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(random));
        ::kill(child, SIGKILL);
        while (::read(fds[0], &seq, sizeof seq) == sizeof seq) lastWritten = seq;
        ::close(fds[0]);
        EXPECT_EQ(waitChild(child), -1);

        Result<CheckReport> check = checkTable(path);
        ASSERT_OK(check);
        EXPECT_TRUE(check->sound()) << check->problems.front();
        OPEN_TABLE(t, path, GetParam());
        ASSERT_GE(t->recordCount(), uint32_t(lastWritten));
        std::vector<std::string> problems;
        ASSERT_OK(t->checkIndex(problems));
        EXPECT_TRUE(problems.empty()) << problems.front();
        int64_t expected = 1;
        for (Status s = t->first(); s && !t->eof(); s = t->next(), ++expected)
            ASSERT_EQ(*t->wholeNumber(0), expected);
        EXPECT_EQ(expected - 1, int64_t(t->recordCount()));
    }
}

// Kept records reach the file before the table moves, and when it closes.
TEST(AppendBatch, KeptRecordsAreWrittenBeforeNavigationAndAtClose) {
    TempFolder folder;
    const std::string path = folder.file("kept.dbf");
    ASSERT_OK(Table::create(path, {FieldDef::whole("SEQ")}));
    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        t->setAppendBatch(10);
        for (int i = 1; i <= 3; ++i) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setWhole(0, i));
            ASSERT_OK(t->post());
        }
        EXPECT_EQ(t->pendingAppends(), 3u);
        EXPECT_EQ(t->recordCount(), 0u);
        ASSERT_OK(t->first());
        EXPECT_EQ(t->recordCount(), 3u);
        EXPECT_EQ(*t->wholeNumber(0), 1);
        ASSERT_OK(t->append());
        ASSERT_OK(t->setWhole(0, 4));
        ASSERT_OK(t->post());
    }
    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_EQ(t->recordCount(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Modes, CrashSafety, ::testing::Values(OpenMode::Shared, OpenMode::Exclusive),
                         [](const auto& info) {
                             return std::string(info.param == OpenMode::Shared ? "Shared" : "Exclusive");
                         });

}  // namespace
