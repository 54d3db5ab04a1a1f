#include "data/Schema.h"

#include <cctype>

namespace vz::data {
namespace {

using T = FieldTypeCode;

constexpr std::array<SchemaField, kFieldCount> kSchema = {{
    {1, "Catalog", T::Text, 12, 'C', "Alpha Catalog"},
    {2, "Descriptio", T::Text, 110, 'C', "Description"},
    {3, "Country", T::Text, 20, 'C', "Country"},
    {4, "FaceValue", T::Text, 20, 'C', "Face"},
    {5, "MarketValu", T::Decimal, 12, 'N', "Market Value"},
    {6, "Quantity", T::Whole, 5, 'N', "Quantity"},
    {7, "Year", T::Whole, 4, 'N', "Year"},
    {8, "Comments", T::Text, 110, 'C', "Comments"},
    {9, "Condition", T::Text, 9, 'C', "Condition"},
    {10, "Group", T::Text, 20, 'C', "Group"},
    {11, "StampType", T::Text, 16, 'C', "Stamp Type"},
    {12, "Cancellati", T::Text, 13, 'C', "Cancellation"},
    {13, "Topic", T::Text, 20, 'C', "Topic"},
    {14, "Date", T::Date, 10, 'D', "Date"},
    {15, "Cost", T::Decimal, 12, 'N', "Purchase Price"},
    {16, "Gum", T::Text, 8, 'C', "Gum"},
    {17, "Color", T::Text, 16, 'C', "Color"},
    {18, "Faults", T::Text, 90, 'C', "Faults"},
    {19, "Hinged", T::Text, 7, 'C', "Hinged"},
    {20, "Miscellane", T::Text, 110, 'C', "Miscellaneous"},
    {21, "CatalogI", T::Whole, 12, 'N', "Numeric Catalog"},
    {22, "UserDef1", T::Text, 40, 'C', "User Defined 1"},
    {23, "UserDef2", T::Text, 40, 'C', "User Defined 2"},
    {24, "UserDef3", T::Text, 40, 'C', "User Defined 3"},
    {25, "Wanted", T::Text, 3, 'C', "Wanted"},
}};

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

}  // namespace

const std::array<SchemaField, kFieldCount>& schema() { return kSchema; }

const SchemaField& schemaField(int number) { return kSchema.at(size_t(number - 1)); }

std::vector<engine::FieldDef> collectionFieldDefs() {
    std::vector<engine::FieldDef> defs;
    for (const SchemaField& f : kSchema) {
        std::string name(f.storedName);
        switch (f.type) {
            case T::Text: defs.push_back(engine::FieldDef::text(name, f.width)); break;
            case T::Whole: defs.push_back(engine::FieldDef::whole(name)); break;
            case T::Decimal: defs.push_back(engine::FieldDef::floating(name)); break;
            case T::Date: defs.push_back(engine::FieldDef::date(name)); break;
        }
    }
    return defs;
}

bool hasCollectionFieldNames(const std::vector<std::string>& names) {
    if (names.size() != kSchema.size()) return false;
    for (size_t i = 0; i < names.size(); ++i)
        if (upper(names[i]) != upper(kSchema[i].storedName)) return false;
    return true;
}

}  // namespace vz::data
