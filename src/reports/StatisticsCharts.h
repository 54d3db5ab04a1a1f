// StatisticsCharts: the four charts of the statistics window, drawn from CollectionStatistics.
//
// Market value by country as horizontal bars (largest at the top), stamps by decade of issue and
// purchase price by year of purchase as columns, records by condition as a pie. Amounts are
// written in the money format in force; the chart's background, title and labels take the
// window's colour set.
#pragma once

#include <QString>

#include "data/Settings.h"

class QChart;

namespace vz::reports {

class CollectionStatistics;

enum class StatisticsChart { CountryValue, DecadeStamps, YearPrice, Conditions };
inline constexpr int kStatisticsChartCount = 4;

// "Market Value by Country", ...
QString statisticsChartTitle(StatisticsChart which);
// A file name for the chart without extension: "market-value-by-country", ...
QString statisticsChartFileStem(StatisticsChart which);

// A new chart, owned by the caller (a QChartView takes it over), without animations. A
// breakdown without rows gives a chart that says "No records".
QChart* makeStatisticsChart(StatisticsChart which, const CollectionStatistics& stats,
                            const data::ColourSet& colours);

}  // namespace vz::reports
