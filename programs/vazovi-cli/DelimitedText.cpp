#include "DelimitedText.h"

namespace vz::cli {

std::string quoted(std::string_view value) {
    std::string s = "\"";
    for (char c : value) {
        if (c == '"') s.push_back('"');
        s.push_back(c);
    }
    s.push_back('"');
    return s;
}

bool splitLine(std::string_view line, std::vector<std::string>& values, std::string& error) {
    values.clear();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t i = 0;
    for (;;) {
        std::string v;
        while (i < line.size() && line[i] == ' ') ++i;
        if (i < line.size() && line[i] == '"') {
            const size_t open = i++;
            for (;;) {
                if (i >= line.size()) {
                    error = "the quote opened at column " + std::to_string(open + 1) + " is not closed";
                    return false;
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        v.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                v.push_back(line[i++]);
            }
            while (i < line.size() && line[i] == ' ') ++i;
            if (i < line.size() && line[i] != ',') {
                error = "unexpected text after the closing quote at column " + std::to_string(i + 1);
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ',') v.push_back(line[i++]);
        }
        values.push_back(std::move(v));
        if (i >= line.size()) return true;
        ++i;  // the comma
    }
}

}  // namespace vz::cli
