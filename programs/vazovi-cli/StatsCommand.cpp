#include "StatsCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <ostream>

#include "CliCommands.h"
#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "reports/CollectionStatistics.h"
#include "search/SearchCriteria.h"

namespace vz::cli {
namespace {

using reports::CollectionStatistics;
using reports::StatisticsRow;

int fail(std::ostream& err, const std::string& message) {
    err << "vazovi-cli: " << message << '\n';
    return kFailed;
}

int usage(std::ostream& err, const std::string& message) {
    err << "vazovi-cli: " << message << " Try vazovi-cli --help.\n";
    return kUsage;
}

double cents(double amount) {
    return std::round(amount * 100.0) / 100.0;
}

QString money(double amount) {
    return displayFormats().formatMoney(amount);
}
QString whole(double count) {
    return displayFormats().formatNumber(count, 0);
}

// The four breakdowns: their JSON key, their heading and the caption of their first column.
struct Breakdown {
    const char* key;
    const char* heading;
    const char* column;
    const std::vector<StatisticsRow>& (CollectionStatistics::*rows)() const;
};
const Breakdown kBreakdowns[] = {
    {"byCountry", "Market value by country", "Country", &CollectionStatistics::byCountry},
    {"byDecade", "Stamps by decade of issue", "Decade", &CollectionStatistics::byDecade},
    {"byPurchaseYear", "Purchase price by year of purchase", "Year",
     &CollectionStatistics::byPurchaseYear},
    {"byCondition", "Records by condition", "Condition", &CollectionStatistics::byCondition},
};

QJsonObject jsonOf(const QString& file, bool searched, const CollectionStatistics& s) {
    QJsonObject totals{
        {"records", double(s.records())},        {"stamps", s.stamps()},
        {"marketValue", cents(s.marketValue())}, {"purchasePrice", cents(s.purchasePrice())},
        {"difference", cents(s.difference())},   {"wantedRecords", double(s.wantedRecords())},
    };
    QJsonObject root{{"file", file}, {"search", searched}, {"totals", totals}};
    for (const Breakdown& b : kBreakdowns) {
        QJsonArray rows;
        for (const StatisticsRow& r : (s.*b.rows)())
            rows.append(QJsonObject{{"label", r.label},
                                    {"records", double(r.records)},
                                    {"stamps", r.stamps},
                                    {"marketValue", cents(r.marketValue)},
                                    {"purchasePrice", cents(r.purchasePrice)}});
        root.insert(QLatin1String(b.key), rows);
    }
    return root;
}

// A table of columns, the first left-aligned and the others right-aligned, each as wide as its
// widest cell.
void printTable(std::ostream& out, const std::vector<QStringList>& lines) {
    std::vector<qsizetype> width;
    for (const QStringList& l : lines)
        for (qsizetype i = 0; i < l.size(); ++i) {
            if (width.size() <= size_t(i)) width.resize(size_t(i) + 1, 0);
            width[size_t(i)] = std::max(width[size_t(i)], l[i].size());
        }
    for (const QStringList& l : lines) {
        QString text = QStringLiteral("  ");
        for (qsizetype i = 0; i < l.size(); ++i) {
            if (i > 0) text += QStringLiteral("  ");
            text += i == 0 ? l[i].leftJustified(width[0]) : l[i].rightJustified(width[size_t(i)]);
        }
        while (text.endsWith(QLatin1Char(' '))) text.chop(1);
        out << text.toStdString() << '\n';
    }
}

void printText(std::ostream& out, const QString& file, bool searched,
               const CollectionStatistics& s) {
    out << file.toStdString() << (searched ? " (search result)" : "") << '\n';
    printTable(out, {
                        {QStringLiteral("Records"), whole(double(s.records()))},
                        {QStringLiteral("Stamps"), whole(s.stamps())},
                        {QStringLiteral("Market value"), money(s.marketValue())},
                        {QStringLiteral("Purchase price"), money(s.purchasePrice())},
                        {QStringLiteral("Difference"), money(s.difference())},
                        {QStringLiteral("Wanted records"), whole(double(s.wantedRecords()))},
                    });
    for (const Breakdown& b : kBreakdowns) {
        out << '\n' << b.heading << '\n';
        std::vector<QStringList> lines{{QString::fromLatin1(b.column), QStringLiteral("Records"),
                                        QStringLiteral("Stamps"), QStringLiteral("Market value"),
                                        QStringLiteral("Purchase price")}};
        for (const StatisticsRow& r : (s.*b.rows)())
            lines.push_back({r.label, whole(double(r.records)), whole(r.stamps),
                             money(r.marketValue), money(r.purchasePrice)});
        if (lines.size() == 1) lines.push_back({QStringLiteral("(no records)")});
        printTable(out, lines);
    }
}

}  // namespace

int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0].starts_with("--"))
        return usage(err, "stats takes a file name first.");
    const std::string& file = args[0];
    const QString path = QFileInfo(QString::fromStdString(file)).absoluteFilePath();

    // The database's own settings name its fields, as criteria may.
    data::DatabaseSettings database;
    const QString iniPath =
        joinPath(QFileInfo(path).absolutePath(), data::tableNameOf(path)) + QStringLiteral(".INI");
    data::loadDatabaseSettings(database, iniPath, globalSettingsPath());
    search::FieldCaptions captions;
    for (int n = 1; n <= search::kSearchRows; ++n)
        captions[size_t(n - 1)] = database.field(n).caption;

    bool json = false;
    std::optional<search::SearchItems> search;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--search" && !search) {
            const search::CriteriaParse parse =
                search::parseSearchCriteria({args.begin() + long(i) + 1, args.end()}, captions);
            if (!parse.ok()) return usage(err, "--search: " + parse.error.toStdString());
            search = parse.items;
            i += parse.consumed;
        } else {
            return usage(err, "stats takes a file name, --search CRITERION... and --json; \"" +
                                  args[i] + "\" is none of them.");
        }
    }
    if (!QFileInfo::exists(path)) return fail(err, path.toStdString() + " does not exist.");

    // Amounts in the money and number formats of the program's display options.
    data::GlobalSettings global;
    data::loadGlobalSettings(global, globalSettingsPath(), QDir::currentPath());
    DisplayFormats& f = displayFormats();
    f.setRegional(RegionalValues::fromLocale());
    f.setCurrencyFormat(global.misc.currencyFormat);
    f.setNumericFormat(global.misc.numericFormat);

    std::function<bool(const engine::Table&)> filter;
    if (search) filter = [&search](const engine::Table& t) { return search->test(t); };
    auto stats = CollectionStatistics::computeFile(toNativePath(path), filter);
    if (!stats) return fail(err, stats.status().message());
    if (json)
        out << QJsonDocument(jsonOf(path, search.has_value(), *stats))
                   .toJson(QJsonDocument::Indented)
                   .toStdString();
    else
        printText(out, path, search.has_value(), *stats);
    return out.good() ? kOk : fail(err, "the figures could not be written.");
}

}  // namespace vz::cli
