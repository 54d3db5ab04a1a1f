// The production index: tags kept true under appends, edits and deletes; ordered navigation;
// indexes that are missing, damaged or out of date; several writers at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "TestSupport.h"
#include "engine/Table.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

// A long key gives few keys per node (9), so a few hundred records make a deep tree.
const std::vector<FieldDef> kFields = {FieldDef::text("NAME", 100), FieldDef::whole("N"), FieldDef::floating("PRICE"),
                                       FieldDef::date("BOUGHT")};

void appendRow(Table& t, const std::string& name, int64_t n) {
    ASSERT_OK(t.append());
    ASSERT_OK(t.setText(0, name));
    ASSERT_OK(t.setWhole(1, n));
    ASSERT_OK(t.post());
}

// The record numbers in the table's current order.
std::vector<uint32_t> walk(Table& t) {
    std::vector<uint32_t> recs;
    EXPECT_OK(t.first());
    while (!t.eof()) {
        recs.push_back(t.recNo());
        EXPECT_OK(t.next());
    }
    return recs;
}

std::vector<std::string> problemsOf(Table& t) {
    std::vector<std::string> problems;
    EXPECT_OK(t.checkIndex(problems));
    return problems;
}

std::string trimmedText(Table& t, int f) {
    std::string s = t.text(f);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

TEST(Index, RandomAppendsEditsAndDeletesKeepTheTagTrue) {
    TempFolder dir;
    const std::string path = dir.file("STAMPS.DBF");
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->addTag("BYNAME", "UPPER(NAME)"));
    ASSERT_OK(t->setOrder("BYNAME"));

    std::mt19937 rng(7);
    std::map<uint32_t, std::string> live;  // the model: record -> upper-cased name
    const char* names[] = {"alpha", "Beta", "gamma", "delta", "Epsilon", "zeta", "eta", "theta"};
    for (int batch = 0; batch < 12; ++batch) {
        for (int op = 0; op < 150; ++op) {
            const int what = int(rng() % 10);
            if (what < 6 || live.empty()) {
                const std::string name = names[rng() % 8];
                appendRow(*t, name, op);
                std::string u = name;
                for (char& c : u) c = char(std::toupper(uint8_t(c)));
                live[t->recNo()] = u;
            } else {
                auto it = live.begin();
                std::advance(it, long(rng() % live.size()));
                ASSERT_OK(t->go(it->first));
                if (what < 8) {
                    // An edit that moves the record to another place in the order.
                    const std::string name = names[rng() % 8];
                    ASSERT_OK(t->edit());
                    ASSERT_OK(t->setText(0, name));
                    ASSERT_OK(t->post());
                    EXPECT_EQ(t->recNo(), it->first);  // stays on the posted record
                    std::string u = name;
                    for (char& c : u) c = char(std::toupper(uint8_t(c)));
                    it->second = u;
                } else {
                    ASSERT_OK(t->deleteRecord());
                    live.erase(it);
                }
            }
        }
        ASSERT_EQ(problemsOf(*t), std::vector<std::string>{}) << "after batch " << batch;
        std::vector<std::pair<std::string, uint32_t>> expected;
        for (const auto& [r, name] : live) expected.emplace_back(name, r);
        std::sort(expected.begin(), expected.end());
        std::vector<uint32_t> order;
        for (const auto& e : expected) order.push_back(e.second);
        ASSERT_EQ(walk(*t), order) << "after batch " << batch;
    }
    // Backwards gives the same order reversed.
    std::vector<uint32_t> back;
    ASSERT_OK(t->last());
    while (!t->bof()) {
        back.push_back(t->recNo());
        ASSERT_OK(t->prior());
    }
    std::vector<uint32_t> fwd = walk(*t);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, fwd);
}

TEST(Index, OrderedStepsSkipDeletedAndFilteredRecordsBothWaysAndTurnAtTheEnds) {
    TempFolder dir;
    const std::string path = dir.file("STEPS.DBF");
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    std::mt19937 rng(11);
    for (int i = 1; i <= 400; ++i) appendRow(*t, "name " + std::to_string(rng() % 50), i);
    ASSERT_OK(t->addTag("BYNAME", "NAME"));
    for (uint32_t r = 7; r <= 400; r += 7) {
        ASSERT_OK(t->go(r));
        ASSERT_OK(t->deleteRecord());
    }
    // The filter refuses every third record and the whole of the last name in the order, so
    // steps past the last acceptable record cross refused entries before finding none.
    t->setFilter([](const Table& tt) {
        const int64_t n = tt.wholeNumber(1).value();
        return n % 3 != 0 && trimmedText(const_cast<Table&>(tt), 0) != "name 9";
    });
    ASSERT_OK(t->setOrder("BYNAME"));

    std::vector<std::pair<std::string, uint32_t>> expected;
    for (uint32_t r = 1; r <= 400; ++r) {
        if (r % 7 == 0) continue;  // deleted
        ASSERT_OK(t->go(r));       // go() ignores the filter
        if (r % 3 != 0 && trimmedText(*t, 0) != "name 9") expected.emplace_back(t->text(0), r);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<uint32_t> order;
    for (const auto& e : expected) order.push_back(e.second);
    ASSERT_EQ(walk(*t), order);

    // At the end: next() stays on the last record, prior() steps back from it.
    ASSERT_TRUE(t->eof());
    EXPECT_EQ(t->recNo(), order.back());
    ASSERT_OK(t->next());
    EXPECT_EQ(t->recNo(), order.back());
    std::vector<uint32_t> back;
    while (!t->bof()) {
        back.push_back(t->recNo());
        ASSERT_OK(t->prior());
    }
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, order);
    // And forwards again from the first.
    EXPECT_EQ(t->recNo(), order.front());
    ASSERT_OK(t->next());
    EXPECT_EQ(t->recNo(), order[1]);

    // The viewer's one-pass collection gives the same records and leaves the current one alone,
    // in the index order and in entry order.
    std::vector<uint32_t> collected;
    const uint32_t here = t->recNo();
    ASSERT_OK(t->collectOrder(collected));
    EXPECT_EQ(collected, order);
    EXPECT_EQ(t->recNo(), here);
    ASSERT_OK(t->setOrder(""));
    collected.clear();
    ASSERT_OK(t->collectOrder(collected));
    std::vector<uint32_t> byNumber = order;
    std::sort(byNumber.begin(), byNumber.end());
    EXPECT_EQ(collected, byNumber);
}

TEST(Index, EditsShrinkTheTreeByMerging) {
    TempFolder dir;
    const std::string path = dir.file("SHRINK.DBF");
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    for (int i = 0; i < 400; ++i) appendRow(*t, "N" + std::to_string(1000 + i), i);
    ASSERT_OK(t->addTag("BYNAME", "NAME"));
    const uint64_t before = std::filesystem::file_size(t->indexPath());
    ASSERT_OK(t->setOrder("BYNAME"));
    // Move every record to one key and back: leaves empty out and merge.
    for (uint32_t r = 1; r <= 400; ++r) {
        ASSERT_OK(t->go(r));
        ASSERT_OK(t->edit());
        ASSERT_OK(t->setText(0, "SAME"));
        ASSERT_OK(t->post());
    }
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    std::vector<uint32_t> expected(400);
    for (uint32_t i = 0; i < 400; ++i) expected[i] = i + 1;
    EXPECT_EQ(walk(*t), expected);  // equal keys in record order
    for (uint32_t r = 400; r >= 1; --r) {
        ASSERT_OK(t->go(r));
        ASSERT_OK(t->edit());
        ASSERT_OK(t->setText(0, "N" + std::to_string(1000 + r - 1)));
        ASSERT_OK(t->post());
    }
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    EXPECT_EQ(walk(*t), expected);
    // Freed blocks are reused rather than the file growing without bound.
    EXPECT_LT(std::filesystem::file_size(t->indexPath()), before * 4);
}

TEST(Index, BulkBuiltAndInsertBuiltTreesGiveTheSameOrder) {
    // A key of few values (sorted by counting) and one of more than 4,096 (a stable sort).
    for (const int values : {50, 100000}) {
        TempFolder dir;
        std::mt19937 rng(11);
        std::vector<std::pair<std::string, int64_t>> rows;
        const int count = values == 50 ? 700 : 5000;
        for (int i = 0; i < count; ++i)
            rows.emplace_back("C" + std::to_string(rng() % values), int64_t(rng() % 30) - 15);
        const std::string expr = "UPPER(LEFT(NAME,20))+STR(N,12,0)";

        const std::string a = dir.file("BULK.DBF"), b = dir.file("INSERT.DBF");
        ASSERT_OK(Table::create(a, kFields));
        ASSERT_OK(Table::create(b, kFields));
        OPEN_TABLE(bulk, a, OpenMode::Exclusive);
        OPEN_TABLE(ins, b, OpenMode::Exclusive);
        ASSERT_OK(ins->addTag("NEWINDEX", expr));
        for (const auto& [name, n] : rows) {
            appendRow(*bulk, name, n);
            appendRow(*ins, name, n);
        }
        ASSERT_OK(bulk->addTag("NEWINDEX", expr));
        ASSERT_OK(bulk->setOrder("NEWINDEX"));
        ASSERT_OK(ins->setOrder("NEWINDEX"));
        EXPECT_EQ(problemsOf(*bulk), std::vector<std::string>{});
        EXPECT_EQ(problemsOf(*ins), std::vector<std::string>{});
        const std::vector<uint32_t> order = walk(*bulk);
        EXPECT_EQ(order.size(), rows.size());
        EXPECT_EQ(walk(*ins), order) << values << " values";
    }
}

TEST(Index, NumericAndDateTagsOrderByValue) {
    TempFolder dir;
    const std::string path = dir.file("VALUES.DBF");
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    const double prices[] = {12.5, -3.25, 0, 1000000.75, -0.5, 7, 12.5, 99.99};
    const char* dates[] = {"2001-05-06", "1999-12-31", "", "2024-02-29", "1840-05-01", "2001-05-05", "", "1970-01-01"};
    for (int i = 0; i < 8; ++i) {
        ASSERT_OK(t->append());
        ASSERT_OK(t->setFloat(2, prices[i]));
        ASSERT_OK(t->setText(3, dates[i]));
        ASSERT_OK(t->post());
    }
    ASSERT_OK(t->addTag("PRICE", "PRICE"));
    ASSERT_OK(t->addTag("BOUGHT", "BOUGHT"));
    ASSERT_OK(t->setOrder("PRICE"));
    std::vector<double> seen;
    for (uint32_t r : walk(*t)) {
        ASSERT_OK(t->go(r));
        seen.push_back(*t->number(2));
    }
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    ASSERT_OK(t->setOrder("BOUGHT"));
    std::vector<std::string> stored;
    for (uint32_t r : walk(*t)) {
        ASSERT_OK(t->go(r));
        stored.push_back(t->date(3)->toStored());
    }
    // Blank dates first, then by day.
    EXPECT_EQ(stored.front(), "        ");
    EXPECT_TRUE(std::is_sorted(stored.begin() + 2, stored.end())) << stored[2] << stored[3];
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    EXPECT_TRUE(t->field(2).indexTag);  // plain-field tags mark their field
}

TEST(Index, TagsAreAddedDroppedAndTheFileFlagKeptTrue) {
    TempFolder dir;
    const std::string path = dir.file("FLAGS.DBF");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        appendRow(*t, "x", 1);
        EXPECT_FALSE(std::filesystem::exists(t->indexPath()));
        ASSERT_OK(t->addTag("NewIndex", "UPPER(LEFT(NAME,80))"));
        EXPECT_EQ(readBytes(path)[28], 1);
        EXPECT_EQ(t->addTag("NEWINDEX", "NAME").code(), Status::Code::InvalidArgument);  // names ignore case
        Status bad = t->addTag("OTHER", "SOUNDEX(NAME)");
        EXPECT_FALSE(bad.isOk());
        EXPECT_NE(bad.message().find("SOUNDEX"), std::string::npos) << bad.message();
        EXPECT_FALSE(t->addTag("LONG", "NAME+NAME").isOk());  // 200 bytes is too long a key
        EXPECT_EQ(t->tagNames(), std::vector<std::string>{"NewIndex"});
        ASSERT_OK(t->deleteTag("newindex"));
        EXPECT_TRUE(t->tagNames().empty());
        ASSERT_OK(t->addTag("NewIndex", "NAME"));
    }
    OPEN_TABLE(shared, path, OpenMode::Shared);
    EXPECT_EQ(shared->tagNames(), std::vector<std::string>{"NewIndex"});
    EXPECT_EQ(shared->addTag("X", "NAME").code(), Status::Code::InvalidArgument);  // needs exclusive use
}

TEST(Index, AMissingIndexIsNotUsedAndRebuiltByTheNextExclusiveOpen) {
    TempFolder dir;
    const std::string path = dir.file("GONE.DBF");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int i = 0; i < 50; ++i) appendRow(*t, "r" + std::to_string(i % 7), i);
        ASSERT_OK(t->addTag("NEWINDEX", "NAME"));
    }
    std::filesystem::remove(dir.file("GONE.MDX"));
    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        EXPECT_NE(t->indexProblem().find("missing"), std::string::npos) << t->indexProblem();
        EXPECT_FALSE(t->setOrder("NEWINDEX").isOk());
        EXPECT_EQ(walk(*t).size(), 50u);  // the data is all there, in entry order
    }
    removeMdxByte(path);
    EXPECT_EQ(readBytes(path)[28], 0);
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    EXPECT_TRUE(t->indexProblem().empty());
    ASSERT_OK(t->addTag("NEWINDEX", "NAME"));
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
}

TEST(Index, AStaleOrDamagedIndexIsDetectedAndRegenerated) {
    TempFolder dir;
    const std::string path = dir.file("STALE.DBF");
    const std::string mdx = dir.file("STALE.MDX");
    ASSERT_OK(Table::create(path, kFields));
    std::string oldIndex;
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int i = 0; i < 300; ++i) appendRow(*t, "k" + std::to_string(i % 13), i);
        ASSERT_OK(t->addTag("NEWINDEX", "UPPER(NAME)"));
        oldIndex = readBytes(mdx);
        for (int i = 0; i < 20; ++i) appendRow(*t, "late" + std::to_string(i), i);
    }
    // As if another program had appended records without updating the index: the missing entries
    // are the last records', and any open makes them good.
    writeBytes(mdx, oldIndex);
    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        EXPECT_TRUE(t->indexProblem().empty()) << t->indexProblem();
        ASSERT_OK(t->setOrder("NEWINDEX"));
        EXPECT_EQ(walk(*t).size(), 320u);
        EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    }
    // As if another program had changed the last record without updating the index: that is no
    // missing tail, and the index is out of date.
    {
        size_t last = 0;
        {
            OPEN_TABLE(t, path, OpenMode::Shared);
            last = size_t(t->header().dataOffset(320));
        }
        std::string bytes = readBytes(path);
        ASSERT_EQ(bytes[last + 1], 'l');
        bytes[last + 1] = 'X';
        writeBytes(path, bytes);
        OPEN_TABLE(t, path, OpenMode::Shared);
        EXPECT_NE(t->indexProblem().find("out of date"), std::string::npos) << t->indexProblem();
        EXPECT_FALSE(t->setOrder("NEWINDEX").isOk());
    }
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        EXPECT_TRUE(t->indexProblem().empty()) << t->indexProblem();
        EXPECT_EQ(t->tagNames(), std::vector<std::string>{"NEWINDEX"});
        EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    }
    // Garbage over the root page: opening notices, nothing crashes, the exclusive open rebuilds.
    {
        std::string bytes = readBytes(mdx);
        std::mt19937 rng(3);
        for (size_t i = 2048; i < bytes.size(); ++i) bytes[i] = char(rng());
        writeBytes(mdx, bytes);
        OPEN_TABLE(t, path, OpenMode::Shared);
        EXPECT_FALSE(t->indexProblem().empty());
        EXPECT_EQ(walk(*t).size(), 320u);
    }
    // A header that is not an index at all.
    writeBytes(mdx, std::string(3000, 'x'));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    EXPECT_TRUE(t->indexProblem().empty()) << t->indexProblem();
    ASSERT_OK(t->addTag("NEWINDEX", "NAME"));
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
}

// A record another program changed without the index is one rule wherever the record lies:
// opening finds it when it is among the records it samples (the last one included), and every pass
// through the order finds it otherwise; both say the index is out of date, list nothing in the
// wrong place, and leave the table in entry order.
TEST(Index, ARecordChangedWithoutTheIndexMakesItOutOfDateWhereverItLies) {
    for (const uint32_t damaged :
         {300u, 151u}) {  // the last record; one that opening does not sample
        SCOPED_TRACE(damaged);
        TempFolder dir;
        const std::string path = dir.file("CHANGED.DBF");
        ASSERT_OK(Table::create(path, kFields));
        size_t at = 0;
        {
            OPEN_TABLE(t, path, OpenMode::Exclusive);
            for (int i = 0; i < 300; ++i)
                appendRow(*t, "k" + std::to_string(1000 + (i * 37) % 300), i);
            ASSERT_OK(t->addTag("NEWINDEX", "UPPER(NAME)"));
            at = size_t(t->header().dataOffset(damaged)) + 1;
        }
        std::string bytes = readBytes(path);
        ASSERT_EQ(bytes[at], 'k');
        bytes[at] = 'a';  // sorts before every other key
        writeBytes(path, bytes);
        const std::string expected =
            "has no entry for record " + std::to_string(damaged) + "; the index is out of date.";

        // Listing the whole order (dump --order, the browse list, reports).
        {
            OPEN_TABLE(t, path, OpenMode::Shared);
            std::vector<uint32_t> rows;
            Status s = t->setOrder("NEWINDEX");
            if (s) s = t->collectOrder(rows);
            EXPECT_EQ(s.code(), Status::Code::Corruption);
            EXPECT_NE(s.message().find(expected), std::string::npos) << s.message();
            EXPECT_EQ(t->activeTag(), "");
            EXPECT_NE(t->indexProblem().find(expected), std::string::npos) << t->indexProblem();
            rows.clear();
            ASSERT_OK(t->collectOrder(rows));
            EXPECT_EQ(rows.size(), 300u);
            EXPECT_EQ(problemsOf(*t).size(), 1u);
        }
        // Stepping through the order: the step that reaches the record stops there.
        {
            OPEN_TABLE(t, path, OpenMode::Shared);
            Status s = t->setOrder("NEWINDEX");
            std::vector<uint32_t> seen;
            while (s && !t->eof()) {
                seen.push_back(t->recNo());
                s = t->next();
            }
            EXPECT_EQ(s.code(), Status::Code::Corruption);
            EXPECT_NE(s.message().find(expected), std::string::npos) << s.message();
            EXPECT_EQ(std::count(seen.begin(), seen.end(), damaged), 0);
            EXPECT_EQ(walk(*t).size(), 300u);  // entry order
        }
        // Checking reports it too; rebuilding makes it good.
        {
            OPEN_TABLE(t, path, OpenMode::Exclusive);
            std::vector<std::string> problems = problemsOf(*t);
            if (damaged == 300u) {
                EXPECT_EQ(problems, std::vector<std::string>{});  // found at open and rebuilt there
            } else {
                ASSERT_EQ(problems.size(), 1u);
                EXPECT_NE(problems[0].find("out of date"), std::string::npos) << problems[0];
            }
            ASSERT_OK(t->regenerateIndexes());
            EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
            ASSERT_OK(t->setOrder("NEWINDEX"));
            std::vector<uint32_t> rows;
            ASSERT_OK(t->collectOrder(rows));
            ASSERT_EQ(rows.size(), 300u);
            EXPECT_EQ(rows.front(), damaged);
        }
    }
}

// Records appended by a process killed before their entries are no stale index: a pass through
// the order leaves them out until the next open brings the index up to date.
TEST(Index, AListingLeavesOutTheTailOfAKilledAppend) {
    TempFolder dir;
    const std::string path = dir.file("TAIL.DBF");
    const std::string mdx = dir.file("TAIL.MDX");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int i = 0; i < 50; ++i) appendRow(*t, "k" + std::to_string(i), i);
        ASSERT_OK(t->addTag("NEWINDEX", "NAME"));
    }
    OPEN_TABLE(reader, path, OpenMode::Shared);
    ASSERT_OK(reader->setOrder("NEWINDEX"));
    const std::string before = readBytes(mdx);
    {
        OPEN_TABLE(writer, path, OpenMode::Shared);
        for (int i = 0; i < 3; ++i) appendRow(*writer, "late" + std::to_string(i), i);
    }
    writeBytes(mdx, before);  // as if the appender died after its records
    ASSERT_OK(reader->refresh());
    std::vector<uint32_t> rows;
    ASSERT_OK(reader->collectOrder(rows));
    EXPECT_EQ(rows.size(), 50u);
    EXPECT_EQ(reader->activeTag(), "NEWINDEX");
    OPEN_TABLE(again, path, OpenMode::Shared);
    ASSERT_OK(again->setOrder("NEWINDEX"));
    rows.clear();
    ASSERT_OK(again->collectOrder(rows));
    EXPECT_EQ(rows.size(), 53u);
}

TEST(Index, ATagWeCannotEvaluateIsKeptButTheTableRefusesChanges) {
    TempFolder dir;
    const std::string path = dir.file("FOREIGN.DBF");
    const std::string mdx = dir.file("FOREIGN.MDX");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        appendRow(*t, "a", 1);
        ASSERT_OK(t->addTag("ODD", "NAME"));
    }
    // Rewrite the tag's expression as one from another program's vocabulary.
    std::string bytes = readBytes(mdx);
    const uint32_t headerPage = uint32_t(uint8_t(bytes[544])) | (uint32_t(uint8_t(bytes[545])) << 8);
    const std::string foreign = "SOUNDEX(NAME)";
    std::memcpy(&bytes[headerPage * 512 + 24], foreign.c_str(), foreign.size() + 1);
    writeBytes(mdx, bytes);

    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_EQ(t->tagNames(), std::vector<std::string>{"ODD"});
    EXPECT_NE(t->writeRefusal().find("ODD"), std::string::npos);
    Status refused = t->append();
    EXPECT_EQ(refused.code(), Status::Code::NotSupported);
    EXPECT_NE(refused.message().find("SOUNDEX(NAME)"), std::string::npos) << refused.message();
    EXPECT_FALSE(t->edit().isOk());
    EXPECT_EQ(trimmedText(*t, 0), "a");  // reading still works
}

TEST(Index, TwoProcessesAppendToOneIndexedTable) {
    TempFolder dir;
    const std::string path = dir.file("SHARED.DBF");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->addTag("NEWINDEX", "UPPER(LEFT(NAME,30))+STR(N,12,0)"));
    }
    constexpr int kEach = 1500;
    auto writer = [&](char id) {
        return [&, id]() -> int {
            auto t = Table::open(path, OpenMode::Shared);
            if (!t) return 2;
            for (int i = 0; i < kEach; ++i) {
                if (!(*t)->append() || !(*t)->setText(0, std::string(1, id) + std::to_string(i % 37)) ||
                    !(*t)->setWhole(1, i) || !(*t)->post())
                    return 3;
            }
            return (*t)->indexProblem().empty() ? 0 : 4;
        };
    };
    const pid_t a = startChild(writer('A'));
    const pid_t b = startChild(writer('B'));
    EXPECT_EQ(waitChild(a), 0);
    EXPECT_EQ(waitChild(b), 0);
    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_TRUE(t->indexProblem().empty()) << t->indexProblem();
    EXPECT_EQ(t->recordCount(), uint32_t(2 * kEach));
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    ASSERT_OK(t->setOrder("NEWINDEX"));
    EXPECT_EQ(walk(*t).size(), size_t(2 * kEach));
}

TEST(Index, PackRebuildsTheIndex) {
    TempFolder dir;
    const std::string path = dir.file("PACKED.DBF");
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    for (int i = 0; i < 100; ++i) appendRow(*t, "p" + std::to_string(99 - i), i);
    ASSERT_OK(t->addTag("NEWINDEX", "NAME"));
    for (uint32_t r = 1; r <= 100; r += 3) {
        ASSERT_OK(t->go(r));
        ASSERT_OK(t->deleteRecord());
    }
    ASSERT_OK(t->setOrder("NEWINDEX"));
    ASSERT_OK(t->pack());
    EXPECT_EQ(t->recordCount(), 66u);
    EXPECT_EQ(t->activeTag(), "NEWINDEX");
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    EXPECT_EQ(walk(*t).size(), 66u);
}

// The Debian package libdbd-xbase-perl reads dBase IV index files with its index_dump tool.
TEST(IndexInterop, IndexDumpListsOurTagAndKeysInOrder) {
    if (!std::filesystem::exists("/usr/bin/index_dump")) GTEST_SKIP() << "index_dump (libdbd-xbase-perl) is not installed";
    TempFolder dir;
    const std::string path = dir.file("PERL.DBF");
    ASSERT_OK(Table::create(path, kFields));
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    std::mt19937 rng(5);
    for (int i = 0; i < 500; ++i) appendRow(*t, "c" + std::to_string(rng() % 40), i);
    ASSERT_OK(t->addTag("NewIndex", "UPPER(LEFT(NAME,20))"));
    for (int i = 0; i < 200; ++i) appendRow(*t, "c" + std::to_string(rng() % 40), i);  // inserted, with splits
    ASSERT_OK(t->setOrder("NewIndex"));
    const std::vector<uint32_t> ours = walk(*t);

    auto run = [](const std::string& cmd) {
        std::string out;
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[4096];
        size_t n;
        while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (p) ::pclose(p);
        return out;
    };
    const std::string mdx = dir.file("PERL.MDX");
    EXPECT_EQ(run("index_dump " + mdx + " 2>&1"), "NewIndex\n");
    const std::string dump = run("index_dump " + mdx + " NewIndex 2>&1");
    std::vector<uint32_t> theirs;
    size_t at = 0;
    while (at < dump.size()) {
        const size_t end = dump.find('\n', at);
        const std::string line = dump.substr(at, end - at);
        at = end == std::string::npos ? dump.size() : end + 1;
        const size_t space = line.find_last_of(' ');
        if (space != std::string::npos) theirs.push_back(uint32_t(std::stoul(line.substr(space + 1))));
    }
    EXPECT_EQ(theirs, ours) << dump.substr(0, 400);
}
