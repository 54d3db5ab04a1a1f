// TotalsAccumulator: the three sums a report keeps (market value, purchase price, quantity),
// once for the current group and once for the whole report.
#pragma once

#include <array>
#include <cstddef>

namespace vz::reports {

class TotalsAccumulator {
public:
    // Adds one record: `quantity` stamps, each worth `marketValue` and bought for `cost`.
    void add(double quantity, double marketValue, double cost);
    // The sum of total kind 1 (value), 2 (purchase price) or 3 (quantity); 0 for other kinds.
    double group(int kind) const { return pick(group_, kind); }
    double report(int kind) const { return pick(report_, kind); }
    void resetGroup() { group_ = {}; }
    void reset() { group_ = {}, report_ = {}; }

private:
    using Sums = std::array<double, 3>;  // value, purchase price, quantity
    static double pick(const Sums& s, int kind) {
        return kind >= 1 && kind <= 3 ? s[std::size_t(kind - 1)] : 0;
    }
    Sums group_{};
    Sums report_{};
};

}  // namespace vz::reports
