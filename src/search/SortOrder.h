// Sort orders: the four sort levels, the sort string built from them, and the index tag
// "NewIndex" that puts the viewer in that order.
#pragma once

#include <QString>
#include <array>

#include "engine/Status.h"

namespace vz::engine {
class Table;
}

namespace vz::search {

// Primary, Secondary, Third Level and Fourth Level: 0 for none, else a field number 1 to 25.
struct SortLevels {
    std::array<int, 4> level{3, 0, 0, 0};
    friend bool operator==(const SortLevels&, const SortLevels&) = default;
};

inline constexpr const char* kSortTag = "NewIndex";

// The dBase key expression of the levels: each chosen level adds a piece by its field's type
// (text: Upper(Left(N,w)), whole number: STR(N,12,0), decimal: STR(N,12,2), date: DTOS(N)),
// joined with "+", where w is 80 divided by the number of chosen levels. Empty when no level is
// chosen.
QString BuildSortString(const SortLevels& levels);

// Puts `table` (opened exclusively) in the order of `sortString`: no tag active when it is
// empty; otherwise "NewIndex" is replaced by (or added as) a tag with the sort string as its key,
// and made active. On failure the old tag and order stay.
engine::Status applySortString(engine::Table& table, const QString& sortString);

// The start-up variant: an existing index file is used as it is (the tag is added only when the
// file or the tag is missing, which needs the table exclusively), then "NewIndex" is made active.
engine::Status applySortStringAtStartUp(engine::Table& table, const QString& sortString);

}  // namespace vz::search
