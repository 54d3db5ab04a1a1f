#include "reports/TStatistics.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "common/DisplayFormats.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/OwnFiles.h"
#include "engine/Table.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "reports/ChartOutput.h"

namespace vz::reports {
namespace {

const QString kHelpTopic = QStringLiteral("Collection Statistics");

QString objectNameOf(StatisticsChart which) {
    switch (which) {
        case StatisticsChart::CountryValue:
            return QStringLiteral("CountryValue");
        case StatisticsChart::DecadeStamps:
            return QStringLiteral("DecadeStamps");
        case StatisticsChart::YearPrice:
            return QStringLiteral("YearPrice");
        case StatisticsChart::Conditions:
            return QStringLiteral("Conditions");
    }
    return {};
}

}  // namespace

TStatistics::TStatistics(CollectionStatistics stats, const QString& subject,
                         const data::ColourSet& colours, Interaction& ui, QString tablePath,
                         QString programFolder, QWidget* parent)
    : QDialog(parent),
      stats_(std::move(stats)),
      ui_(ui),
      tablePath_(std::move(tablePath)),
      programFolder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("Statistics"));
    setHelpTopic(this, kHelpTopic);
    setWindowTitle(QStringLiteral("Collection Statistics - %1").arg(subject));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeTotals());
    auto* charts = new QGridLayout;
    // Countries, decades and conditions side by side; the purchase years, often many, below them
    // across the whole width.
    charts->addWidget(makePanel(StatisticsChart::CountryValue, colours), 0, 0);
    charts->addWidget(makePanel(StatisticsChart::DecadeStamps, colours), 0, 1);
    charts->addWidget(makePanel(StatisticsChart::Conditions, colours), 0, 2);
    charts->addWidget(makePanel(StatisticsChart::YearPrice, colours), 1, 0, 1, 3);
    charts->setRowStretch(0, 4);
    charts->setRowStretch(1, 3);
    for (int c = 0; c < 3; ++c) charts->setColumnStretch(c, 1);
    layout->addLayout(charts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setObjectName(QStringLiteral("HelpButton"));
    connect(help, &QPushButton::clicked, this, [this] { ui_.help(kHelpTopic); });
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(help);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    QSet<QWidget*> headings;
    for (const auto& [name, label] : totals_) headings.insert(label);
    mainwin::applyColourSet(this, colours, headings);
    // Tall enough for the seventeen rows of countries to be labelled each, where the screen allows.
    QSize size(1180, 900);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() - QSize(20, 60));
    resize(size);
}

QWidget* TStatistics::makeTotals() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto& f = displayFormats();
    const std::pair<QString, QString> items[] = {
        {QStringLiteral("Records"), f.formatNumber(double(stats_.records()), 0)},
        {QStringLiteral("Stamps"), f.formatNumber(stats_.stamps(), 0)},
        {QStringLiteral("Wanted records"), f.formatNumber(double(stats_.wantedRecords()), 0)},
        {QStringLiteral("Market value"), f.formatMoney(stats_.marketValue())},
        {QStringLiteral("Purchase price"), f.formatMoney(stats_.purchasePrice())},
        {QStringLiteral("Difference"), f.formatMoney(stats_.difference())},
    };
    int k = 0;
    for (const auto& [name, value] : items) {
        auto* caption = new QLabel(name + QLatin1Char(':'), box);
        auto* shown = new QLabel(value, box);
        shown->setObjectName(QString(name).remove(QLatin1Char(' ')) + QStringLiteral("Total"));
        shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont bold = shown->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
        shown->setFont(bold);
        grid->addWidget(caption, k / 3, (k % 3) * 2);
        grid->addWidget(shown, k / 3, (k % 3) * 2 + 1);
        totals_.emplace_back(name, shown);
        ++k;
    }
    for (int c = 0; c < 6; ++c) grid->setColumnStretch(c, c % 2 ? 2 : 1);
    return box;
}

QWidget* TStatistics::makePanel(StatisticsChart which, const data::ColourSet& colours) {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QChartView(makeStatisticsChart(which, stats_, colours), panel);
    view->setObjectName(objectNameOf(which) + QStringLiteral("Chart"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(300, 220);
    views_[size_t(which)] = view;
    layout->addWidget(view, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* save = new QPushButton(QStringLiteral("Save..."), panel);
    save->setObjectName(objectNameOf(which) + QStringLiteral("Save"));
    save->setToolTip(QStringLiteral("Save this chart as a PNG picture or a PDF file"));
    connect(save, &QPushButton::clicked, this, [this, which] { saveChart(which); });
    auto* print = new QPushButton(QStringLiteral("Print..."), panel);
    print->setObjectName(objectNameOf(which) + QStringLiteral("Print"));
    connect(print, &QPushButton::clicked, this, [this, which] { printChart(which); });
    row->addWidget(save);
    row->addWidget(print);
    layout->addLayout(row);
    return panel;
}

QString TStatistics::totalText(const QString& name) const {
    for (const auto& [n, label] : totals_)
        if (n == name) return label->text();
    return {};
}

bool TStatistics::saveChart(StatisticsChart which) {
    FileDialogRequest request;
    request.title = QStringLiteral("Save Chart");
    request.folder = QFileInfo(tablePath_).absolutePath();
    request.fileName = statisticsChartFileStem(which) + QStringLiteral(".png");
    request.filters = {QStringLiteral("PNG Pictures (*.png)"), QStringLiteral("PDF Files (*.pdf)")};
    request.defaultExtension = QStringLiteral("png");
    const std::optional<QString> path = ui_.saveFileName(request);
    if (!path || path->isEmpty()) return false;
    if (const QString own = data::protectedFileReason(*path, tablePath_, programFolder_);
        !own.isEmpty()) {
        ui_.error(own);
        return false;
    }
    QString error;
    if (!saveChartPicture(chartView(which), *path, statisticsChartTitle(which), error)) {
        ui_.error(error);
        return false;
    }
    return true;
}

bool TStatistics::printChart(StatisticsChart which) {
    const std::optional<PrintChoice> choice = ui_.choosePrinter(PrintChoice{}, 1);
    if (!choice) return false;
    if (!choice->outputFile.isEmpty()) {
        if (const QString own =
                data::protectedFileReason(choice->outputFile, tablePath_, programFolder_);
            !own.isEmpty()) {
            ui_.error(own);
            return false;
        }
    }
    QString error;
    if (!printChartPicture(chartView(which), *choice, statisticsChartTitle(which), error)) {
        ui_.error(error);
        return false;
    }
    return true;
}

void showStatistics(mainwin::Program& program, QWidget* parent) {
    engine::Table* table = program.database().table();
    if (table == nullptr) return;
    const std::string path = table->path();
    // The figures come from an open of their own, read in file order: the viewer's record and
    // order stay as they are. While a search is on it admits what the viewer admits.
    std::function<bool(const engine::Table&)> filter;
    if (program.searchMode())
        filter = [&program](const engine::Table& t) { return program.MyTableFilter(t); };
    auto stats = CollectionStatistics::computeFile(path, filter);
    if (!stats) {
        program.ui().error(QString::fromStdString(stats.status().message()));
        return;
    }
    const QString tablePath = QString::fromStdString(path);
    QString subject = QFileInfo(tablePath).fileName();
    if (program.searchMode()) subject += QStringLiteral(", search result");
    TStatistics window(std::move(*stats), subject,
                       program.settings().database.colourSet(data::WindowGroup::Report),
                       program.ui(), tablePath, program.programFolder(), parent);
    window.exec();
}

}  // namespace vz::reports
