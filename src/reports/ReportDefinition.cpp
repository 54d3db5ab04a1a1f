#include "reports/ReportDefinition.h"

namespace vz::reports {

int usedItemCount(const ReportLine& line) {
    int n = 0;
    while (n < kItemsPerLine && line[n].width >= 1) ++n;
    return n;
}

}  // namespace vz::reports
