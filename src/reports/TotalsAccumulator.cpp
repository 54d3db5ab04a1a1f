#include "reports/TotalsAccumulator.h"

#include <cmath>

namespace vz::reports {

void TotalsAccumulator::add(double quantity, double marketValue, double cost) {
    // A value that is not a number (a damaged field) would poison every sum after it.
    auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
    quantity = finite(quantity);
    const Sums add{finite(quantity * finite(marketValue)), finite(quantity * finite(cost)),
                   quantity};
    for (size_t i = 0; i < 3; ++i) {
        group_[i] += add[i];
        report_[i] += add[i];
    }
}

}  // namespace vz::reports
