// The delimited text lines of "vazovi-cli dump" and "append": values in double quotes, inner
// quotes doubled, separated by commas, one record a line, UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vz::cli {

// `value` enclosed in double quotes, its inner quotes doubled.
std::string quoted(std::string_view value);

// Splits one line into its values. A value may be quoted (and then hold commas and doubled
// quotes) or bare. False, with the reason in `error`, for an unterminated quote or text after a
// closing quote.
bool splitLine(std::string_view line, std::vector<std::string>& values, std::string& error);

}  // namespace vz::cli
