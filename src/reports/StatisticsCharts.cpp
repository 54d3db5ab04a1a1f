#include "reports/StatisticsCharts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <algorithm>
#include <cmath>

#include "common/DisplayFormats.h"
#include "main/ColourSets.h"
#include "reports/CollectionStatistics.h"

namespace vz::reports {
namespace {

using data::ColourRole;

// Round steps for an axis up to `max`: about four of 1, 2, 2.5 or 5 times a power of ten.
double niceStep(double max) {
    if (!(max > 0) || !std::isfinite(max)) return 1;
    const double raw = max / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

// A value axis whose labels are amounts in the money format in force (or whole numbers).
QCategoryAxis* valueAxis(double max, bool money) {
    auto* axis = new QCategoryAxis;
    const double step = niceStep(max);
    const int steps = std::max(1, int(std::ceil(max / step - 1e-9)));
    const auto& formats = displayFormats();
    for (int i = 0; i <= steps; ++i) {
        const double v = i * step;
        // Round steps of money read best without their cents.
        axis->append(money && step < 1 ? formats.formatMoney(v) : formats.formatNumber(v, 0), v);
    }
    axis->setStartValue(0);
    axis->setRange(0, steps * step);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setTruncateLabels(false);
    return axis;
}

QString rowsLabel(const StatisticsRow& r, double amount, bool money) {
    const auto& formats = displayFormats();
    return r.label + QStringLiteral("  ") +
           (money ? formats.formatMoney(amount) : formats.formatNumber(amount, 0));
}

// Colours of the window's set on the chart: background, title and labels.
void colour(QChart* chart, const data::ColourSet& colours) {
    chart->setBackgroundBrush(mainwin::toQColor(colours[ColourRole::MainBackground]));
    chart->setPlotAreaBackgroundBrush(mainwin::toQColor(colours[ColourRole::EditBackground]));
    chart->setPlotAreaBackgroundVisible(true);
    chart->setTitleBrush(mainwin::toQColor(colours[ColourRole::MajorTitle]));
    QFont title = chart->titleFont();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.2);
    chart->setTitleFont(title);
    const QColor text = mainwin::toQColor(colours[ColourRole::MinorTitle]);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
    }
    if (chart->legend()) chart->legend()->setLabelColor(text);
}

// Bars of one amount per row: `horizontal` for countries, columns otherwise.
void addBars(QChart* chart, const std::vector<StatisticsRow>& rows, double StatisticsRow::*amount,
             const QString& setName, bool money, bool horizontal) {
    auto* set = new QBarSet(setName);
    QStringList categories;
    double max = 0;
    // Horizontal bars run from the bottom up: the first row goes last, to stand at the top.
    for (size_t k = 0; k < rows.size(); ++k) {
        const StatisticsRow& r = rows[horizontal ? rows.size() - 1 - k : k];
        *set << r.*amount;
        categories << (horizontal ? rowsLabel(r, r.*amount, money) : r.label);
        max = std::max(max, r.*amount);
    }
    auto* categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(categories);
    QCategoryAxis* amounts = valueAxis(max, money);
    QAbstractBarSeries* series = horizontal
                                     ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries)
                                     : static_cast<QAbstractBarSeries*>(new QBarSeries);
    series->append(set);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    chart->addAxis(categoryAxis, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(amounts, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(categoryAxis);
    series->attachAxis(amounts);
    // Every label whole: names and years are what the chart is read by.
    categoryAxis->setTruncateLabels(false);
    if (!horizontal && rows.size() > 8) categoryAxis->setLabelsAngle(-90);
    QFont small = categoryAxis->labelsFont();
    small.setPointSizeF(8);
    amounts->setLabelsFont(small);
    // Crowded columns (decades of purchases) get smaller labels, so that none is left out.
    if (!horizontal && rows.size() > 30) small.setPointSizeF(6.5);
    categoryAxis->setLabelsFont(small);
    chart->legend()->setVisible(false);
}

}  // namespace

QString statisticsChartTitle(StatisticsChart which) {
    switch (which) {
        case StatisticsChart::CountryValue:
            return QStringLiteral("Market Value by Country");
        case StatisticsChart::DecadeStamps:
            return QStringLiteral("Stamps by Decade of Issue");
        case StatisticsChart::YearPrice:
            return QStringLiteral("Purchase Price by Year of Purchase");
        case StatisticsChart::Conditions:
            return QStringLiteral("Records by Condition");
    }
    return {};
}

QString statisticsChartFileStem(StatisticsChart which) {
    return statisticsChartTitle(which).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

QChart* makeStatisticsChart(StatisticsChart which, const CollectionStatistics& stats,
                            const data::ColourSet& colours) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 16, 4));  // room for the last amount's label
    chart->setTitle(statisticsChartTitle(which));
    const std::vector<StatisticsRow>* rows = nullptr;
    switch (which) {
        case StatisticsChart::CountryValue:
            rows = &stats.byCountry();
            if (!rows->empty())
                addBars(chart, *rows, &StatisticsRow::marketValue, QStringLiteral("Market value"),
                        true, true);
            break;
        case StatisticsChart::DecadeStamps:
            rows = &stats.byDecade();
            if (!rows->empty())
                addBars(chart, *rows, &StatisticsRow::stamps, QStringLiteral("Stamps"), false,
                        false);
            break;
        case StatisticsChart::YearPrice:
            rows = &stats.byPurchaseYear();
            if (!rows->empty())
                addBars(chart, *rows, &StatisticsRow::purchasePrice,
                        QStringLiteral("Purchase price"), true, false);
            break;
        case StatisticsChart::Conditions: {
            rows = &stats.byCondition();
            if (rows->empty()) break;
            auto* pie = new QPieSeries;
            for (const StatisticsRow& r : *rows) {
                QPieSlice* slice =
                    pie->append(rowsLabel(r, double(r.records), false), double(r.records));
                slice->setLabelVisible(true);
                slice->setLabelColor(mainwin::toQColor(colours[ColourRole::MinorTitle]));
                QFont font = slice->labelFont();
                font.setPointSizeF(8);
                slice->setLabelFont(font);
            }
            pie->setPieSize(0.5);
            chart->addSeries(pie);
            chart->legend()->setVisible(false);
            break;
        }
    }
    if (rows == nullptr || rows->empty())
        chart->setTitle(statisticsChartTitle(which) + QStringLiteral(": no records"));
    colour(chart, colours);
    return chart;
}

}  // namespace vz::reports
