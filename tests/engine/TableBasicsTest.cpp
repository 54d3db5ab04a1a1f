#include <gtest/gtest.h>

#include "engine/Table.h"

using namespace vz::engine;

TEST(TableSmoke, CreateAppendRead) {
    std::string path = ::testing::TempDir() + "smoke.dbf";
    ASSERT_TRUE(Table::create(path, {FieldDef::text("NAME", 10), FieldDef::whole("N"), FieldDef::floating("F"),
                                     FieldDef::date("D")}));
    auto t = Table::open(path, OpenMode::Exclusive);
    ASSERT_TRUE(t) << t.status().message();
    ASSERT_TRUE((*t)->append());
    ASSERT_TRUE((*t)->setText(0, "héllo"));
    ASSERT_TRUE((*t)->setText(1, "42"));
    ASSERT_TRUE((*t)->setText(2, "2.50"));
    ASSERT_TRUE((*t)->setText(3, "2024-02-29"));
    ASSERT_TRUE((*t)->post());
    EXPECT_EQ((*t)->text(0), "héllo     ");
    EXPECT_EQ((*t)->text(1), "42");
    EXPECT_EQ((*t)->text(2), "2.5");
    EXPECT_EQ((*t)->text(3), "2024-02-29");
}
