// The production index under kills, failed writes, a second process, crafted damage and absurd
// tables: it is caught up, read consistently, checked truthfully, and never silently wrong.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "TestSupport.h"
#include "engine/Table.h"
#include "engine/TableCheck.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

// A long key gives few keys per node (9), so a few hundred records make a tree of several levels.
const std::vector<FieldDef> kFields = {FieldDef::text("NAME", 100), FieldDef::whole("N")};

uint32_t get32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
void put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(v >> (8 * i));
}
// The index file's first tag: its header page and root page.
uint32_t tagHeaderPage(const std::string& mdx) {
    return get32(mdx, 544);
}
uint32_t rootPage(const std::string& mdx) {
    return get32(mdx, size_t(tagHeaderPage(mdx)) * 512);
}

void appendRow(Table& t, const std::string& name, int64_t n) {
    ASSERT_OK(t.append());
    ASSERT_OK(t.setText(0, name));
    ASSERT_OK(t.setWhole(1, n));
    ASSERT_OK(t.post());
}

// A table of `rows` records with the tag NAMES on NAME, names in a scattered order.
void makeIndexed(const std::string& path, int rows) {
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    for (int i = 0; i < rows; ++i) appendRow(*t, "name " + std::to_string((i * 7919) % 10007), i);
    ASSERT_OK(t->addTag("NAMES", "NAME"));
}

std::vector<std::string> problemsOf(const std::string& path) {
    std::vector<std::string> problems;
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return {t.status().message()};
    Status s = (*t)->checkIndex(problems);
    if (!s) problems.push_back(s.message());
    return problems;
}

size_t orderedCount(Table& t, Status& status) {
    size_t n = 0;
    for (status = t.first(); status && !t.eof(); status = t.next()) ++n;
    return n;
}

// Appends records named at random until killed, writing each posted sequence number to `fd`.
int appendUntilKilled(const std::string& path, int fd, uint32_t seed) {
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return 1;
    std::mt19937 random(seed);
    for (int64_t seq = 1;; ++seq) {
        if (!(*t)->append() || !(*t)->setText(0, "key " + std::to_string(random() % 100000)) ||
            !(*t)->setWhole(1, seq) || !(*t)->post())
            return 2;
        if (::write(fd, &seq, sizeof seq) != sizeof seq) return 3;
    }
}

}  // namespace

TEST(IndexRobustness, AppendsKilledAtAnyMomentLeaveNoIndexBehind) {
    std::mt19937 random(17);
    int caughtUp = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempFolder dir;
        const std::string path = dir.file("KILLED.DBF");
        makeIndexed(path, 50);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = startChild([&] {
            ::close(fds[0]);
            return appendUntilKilled(path, fds[1], uint32_t(round));
        });
        ::close(fds[1]);
        const int64_t killAfter = std::uniform_int_distribution<int64_t>(20, 400)(random);
        int64_t seq = 0;
        while (seq < killAfter && ::read(fds[0], &seq, sizeof seq) == sizeof seq) {
        }
        ::kill(child, SIGKILL);
        ::close(fds[0]);
        EXPECT_EQ(waitChild(child), -1);

        // A shared opener brings the index up to date and finds every record in order.
        {
            std::string before = readBytes(dir.file("KILLED.MDX"));
            OPEN_TABLE(t, path, OpenMode::Shared);
            EXPECT_EQ(t->indexProblem(), "");
            ASSERT_OK(t->setOrder("NAMES"));
            Status s;
            EXPECT_EQ(orderedCount(*t, s), t->recordCount());
            EXPECT_OK(s);
            if (readBytes(dir.file("KILLED.MDX")) != before) ++caughtUp;
        }
        EXPECT_EQ(problemsOf(path), std::vector<std::string>{});
    }
    std::printf("[ figures  ] %d of 8 kills left the index behind; each was caught up at open\n",
                caughtUp);
}

TEST(IndexRobustness, AnAppendAfterAnotherProcessDiedMidAppendCatchesUpItsEntries) {
    TempFolder dir;
    const std::string path = dir.file("HOLE.DBF");
    const std::string mdx = dir.file("HOLE.MDX");
    makeIndexed(path, 100);
    OPEN_TABLE(longLived, path, OpenMode::Shared);
    // Another process appends a record and dies before its index entry.
    {
        const std::string index = readBytes(mdx);
        OPEN_TABLE(dying, path, OpenMode::Shared);
        appendRow(*dying, "aaa died", 100);
        dying.reset();
        writeBytes(mdx, index);
    }
    // The long-lived opener's append lands after it: the entry before its own is made good too.
    appendRow(*longLived, "zzz lived", 101);
    longLived.reset();
    EXPECT_EQ(problemsOf(path), std::vector<std::string>{});
    OPEN_TABLE(t, path, OpenMode::Shared);
    ASSERT_OK(t->setOrder("NAMES"));
    ASSERT_OK(t->first());
    EXPECT_EQ(t->recNo(), 101u);  // "aaa died"
}

TEST(IndexRobustness, ReadersNeverReportDamageWhileAnotherProcessAppends) {
    TempFolder dir;
    const std::string path = dir.file("BUSY.DBF");
    makeIndexed(path, 200);
    Signal started;
    const pid_t child = startChild([&] {
        auto t = Table::open(path, OpenMode::Shared);
        if (!t) return 1;
        started.send();
        std::mt19937 random(5);
        for (int i = 0; i < 1500; ++i) {
            if (!(*t)->append() || !(*t)->setText(0, "busy " + std::to_string(random() % 100000)) ||
                !(*t)->post())
                return 2;
        }
        return 0;
    });
    ASSERT_EQ(started.wait(), '.');
    int reads = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        int status = 0;
        const bool done = ::waitpid(child, &status, WNOHANG) == child;
        {
            OPEN_TABLE(t, path, OpenMode::Shared);
            ASSERT_EQ(t->indexProblem(), "");
            ASSERT_OK(t->setOrder("NAMES"));
            Status s;
            const size_t n = orderedCount(*t, s);
            ASSERT_OK(s);
            EXPECT_GE(n, 200u);
            std::vector<std::string> problems;
            ASSERT_OK(t->checkIndex(problems));
            ASSERT_EQ(problems, std::vector<std::string>{});
            ++reads;
        }
        if (done) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            break;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    }
    std::printf("[ figures  ] %d ordered walks and checks during 1,500 appends, none saw damage\n",
                reads);
}

TEST(IndexRobustness, AnIndexThatMayNotBeWrittenMakesTheTableRefuseChanges) {
    TempFolder dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const std::string path = dir.file("OTHERS.DBF");
    const std::string mdx = dir.file("OTHERS.MDX");
    const mode_t old = ::umask(022);
    makeIndexed(path, 30);
    ::umask(old);
    // A new index file takes the table's permissions.
    struct stat st {};
    ASSERT_EQ(::stat(mdx.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    // Another user may write the table but not its index.
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(mdx.c_str(), 0644), 0);
    const pid_t child = startChild([&] {
        if (::geteuid() == 0) {
            if (::setuid(65534) != 0) return 10;
        } else if (::chmod(mdx.c_str(), 0444) != 0) {
            return 11;
        }
        auto t = Table::open(path, OpenMode::Shared);
        if (!t) return 1;
        if ((*t)->readOnly()) return 2;
        if ((*t)->writeRefusal().find("OTHERS.MDX") == std::string::npos) return 3;
        if ((*t)->append().isOk()) return 4;
        if (!(*t)->setOrder("NAMES")) return 5;  // it still reads in order
        return 0;
    });
    EXPECT_EQ(waitChild(child), 0);
    Result<CheckReport> check = checkTable(path);
    ASSERT_OK(check);
    EXPECT_EQ(check->records, 30u);
}

TEST(IndexRobustness, AnIndexUpdateThatFailsFailsThePostAndStopsChanges) {
    TempFolder dir;
    const std::string path = dir.file("FULL.DBF");
    const std::string mdx = dir.file("FULL.MDX");
    makeIndexed(path, 40);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->addTag("BYNAME2", "UPPER(NAME)"));
        ASSERT_OK(t->addTag("BYNAME3", "UPPER(LEFT(NAME,90))"));
    }
    // The index may not grow (as on a full disk); the table, much smaller, may.
    const pid_t child = startChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct stat st {};
        if (::stat(mdx.c_str(), &st) != 0) return 10;
        const rlimit limit{rlim_t(st.st_size), rlim_t(st.st_size)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 11;
        auto t = Table::open(path, OpenMode::Shared);
        if (!t) return 1;
        for (int i = 0; i < 200; ++i) {
            if (!(*t)->append() || !(*t)->setText(0, "grow " + std::to_string(i))) return 2;
            Status s = (*t)->post();
            if (s) continue;
            if (s.message().find("index") == std::string::npos) return 3;
            if ((*t)->state() != Table::State::Browse || (*t)->recordCount() != uint32_t(41 + i))
                return 4;
            if ((*t)->writeRefusal().empty() || (*t)->append().isOk()) return 5;
            return 0;
        }
        return 6;  // every post succeeded: the index never grew?
    });
    ASSERT_EQ(waitChild(child), 0);
    // The record is stored; the next open makes its entries good.
    EXPECT_EQ(problemsOf(path), std::vector<std::string>{});
}

TEST(IndexRobustness, AFreeChainThroughALiveBlockIsFoundByCheckAndRefusedByWrites) {
    TempFolder dir;
    const std::string path = dir.file("CHAIN.DBF");
    const std::string mdx = dir.file("CHAIN.MDX");
    makeIndexed(path, 100);
    std::string bytes = readBytes(mdx);
    const uint32_t leaf =
        get32(bytes, size_t(rootPage(bytes)) * 512 + 8);  // the root's first child
    put32(bytes, 36, leaf);
    put32(bytes, 40, 1);
    writeBytes(mdx, bytes);

    // (The chain goes on from the live block's first bytes, its key count, which check reports
    // too.)
    std::vector<std::string> problems = problemsOf(path);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[1].find("page " + std::to_string(leaf) +
                               " is on the free chain but tag NAMES uses it"),
              std::string::npos)
        << problems[1];

    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        Status s;
        for (int i = 0; i < 40 && s; ++i) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setText(0, "name " + std::to_string(i)));
            s = t->post();
        }
        EXPECT_FALSE(s.isOk());
        EXPECT_NE(s.message().find("still uses"), std::string::npos) << s.message();
    }
    // The live block was not reused: once the chain is set right, every entry is there.
    bytes = readBytes(mdx);
    put32(bytes, 36, 0);
    put32(bytes, 40, 0);
    writeBytes(mdx, bytes);
    EXPECT_EQ(problemsOf(path), std::vector<std::string>{});

    // A chain that loops, and one that leaves the file.
    bytes = readBytes(mdx);
    const uint32_t extra = get32(bytes, 32);
    bytes.resize(bytes.size() + 1024, '\0');
    put32(bytes, 32, extra + 2);
    put32(bytes, size_t(extra) * 512, extra);
    put32(bytes, 36, extra);
    writeBytes(mdx, bytes);
    problems = problemsOf(path);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("a loop"), std::string::npos) << problems[0];
    put32(bytes, size_t(extra) * 512, 999999);
    writeBytes(mdx, bytes);
    problems = problemsOf(path);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("outside the file"), std::string::npos) << problems[0];
}

TEST(IndexRobustness, AChainOfOneChildNodesIsReportedNotFollowed) {
    for (const uint32_t chain : {40u, 20000u}) {
        SCOPED_TRACE(std::to_string(chain) + " nodes");
        TempFolder dir;
        const std::string path = dir.file("DEEP.DBF");
        const std::string mdx = dir.file("DEEP.MDX");
        makeIndexed(path, 0);
        std::string bytes = readBytes(mdx);
        uint32_t below = rootPage(bytes);
        uint32_t page = get32(bytes, 32);
        bytes.resize(size_t(page) * 512 + size_t(chain) * 1024, '\0');
        for (uint32_t i = 0; i < chain; ++i, page += 2) {
            put32(bytes, size_t(page) * 512 + 8, below);  // no keys, one child
            below = page;
        }
        put32(bytes, 32, page);
        put32(bytes, size_t(tagHeaderPage(bytes)) * 512, below);
        writeBytes(mdx, bytes);

        const std::vector<std::string> problems = problemsOf(path);
        ASSERT_FALSE(problems.empty());
        EXPECT_NE(problems[0].find("levels deep"), std::string::npos) << problems[0];
        OPEN_TABLE(t, path, OpenMode::Shared);
        const Status ordered = t->setOrder("NAMES");
        ASSERT_FALSE(ordered.isOk());
        EXPECT_NE(ordered.message().find("levels deep"), std::string::npos) << ordered.message();
    }
}

TEST(IndexRobustness, CheckCountsWhatItFoundAndNeverClaimsWhatItDidNotSee) {
    TempFolder dir;
    const std::string path = dir.file("KEYS.DBF");
    makeIndexed(path, 200);
    // Change 121 names behind the index's back, sparing the records an open samples.
    size_t first = 0, length = 0;
    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        first = size_t(t->header().dataOffset(1));
        length = t->header().recordLength;
    }
    std::string bytes = readBytes(path);
    int changed = 0;
    for (uint32_t r = 1; r <= 200 && changed < 121; ++r) {
        bool sampled = r == 200;
        for (uint32_t k = 1; k < 16; ++k) sampled = sampled || r == 200 * k / 16;
        if (sampled) continue;
        bytes[first + (r - 1) * length + 1] = 'X';
        ++changed;
    }
    ASSERT_EQ(changed, 121);
    writeBytes(path, bytes);

    const std::vector<std::string> problems = problemsOf(path);
    ASSERT_EQ(problems.size(), 51u);
    for (size_t i = 0; i < 50; ++i)
        EXPECT_NE(problems[i].find("does not match the record"), std::string::npos);
    EXPECT_NE(problems[50].find("71 more problems not listed"), std::string::npos) << problems[50];
}

TEST(IndexRobustness, ATableClaimingBillionsOfRecordsGivesClearErrorsAndStopsOnRequest) {
    TempFolder dir;
    const std::string path = dir.file("HUGE.DBF");
    ASSERT_OK(Table::create(path, {FieldDef::text("C", 1)}));
    const uint32_t claimed = 3000000000u;
    uint64_t dataStart = 0;
    {
        std::string bytes = readBytes(path);
        put32(bytes, 4, claimed);
        dataStart = uint64_t(uint8_t(bytes[8])) | uint64_t(uint8_t(bytes[9])) << 8;
        writeBytes(path, bytes.substr(0, size_t(dataStart)));
    }
    ASSERT_EQ(::truncate(path.c_str(), off_t(dataStart + uint64_t(claimed) * 2 + 1)), 0);  // sparse

    OPEN_TABLE(t, path, OpenMode::Exclusive);
    EXPECT_EQ(t->recordCount(), claimed);
    Status s = t->addTag("C", "C");
    ASSERT_FALSE(s.isOk());
    EXPECT_NE(s.message().find("MB of memory"), std::string::npos) << s.message();
    EXPECT_FALSE(std::filesystem::exists(dir.file("HUGE.MDX")));

    uint64_t told = 0;
    t->setProgress([&](uint64_t done, uint64_t total) {
        told = done;
        EXPECT_EQ(total, claimed);
        return done < 1000000;  // the user gives up after a second report
    });
    Result<uint32_t> live = t->countLive();
    ASSERT_FALSE(live.isOk());
    EXPECT_NE(live.status().message().find("stopped"), std::string::npos)
        << live.status().message();
    EXPECT_GE(told, 1000000u);
    EXPECT_LT(told, 2000000u);
}

// Edits that move keys from one end of the tree to the other empty leaves there, which merge with
// their siblings. A process stopped before any one of its index writes leaves a tree that check
// accepts, at worst without the entries of the record it was changing.
TEST(IndexRobustness, EditsStoppedBeforeAnyIndexWriteLeaveASoundTree) {
    TempFolder dir;
    const std::string path = dir.file("EDITED.DBF");
    const std::string mdx = dir.file("EDITED.MDX");
    makeIndexed(path, 200);
    const std::string table = readBytes(path), index = readBytes(mdx);
    constexpr int kDone = 7;
    int stops = 0;
    for (int style = 0; style < 2; ++style)
        for (int stopAt = 1;; ++stopAt) {
            SCOPED_TRACE("edits " + std::to_string(style) + ", stopped before index write " +
                         std::to_string(stopAt));
            writeBytes(path, table);
            writeBytes(mdx, index);
            const pid_t child = startChild([&] {
                auto t = Table::open(path, OpenMode::Shared);
                if (!t) return 1;
                if (!(*t)->setOrder("NAMES")) return 2;
                int writes = 0;
                MdxFile::writeHookForTesting = [&] {
                    if (++writes == stopAt) ::_exit(0);
                };
                // The lowest 16 names take the highest place, or places all over the tree (after an
                // entry, often the highest of its leaf), one edit each.
                for (int i = 0; i < 16; ++i) {
                    const std::string name =
                        style == 0 ? "zzz " + std::to_string(i)
                                   : "name " + std::to_string((i * 7919 + 1234) % 10007) + "z";
                    if (!(*t)->first() || !(*t)->edit() || !(*t)->setText(0, name) || !(*t)->post())
                        return 3;
                }
                return kDone;
            });
            const int code = waitChild(child);
            ASSERT_TRUE(code == 0 || code == kDone) << code;
            for (const std::string& p : problemsOf(path)) {
                const bool entryOfTheEditedRecord =
                    p.find("has no entry for") != std::string::npos ||
                    p.find("does not match the record") != std::string::npos;
                EXPECT_TRUE(entryOfTheEditedRecord) << p;
            }
            if (code == kDone) break;
            ++stops;
        }
    std::printf("[ figures  ] edits stopped before each of %d index writes, each checked\n", stops);
}

// A reader steps through a leaf it read under the lock without taking the lock again; a record
// another opener re-keys meanwhile must not be taken for damage nor shown at its old place.
TEST(IndexRobustness, AWalkStaysTrueWhenAnotherOpenerReKeysTheRecordsAhead) {
    TempFolder dir;
    const std::string path = dir.file("MOVED.DBF");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int i = 0; i < 40; ++i) appendRow(*t, "k" + std::to_string(100 + i), i);
        ASSERT_OK(t->addTag("NAMES", "NAME"));
    }
    OPEN_TABLE(reader, path, OpenMode::Shared);
    OPEN_TABLE(writer, path, OpenMode::Shared);
    ASSERT_OK(reader->setOrder("NAMES"));
    ASSERT_OK(reader->first());
    ASSERT_OK(reader->next());  // on k101; k102 and k103 stand next to it in its leaf
    for (uint32_t r : {3u, 4u}) {
        ASSERT_OK(writer->go(r));
        ASSERT_OK(writer->edit());
        ASSERT_OK(writer->setText(0, r == 3 ? "a moved first" : "z moved last"));
        ASSERT_OK(writer->post());
    }
    std::vector<std::string> seen;
    Status s;
    for (s = reader->next(); s && !reader->eof(); s = reader->next())
        seen.push_back(reader->text(0).substr(0, reader->text(0).find_last_not_of(' ') + 1));
    ASSERT_OK(s);
    EXPECT_EQ(reader->indexProblem(), "");
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << ::testing::PrintToString(seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "k102"), 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "k103"), 0);
    EXPECT_EQ(seen.back(), "z moved last");
}
