#include "SearchCommand.h"

#include <QFileInfo>
#include <ostream>

#include "CliCommands.h"
#include "DelimitedText.h"
#include "engine/Table.h"
#include "search/SearchCriteria.h"
#include "search/SortOrder.h"
#include "search/TableInOrder.h"

namespace vz::cli {
namespace {

int failed(std::ostream& err, const std::string& why) {
    err << "vazovi-cli: " << why << '\n';
    return kFailed;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

int runSearchCommand(const std::string& tableArg, const std::vector<std::string>& args,
                     std::ostream& out, std::ostream& err) {
    const QString tablePath = QFileInfo(QString::fromStdString(tableArg)).absoluteFilePath();
    const data::DatabaseSettings settings = search::databaseSettingsOf(tablePath);
    search::CriteriaParse criteria =
        search::parseSearchCriteria(args, search::fieldCaptions(settings));
    if (criteria.ok() && criteria.consumed != args.size())
        criteria.error = QStringLiteral("bad search criterion \"%1\": search takes no options.")
                             .arg(QString::fromStdString(args[criteria.consumed]));
    if (!criteria.ok()) {
        err << "vazovi-cli: " << criteria.error.toStdString() << '\n';
        return kUsage;
    }
    auto opened = search::openInSortOrder(tablePath, search::BuildSortString(settings.sortLevels));
    if (!opened) return failed(err, opened.status().message());
    engine::Table& table = **opened;
    const search::SearchItems& items = criteria.items;
    table.setFilter([&items](const engine::Table& t) { return items.test(t); });

    // Every match first, so an index found out of date on the way gives no output at all.
    std::vector<uint32_t> rows;
    if (engine::Status s = table.collectOrder(rows); !s) return failed(err, s.message());
    std::string value, line;
    for (uint32_t r : rows) {
        engine::Status s = table.go(r);
        if (s.code() == engine::Status::Code::NotFound) continue;  // deleted since by another user
        line.clear();
        for (int f = 0; s && f < table.fieldCount(); ++f) {
            s = table.readText(f, value);
            if (f) line.push_back(',');
            line += quoted(trimmed(value));
        }
        if (!s) return failed(err, s.message());
        line.push_back('\n');
        out << line;
    }
    out.flush();
    return out ? kOk : failed(err, "the matches could not be written.");
}

}  // namespace vz::cli
