#include "engine/Date.h"

#include <cstdio>

namespace vz::engine {
namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool digits(std::string_view s, int& value) {
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return !s.empty();
}

// Writes `value` (0 <= value < 10^width) as `width` decimal digits with leading zeros; what
// "%0*d" gives, without the cost of printf on every date read.
void putDigits(char* p, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) p[i] = char('0' + value % 10);
}

// A date with a negative part, which is no real date, as printf shows it (in messages about it).
std::string printed(const char* format, const Date& d) {
    char buf[48];
    std::snprintf(buf, sizeof buf, format, d.year % 10000, d.month % 100, d.day % 100);
    return buf;
}

}  // namespace

bool Date::isValid() const {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    const int last = kDays[month - 1] + (month == 2 && isLeap(year) ? 1 : 0);
    return day <= last;
}

std::string Date::toStored() const {
    if (isBlank()) return std::string(8, ' ');
    if (year < 0 || month < 0 || day < 0) return printed("%04d%02d%02d", *this);
    std::string s(8, '0');
    putDigits(s.data(), year % 10000, 4);
    putDigits(s.data() + 4, month % 100, 2);
    putDigits(s.data() + 6, day % 100, 2);
    return s;
}

std::string Date::toIso() const {
    if (isBlank()) return {};
    if (year < 0 || month < 0 || day < 0) return printed("%04d-%02d-%02d", *this);
    std::string s = "0000-00-00";
    putDigits(s.data(), year % 10000, 4);
    putDigits(s.data() + 5, month % 100, 2);
    putDigits(s.data() + 8, day % 100, 2);
    return s;
}

bool Date::parse(std::string_view text, Date& out) {
    if (text.size() == 8) {
        // The stored form, what every date read from a table is: eight digits, nothing to trim.
        Date d;
        if (digits(text.substr(0, 4), d.year) && digits(text.substr(4, 2), d.month) &&
            digits(text.substr(6, 2), d.day)) {
            if (!d.isValid()) return false;
            out = d;
            return true;
        }
    }
    size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) {
        out = Date{};
        return true;
    }
    text = text.substr(b, text.find_last_not_of(' ') - b + 1);
    Date d;
    bool ok = false;
    if (text.size() == 8) {
        ok = digits(text.substr(0, 4), d.year) && digits(text.substr(4, 2), d.month) &&
             digits(text.substr(6, 2), d.day);
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        ok = digits(text.substr(0, 4), d.year) && digits(text.substr(5, 2), d.month) &&
             digits(text.substr(8, 2), d.day);
    }
    if (!ok || !d.isValid()) return false;
    out = d;
    return true;
}

}  // namespace vz::engine
