#include <gtest/gtest.h>

#include <set>

#include "data/Schema.h"

using namespace vz::data;

namespace {

std::vector<std::string> storedNames() {
    std::vector<std::string> names;
    for (const SchemaField& f : schema()) names.emplace_back(f.storedName);
    return names;
}

}  // namespace

TEST(Schema, RowsAreNumberedInOrderWithDistinctDbaseNames) {
    std::set<std::string> seen;
    for (int n = 1; n <= kFieldCount; ++n) {
        const SchemaField& f = schemaField(n);
        EXPECT_EQ(f.number, n);
        EXPECT_LE(f.storedName.size(), 10u) << f.storedName;
        EXPECT_TRUE(seen.insert(std::string(f.storedName)).second) << f.storedName;
        const char expected = f.type == FieldTypeCode::Text ? 'C' : f.type == FieldTypeCode::Date ? 'D' : 'N';
        EXPECT_EQ(f.letter, expected) << f.storedName;
    }
    EXPECT_EQ(schemaField(3).storedName, "Country");
    EXPECT_EQ(schemaField(15).caption, "Purchase Price");
    EXPECT_EQ(schemaField(25).width, 3);
}

TEST(Schema, NewTablesUseTheEngineFieldKinds) {
    const auto defs = collectionFieldDefs();
    ASSERT_EQ(defs.size(), 25u);
    for (size_t i = 0; i < defs.size(); ++i) {
        const SchemaField& f = schema()[i];
        switch (f.type) {
            case FieldTypeCode::Text:
                EXPECT_EQ(defs[i].type, vz::engine::FieldType::Character);
                EXPECT_EQ(defs[i].width, f.width);
                break;
            case FieldTypeCode::Whole:
                EXPECT_EQ(defs[i].width, 11);
                EXPECT_EQ(defs[i].decimals, 0);
                break;
            case FieldTypeCode::Decimal:
                EXPECT_EQ(defs[i].width, 20);
                EXPECT_EQ(defs[i].decimals, 4);
                break;
            case FieldTypeCode::Date: EXPECT_EQ(defs[i].type, vz::engine::FieldType::Date); break;
        }
    }
}

TEST(Schema, FieldNameCheckIgnoresCaseButNotOrderOrCount) {
    std::vector<std::string> names = storedNames();
    EXPECT_TRUE(hasCollectionFieldNames(names));

    std::vector<std::string> upper = names;
    for (auto& n : upper)
        for (char& c : n) c = char(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(hasCollectionFieldNames(upper));

    std::vector<std::string> swapped = names;
    std::swap(swapped[0], swapped[1]);
    EXPECT_FALSE(hasCollectionFieldNames(swapped));

    std::vector<std::string> extra = names;
    extra.push_back("EXTRA");
    EXPECT_FALSE(hasCollectionFieldNames(extra));

    names.pop_back();
    EXPECT_FALSE(hasCollectionFieldNames(names));
}
