// BuiltInReports: the six ready-made report definitions a new report definitions file starts
// with. They are ordinary records once written; their names are also the names the conversion of
// an earlier file passes over.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "reports/ReportDefinition.h"

namespace vz::reports {

inline constexpr int kBuiltInReportCount = 6;

// The names in file order: "120 Column 1 Line Report", "120 Column 2 Line Report", "Full Report",
// "Statistic/Summary Report", "90 Column 1 Line Report", "120 Column 5 Line Report".
const std::array<const char*, kBuiltInReportCount>& builtInReportNames();

// True when `name` is exactly one of them.
bool isBuiltInReportName(const QString& name);

// The six definitions in file order.
std::vector<ReportDefinition> builtInReports();

}  // namespace vz::reports
