// TStatistics: the collection at a glance. Totals at the top (records, stamps, market value,
// purchase price, their difference, wanted records), then the four charts of StatisticsCharts,
// each of which can be saved as a PNG or PDF file and printed.
//
// The window only shows figures computed before it opens; showStatistics() computes them over
// the records the viewer admits (the search result while a search is on, the whole collection
// otherwise) and says which in the title.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

#include "data/Settings.h"
#include "reports/CollectionStatistics.h"
#include "reports/StatisticsCharts.h"

class QChartView;
class QLabel;

namespace vz {
class Interaction;
}
namespace vz::mainwin {
class Program;
}

namespace vz::reports {

class TStatistics : public QDialog {
    Q_OBJECT
public:
    // `subject` names what the figures describe ("MASTER.DBF", "MASTER.DBF, search result").
    // Files the collector names are refused when they are the table's or the program's own
    // (`tablePath`, `programFolder`). `ui` must outlive the window.
    TStatistics(CollectionStatistics stats, const QString& subject, const data::ColourSet& colours,
                Interaction& ui, QString tablePath, QString programFolder,
                QWidget* parent = nullptr);

    const CollectionStatistics& statistics() const { return stats_; }
    QChartView* chartView(StatisticsChart which) const { return views_[size_t(which)]; }
    // The text shown for a total: "Records", "Stamps", "Market value", "Purchase price",
    // "Difference", "Wanted records".
    QString totalText(const QString& name) const;

    // The Save and Print buttons of a chart: ask for a file or a printer and write the chart
    // there. A failure is shown in an error box; false then, or when the collector cancelled.
    bool saveChart(StatisticsChart which);
    bool printChart(StatisticsChart which);

private:
    QWidget* makeTotals();
    QWidget* makePanel(StatisticsChart which, const data::ColourSet& colours);

    CollectionStatistics stats_;
    Interaction& ui_;
    QString tablePath_;
    QString programFolder_;
    std::array<QChartView*, kStatisticsChartCount> views_{};
    std::vector<std::pair<QString, QLabel*>> totals_;
};

// Computes the figures of the open collection over the records the viewer admits and shows the
// window over `parent` until it is closed. A table that cannot be read is reported in an error
// box and no window opens.
void showStatistics(mainwin::Program& program, QWidget* parent);

}  // namespace vz::reports
