// Shared and exclusive opens, record locks and concurrent appends, within one process and
// between processes.
#include <set>

#include "TestSupport.h"
#include "engine/TableCheck.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

constexpr auto kShared = OpenMode::Shared;
constexpr auto kExclusive = OpenMode::Exclusive;

class Locking : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.file("locks.dbf");
        ASSERT_OK(Table::create(path, {FieldDef::whole("PROC"), FieldDef::whole("SEQ")}));
        OPEN_TABLE(t, path, kExclusive);
        for (int i = 1; i <= 3; ++i) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setWhole(1, i));
            ASSERT_OK(t->post());
        }
    }
    Status::Code openCode(OpenMode mode) const { return Table::open(path, mode).status().code(); }

    TempFolder folder;
    std::string path;
};

TEST_F(Locking, OpenModesWithinOneProcess) {
    {
        OPEN_TABLE(a, path, kShared);
        OPEN_TABLE(b, path, kShared);  // shared opens coexist
        EXPECT_EQ(openCode(kExclusive), Status::Code::Locked);
        b.reset();
        EXPECT_EQ(openCode(kExclusive), Status::Code::Locked);  // a still has it
        a.reset();
        EXPECT_EQ(openCode(kExclusive), Status::Code::Ok);
    }
    {
        OPEN_TABLE(a, path, kExclusive);
        EXPECT_EQ(openCode(kExclusive), Status::Code::Locked);
        EXPECT_EQ(openCode(kShared), Status::Code::Locked);
        Status recreate = Table::create(path, {FieldDef::text("OTHER", 5)});
        EXPECT_EQ(recreate.code(), Status::Code::Locked);
        EXPECT_NE(recreate.message().find(path), std::string::npos);
        EXPECT_EQ(a->recordCount(), 3u);
    }
    EXPECT_EQ(openCode(kExclusive), Status::Code::Ok);  // everything released on close
    OPEN_TABLE(t, path, kShared);
    EXPECT_EQ(t->fieldCount(), 2);  // the refused create left the table alone
    EXPECT_EQ(t->recordCount(), 3u);
}

TEST_F(Locking, RecordInEditIsLockedForOtherOpens) {
    OPEN_TABLE(a, path, kShared);
    OPEN_TABLE(b, path, kShared);
    ASSERT_OK(a->go(2));
    ASSERT_OK(a->edit());
    ASSERT_OK(b->go(2));
    EXPECT_EQ(b->edit().code(), Status::Code::Locked);
    EXPECT_EQ(b->deleteRecord().code(), Status::Code::Locked);
    EXPECT_EQ(b->state(), Table::State::Browse);
    ASSERT_OK(b->go(3));
    ASSERT_OK(b->edit());  // other records stay free
    b->cancel();

    ASSERT_OK(a->setWhole(1, 22));
    ASSERT_OK(a->post());  // releases the lock
    ASSERT_OK(b->go(2));
    ASSERT_OK(b->edit());
    EXPECT_EQ(b->text(1), "22");  // an edit starts from what the file holds now
    EXPECT_EQ(a->edit().code(), Status::Code::Locked);
    b->cancel();
    ASSERT_OK(a->edit());
}

TEST_F(Locking, OpenModesBetweenProcesses) {
    Signal ready, release;
    auto holdIn = [&](OpenMode mode, bool editRecord1) {
        return startChild([&, mode, editRecord1] {
            auto t = Table::open(path, mode);
            if (!t || (editRecord1 && !(*t)->edit())) {
                ready.send('F');
                return 1;
            }
            ready.send('R');
            release.wait();
            return 0;
        });
    };

    pid_t child = holdIn(kExclusive, false);
    ASSERT_EQ(ready.wait(), 'R');
    EXPECT_EQ(openCode(kShared), Status::Code::Locked);
    EXPECT_EQ(openCode(kExclusive), Status::Code::Locked);
    release.send();
    EXPECT_EQ(waitChild(child), 0);

    child = holdIn(kShared, true);
    ASSERT_EQ(ready.wait(), 'R');
    EXPECT_EQ(openCode(kExclusive), Status::Code::Locked);
    {
        OPEN_TABLE(t, path, kShared);
        EXPECT_EQ(t->edit().code(), Status::Code::Locked);  // the child edits record 1
        ASSERT_OK(t->go(2));
        EXPECT_OK(t->edit());
    }
    release.send();
    EXPECT_EQ(waitChild(child), 0);
    EXPECT_EQ(openCode(kExclusive), Status::Code::Ok);  // the child's locks died with it
}

// Each of two processes appends kPerProcess records at the same time as the other.
TEST_F(Locking, ConcurrentAppendsFromTwoProcessesAllLand) {
    constexpr int kPerProcess = 5000;
    Signal ready, go;
    auto appender = [&](int proc) {
        return startChild([&, proc] {
            auto t = Table::open(path, kShared);
            ready.send(t ? 'R' : 'F');
            if (!t) return 1;
            go.wait();
            for (int seq = 1; seq <= kPerProcess; ++seq) {
                Status s = (*t)->append();
                if (s) s = (*t)->setWhole(0, proc);
                if (s) s = (*t)->setWhole(1, seq);
                if (s) s = (*t)->post();
                if (!s) {
                    std::fprintf(stderr, "process %d, record %d: %s\n", proc, seq, s.message().c_str());
                    return 2;
                }
            }
            return 0;
        });
    };
    const pid_t one = appender(1), two = appender(2);
    ASSERT_EQ(ready.wait(), 'R');
    ASSERT_EQ(ready.wait(), 'R');
    go.send();
    go.send();
    EXPECT_EQ(waitChild(one), 0);
    EXPECT_EQ(waitChild(two), 0);

    Result<CheckReport> check = checkTable(path);
    ASSERT_OK(check);
    EXPECT_TRUE(check->sound()) << check->problems.front();
    OPEN_TABLE(t, path, kExclusive);
    ASSERT_EQ(t->recordCount(), 3u + 2 * kPerProcess);
    std::set<std::pair<int64_t, int64_t>> seen;
    int64_t lastSeq[3] = {0, 0, 0};
    for (uint32_t r = 4; r <= t->recordCount(); ++r) {
        ASSERT_OK(t->go(r));
        const int64_t proc = *t->wholeNumber(0), seq = *t->wholeNumber(1);
        ASSERT_TRUE(proc == 1 || proc == 2) << "record " << r;
        EXPECT_TRUE(seen.insert({proc, seq}).second) << "twice: " << proc << "/" << seq;
        EXPECT_EQ(seq, lastSeq[proc] + 1) << "record " << r;  // each process's records in its order
        lastSeq[proc] = seq;
    }
    EXPECT_EQ(seen.size(), size_t(2 * kPerProcess));
}

// Opening (and refreshing) a shared table while another process appends must always find a sound
// header, whatever moment the open reads it at.
TEST_F(Locking, SharedOpenDuringAppendsSeesASoundTable) {
    Signal started;
    const pid_t child = startChild([&] {
        auto t = Table::open(path, kShared);
        started.send(t ? 'R' : 'F');
        for (int seq = 1; t && seq <= 20000; ++seq) {
            Status s = (*t)->append();
            if (s) s = (*t)->setWhole(1, seq);
            if (s) s = (*t)->post();
            if (!s) return 2;
        }
        return t ? 0 : 1;
    });
    ASSERT_EQ(started.wait(), 'R');
    int opens = 0, status = 0;
    uint32_t lastCount = 0;
    pid_t done = 0;
    for (; (done = ::waitpid(child, &status, WNOHANG)) == 0; ++opens) {
        auto t = Table::open(path, kShared);
        ASSERT_TRUE(t) << "open " << opens << ": " << t.status().message();
        ASSERT_OK((*t)->refresh());
        EXPECT_GE((*t)->recordCount(), lastCount);
        lastCount = (*t)->recordCount();
    }
    ASSERT_EQ(done, child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    OPEN_TABLE(t, path, kExclusive);
    EXPECT_EQ(t->recordCount(), 20003u) << "after " << opens << " opens";
}

}  // namespace
