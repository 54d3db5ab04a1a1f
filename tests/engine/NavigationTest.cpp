// Moving through a table: order, bof/eof, deleted records, the record filter and refresh().
#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.file("nav.dbf");
        ASSERT_OK(Table::create(path, {FieldDef::whole("SEQ")}));
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int i = 1; i <= 10; ++i) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setWhole(0, i));
            ASSERT_OK(t->post());
        }
    }
    static int seq(const Table& t) { return int(*t.wholeNumber(0)); }
    // SEQ of every record in view, walking forwards from first() or backwards from last().
    static std::vector<int> forwards(Table& t) {
        std::vector<int> out;
        Status s = t.first();
        for (; s && !t.eof(); s = t.next()) out.push_back(seq(t));
        EXPECT_OK(s);
        return out;
    }
    static std::vector<int> backwards(Table& t) {
        std::vector<int> out;
        Status s = t.last();
        for (; s && !t.bof(); s = t.prior()) out.push_back(seq(t));
        EXPECT_OK(s);
        return out;
    }

    TempFolder folder;
    std::string path;
};

using Seqs = std::vector<int>;

TEST_F(Navigation, WalksBothWaysWithBofAndEof) {
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    EXPECT_EQ(forwards(*t), (Seqs{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(backwards(*t), (Seqs{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));

    ASSERT_OK(t->first());
    EXPECT_TRUE(t->bof());
    EXPECT_FALSE(t->eof());
    ASSERT_OK(t->prior());  // at the first record: stays, bof
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->recNo(), 1u);
    ASSERT_OK(t->last());
    EXPECT_EQ(t->recNo(), 10u);
    ASSERT_OK(t->next());  // at the last record: stays, eof
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(seq(*t), 10);
    ASSERT_OK(t->prior());
    EXPECT_FALSE(t->eof());
    EXPECT_EQ(seq(*t), 9);

    ASSERT_OK(t->go(4));
    EXPECT_EQ(seq(*t), 4);
    EXPECT_EQ(t->go(0).code(), Status::Code::NotFound);
    EXPECT_EQ(t->go(11).code(), Status::Code::NotFound);
    EXPECT_EQ(t->recNo(), 4u);
}

TEST_F(Navigation, EmptyTableIsBofAndEof) {
    const std::string empty = folder.file("empty.dbf");
    ASSERT_OK(Table::create(empty, {FieldDef::whole("SEQ")}));
    OPEN_TABLE(t, empty, OpenMode::Exclusive);
    for (auto move : {&Table::first, &Table::last, &Table::next, &Table::prior}) {
        ASSERT_OK(((*t).*move)());
        EXPECT_TRUE(t->bof());
        EXPECT_TRUE(t->eof());
        EXPECT_FALSE(t->hasRecord());
    }
    EXPECT_EQ(*t->countLive(), 0u);
    EXPECT_FALSE(t->edit());
    EXPECT_FALSE(t->deleteRecord());
}

TEST_F(Navigation, DeletedRecordsVanishAtOnce) {
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->go(5));
    ASSERT_OK(t->deleteRecord());
    EXPECT_EQ(seq(*t), 6);  // the next record takes its place
    EXPECT_FALSE(t->eof());
    ASSERT_OK(t->go(10));
    ASSERT_OK(t->deleteRecord());
    EXPECT_EQ(seq(*t), 9);  // at the end, the prior one
    EXPECT_TRUE(t->eof());
    ASSERT_OK(t->go(1));
    ASSERT_OK(t->deleteRecord());
    EXPECT_EQ(seq(*t), 2);

    EXPECT_EQ(forwards(*t), (Seqs{2, 3, 4, 6, 7, 8, 9}));
    EXPECT_EQ(backwards(*t), (Seqs{9, 8, 7, 6, 4, 3, 2}));
    EXPECT_EQ(t->recordCount(), 10u);
    EXPECT_EQ(*t->countLive(), 7u);
    EXPECT_EQ(t->go(5).code(), Status::Code::NotFound);

    // Deleting the record being edited drops the edit.
    ASSERT_OK(t->go(3));
    ASSERT_OK(t->edit());
    ASSERT_OK(t->setWhole(0, 333));
    ASSERT_OK(t->deleteRecord());
    EXPECT_EQ(t->state(), Table::State::Browse);
    EXPECT_EQ(seq(*t), 4);

    // Deleting everything leaves an empty view.
    ASSERT_OK(t->first());
    while (t->hasRecord()) ASSERT_OK(t->deleteRecord());
    EXPECT_TRUE(t->bof());
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(*t->countLive(), 0u);

    // The marks are in the file.
    t.reset();
    OPEN_TABLE(again, path, OpenMode::Shared);
    EXPECT_FALSE(again->hasRecord());
    EXPECT_EQ(again->recordCount(), 10u);
}

TEST_F(Navigation, FilterSkipsRefusedRecords) {
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    t->setFilter([](const Table& r) { return *r.wholeNumber(0) % 2 == 0; });
    EXPECT_EQ(forwards(*t), (Seqs{2, 4, 6, 8, 10}));
    EXPECT_EQ(backwards(*t), (Seqs{10, 8, 6, 4, 2}));
    ASSERT_OK(t->go(3));  // go() ignores the filter
    EXPECT_EQ(seq(*t), 3);
    ASSERT_OK(t->next());
    EXPECT_EQ(seq(*t), 4);

    ASSERT_OK(t->go(4));
    ASSERT_OK(t->deleteRecord());
    EXPECT_EQ(seq(*t), 6);  // the next record the filter admits

    t->setFilter([](const Table&) { return false; });
    ASSERT_OK(t->first());
    EXPECT_FALSE(t->hasRecord());
    t->setFilter(nullptr);
    EXPECT_EQ(forwards(*t).size(), 9u);
}

TEST_F(Navigation, RefreshShowsWhatAnotherOpenAppendedAndDeleted) {
    OPEN_TABLE(writer, path, OpenMode::Shared);
    OPEN_TABLE(reader, path, OpenMode::Shared);
    for (int i = 11; i <= 13; ++i) {
        ASSERT_OK(writer->append());
        ASSERT_OK(writer->setWhole(0, i));
        ASSERT_OK(writer->post());
    }
    EXPECT_EQ(writer->recordCount(), 13u);
    EXPECT_EQ(reader->recordCount(), 10u);
    ASSERT_OK(reader->go(2));
    ASSERT_OK(reader->refresh());
    EXPECT_EQ(reader->recordCount(), 13u);
    EXPECT_EQ(forwards(*reader).back(), 13);

    // The reader's current record deleted by the writer gives way to the next one.
    ASSERT_OK(reader->go(2));
    ASSERT_OK(writer->go(2));
    ASSERT_OK(writer->deleteRecord());
    ASSERT_OK(reader->refresh());
    EXPECT_EQ(reader->recNo(), 3u);
    // An edit of a record deleted meanwhile is refused.
    ASSERT_OK(writer->go(5));
    ASSERT_OK(reader->go(5));
    ASSERT_OK(writer->deleteRecord());
    EXPECT_EQ(reader->edit().code(), Status::Code::NotFound);
}

TEST_F(Navigation, ReadsStayCorrectAcrossTheReadAheadWindow) {
    // Enough records that walking crosses several read-ahead windows in both directions.
    const std::string big = folder.file("big.dbf");
    ASSERT_OK(Table::create(big, {FieldDef::whole("SEQ"), FieldDef::text("PAD", 200)}));
    OPEN_TABLE(t, big, OpenMode::Exclusive);
    const int n = 4000;
    for (int i = 1; i <= n; ++i) {
        ASSERT_OK(t->append());
        ASSERT_OK(t->setWhole(0, i));
        ASSERT_OK(t->post());
    }
    ASSERT_OK(t->go(2000));
    ASSERT_OK(t->edit());
    ASSERT_OK(t->setText(1, "changed"));
    ASSERT_OK(t->post());
    std::vector<int> f = forwards(*t), b = backwards(*t);
    ASSERT_EQ(f.size(), size_t(n));
    ASSERT_EQ(b.size(), size_t(n));
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(f[size_t(i)], i + 1);
        ASSERT_EQ(b[size_t(i)], n - i);
    }
    ASSERT_OK(t->go(2000));
    EXPECT_EQ(t->text(1).substr(0, 7), "changed");
}

}  // namespace
