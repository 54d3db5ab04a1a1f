// Date: a calendar date as a dBase date field stores it, or blank.
#pragma once

#include <string>
#include <string_view>

namespace vz::engine {

struct Date {
    int year = 0;  // 0 means blank
    int month = 0;
    int day = 0;

    bool isBlank() const { return year == 0 && month == 0 && day == 0; }
    // True for a real day of the Gregorian calendar between the years 1 and 9999.
    bool isValid() const;
    // "YYYYMMDD", the stored form; 8 blanks for a blank date.
    std::string toStored() const;
    // "YYYY-MM-DD"; empty for a blank date.
    std::string toIso() const;
    // Reads "YYYYMMDD" or "YYYY-MM-DD"; all blanks or empty give a blank date. False when the text
    // is neither, or names no real day.
    static bool parse(std::string_view text, Date& out);

    friend bool operator==(const Date&, const Date&) = default;
};

}  // namespace vz::engine
