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

}  // namespace

bool Date::isValid() const {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    const int last = kDays[month - 1] + (month == 2 && isLeap(year) ? 1 : 0);
    return day <= last;
}

std::string Date::toStored() const {
    if (isBlank()) return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", year % 10000, month % 100, day % 100);
    return buf;
}

std::string Date::toIso() const {
    if (isBlank()) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
    return buf;
}

bool Date::parse(std::string_view text, Date& out) {
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
