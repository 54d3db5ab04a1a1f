// Field: one column of a dBase table, as its descriptor in the header gives it.
#pragma once

#include <cstdint>
#include <string>

namespace vz::engine {

enum class FieldType : char {
    Character = 'C',
    Numeric = 'N',  // fixed-point decimal text; with 0 decimals a whole number
    Float = 'F',    // the same text form as Numeric, dBase IV's "floating" type
    Date = 'D',     // YYYYMMDD, 8 blanks when blank
    Logical = 'L',  // T, F, Y, N or ? / blank
};

// What a caller asks for when creating a table.
struct FieldDef {
    std::string name;  // at most 10 characters
    FieldType type = FieldType::Character;
    int width = 0;     // ignored for Date (8) and Logical (1)
    int decimals = 0;

    static FieldDef text(std::string n, int width) { return {std::move(n), FieldType::Character, width, 0}; }
    // A whole number: N(11,0).
    static FieldDef whole(std::string n) { return {std::move(n), FieldType::Numeric, 11, 0}; }
    // A floating-point number: N(20,4).
    static FieldDef floating(std::string n) { return {std::move(n), FieldType::Numeric, 20, 4}; }
    static FieldDef date(std::string n) { return {std::move(n), FieldType::Date, 8, 0}; }
};

// A field of an open table.
struct Field {
    std::string name;  // as stored (dBase IV tools store upper case)
    FieldType type = FieldType::Character;
    int width = 0;
    int decimals = 0;
    int offset = 0;          // within the record, after the deletion flag byte
    bool indexTag = false;   // the descriptor's production-index flag

    bool isNumber() const { return type == FieldType::Numeric || type == FieldType::Float; }
    bool isWhole() const { return isNumber() && decimals == 0; }
};

}  // namespace vz::engine
