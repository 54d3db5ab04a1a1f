#include <gtest/gtest.h>
#include "data/Schema.h"
TEST(Schema, Placeholder) { EXPECT_EQ(vz::data::schema().size(), 25u); }
