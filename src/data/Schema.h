// The schema table: the 25 fields every collection table has, in field-number order.
//
// Every other part of the program addresses a field by its number (1 to 25) in this table.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Field.h"

namespace vz::data {

enum class FieldTypeCode { Text = 1, Whole = 2, Decimal = 3, Date = 4 };

struct SchemaField {
    int number;                 // 1 to 25
    std::string_view storedName;
    FieldTypeCode type;
    int width;                  // stored width of text fields; input and display width of the others
    char letter;                // dBase type letter: C, N or D
    std::string_view caption;   // default caption
};

inline constexpr int kFieldCount = 25;

// The schema rows, index 0 holding field number 1.
const std::array<SchemaField, kFieldCount>& schema();
// Field number 1 to 25.
const SchemaField& schemaField(int number);

// The field definitions a new collection table is created with: text fields at their width,
// whole numbers N(11,0), decimal numbers N(20,4), dates D(8).
std::vector<engine::FieldDef> collectionFieldDefs();

// True when `names` are the 25 stored names in order, compared upper-cased. Nothing else
// identifies a collection table: types, widths and versions are not looked at.
bool hasCollectionFieldNames(const std::vector<std::string>& names);

}  // namespace vz::data
