#include "ExchangeCommands.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <ostream>

#include "CliCommands.h"
#include "ReportCommand.h"
#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/OwnFiles.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "exchange/Exporter.h"
#include "exchange/ImportLayout.h"
#include "exchange/Importer.h"
#include "search/SearchCriteria.h"
#include "search/SortOrder.h"
#include "search/TableInOrder.h"

namespace vz::cli {
namespace {

using engine::OpenMode;
using engine::Table;

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void onStop(int) {
    stopRequested = 1;
}

// Ctrl+C stops a running export or import at the next record instead of killing the process.
class StopOnInterrupt {
public:
    StopOnInterrupt() {
        stopRequested = 0;
        previous_ = std::signal(SIGINT, onStop);
    }
    ~StopOnInterrupt() { std::signal(SIGINT, previous_); }
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

int fail(std::ostream& err, const QString& message) {
    err << "vazovi-cli: " << message.toStdString() << '\n';
    return kFailed;
}

int usage(std::ostream& err, const char* text) {
    err << "vazovi-cli: " << text << " See vazovi-cli --help.\n";
    return kUsage;
}

// The collection's settings and the global formats, as the program would have them.
struct Context {
    QString tablePath;
    data::DatabaseSettings database;
};

Context loadContext(const std::string& tableArg) {
    Context c;
    c.tablePath = QFileInfo(QString::fromStdString(tableArg)).absoluteFilePath();
    data::GlobalSettings global;
    data::loadGlobalSettings(global, globalSettingsPath(), QDir::currentPath());
    const QFileInfo info(c.tablePath);
    const QString iniPath =
        joinPath(info.absolutePath(), data::tableNameOf(c.tablePath)) + QStringLiteral(".INI");
    data::loadDatabaseSettings(c.database, iniPath, globalSettingsPath());
    DisplayFormats& f = displayFormats();
    f.setRegional(RegionalValues::fromLocale());
    f.setDateFormat(global.misc.dateFormat, global.misc.dateLeadingZeros);
    f.setCurrencyFormat(global.misc.currencyFormat == kFormatRegional ? kFormatRegional
                                                                      : kFormatUS);
    f.setNumericFormat(global.misc.numericFormat == kFormatRegional ? kFormatRegional : kFormatUS);
    return c;
}

bool endsWithDbf(const QString& path) {
    return path.right(4).toUpper() == QLatin1String(".DBF");
}

}  // namespace

int runExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2)
        return usage(err, "export takes a file name and an output file (.txt or .dbf).");
    exchange::TextEncoding encoding = exchange::TextEncoding::Windows1252;
    std::vector<std::string> criteria;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--encoding" && i + 1 < args.size()) {
            const std::string& e = args[++i];
            if (e == "utf-8" || e == "UTF-8" || e == "utf8")
                encoding = exchange::TextEncoding::Utf8;
            else if (e == "windows-1252" || e == "cp1252")
                encoding = exchange::TextEncoding::Windows1252;
            else
                return usage(err, "--encoding takes utf-8 or windows-1252.");
        } else if (args[i] == "--search" && criteria.empty()) {
            // The criteria run to the end or to the next option other than --or.
            size_t j = i + 1;
            while (j < args.size() && (args[j] == "--or" || args[j].rfind("--", 0) != 0))
                criteria.push_back(args[j++]);
            if (criteria.empty()) return usage(err, "--search takes at least one criterion.");
            i = j - 1;
        } else {
            return usage(err,
                         "export takes a file name, an output file, --search CRITERION... and "
                         "--encoding utf-8.");
        }
    }
    Context c = loadContext(args[0]);
    const QString outFile = QFileInfo(QString::fromStdString(args[1])).absoluteFilePath();
    QString why;
    const QString folder = programFolder(&why);
    if (const QString own = data::protectedFileReason(outFile, c.tablePath, folder); !own.isEmpty())
        return fail(err, own);
    // In the collection's saved sort order, as the program shows it.
    auto t = search::openInSortOrder(c.tablePath, search::BuildSortString(c.database.sortLevels));
    if (!t) return fail(err, QString::fromStdString(t.status().message()));
    Table& table = **t;
    // Only the records the search admits, as the export window's "Export Search Criteria".
    search::SearchItems items;
    if (!criteria.empty()) {
        search::FieldCaptions captions;
        for (int f = 1; f <= data::kFieldCount; ++f)
            captions[size_t(f - 1)] = c.database.field(f).caption;
        search::CriteriaParse parsed = search::parseSearchCriteria(criteria, captions);
        if (!parsed.ok()) return fail(err, parsed.error);
        items = std::move(parsed.items);
        table.setFilter([&items](const Table& t) { return items.test(t); });
    }
    const exchange::ExportKind kind =
        endsWithDbf(outFile) ? exchange::ExportKind::DBase : exchange::ExportKind::Text;
    exchange::ExportRequest request = exchange::exportRequestFrom(c.database, kind);
    request.encoding = encoding;
    if (request.fields.empty()) return fail(err, QStringLiteral("No fields selected for export."));
    StopOnInterrupt guard;
    const exchange::ExportResult r =
        exchange::exportRecords(table, outFile, request, displayFormats(),
                                [](uint64_t, uint64_t) { return !stopRequested; });
    if (r.outcome == exchange::ExportResult::Outcome::Stopped)
        return fail(err, QStringLiteral("the export was stopped; nothing was written."));
    if (r.outcome == exchange::ExportResult::Outcome::Failed)
        return fail(err, r.error + QStringLiteral("  Nothing was exported."));
    out << outFile.toStdString() << ": " << r.records << " records exported.\n";
    return kOk;
}

int runImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--skip-first"))
        return usage(
            err,
            "import takes a file name, an input file (.txt or .dbf) and --skip-first at most.");
    const bool skipFirst = args.size() == 3;
    Context c = loadContext(args[0]);
    const QString inFile = QFileInfo(QString::fromStdString(args[1])).absoluteFilePath();
    if (!QFileInfo::exists(inFile)) return fail(err, inFile + QStringLiteral(" does not exist."));
    const bool dbf = endsWithDbf(inFile);
    size_t fields = 0;
    if (dbf) {
        const exchange::TableFileFields f = exchange::readTableFileFields(inFile);
        if (!f.error.isEmpty()) return fail(err, f.error);
        fields = f.names.size();
    } else {
        const exchange::TextFileFields f = exchange::readTextFileFields(inFile);
        if (!f.error.isEmpty()) return fail(err, f.error);
        if (f.firstLine.reason != 0)
            return fail(err, inFile + QStringLiteral(": ") +
                                 exchange::firstLineMessage(f.firstLine.reason));
        fields = f.firstLine.names.size();
    }
    auto t = Table::open(toNativePath(c.tablePath), OpenMode::Shared);
    if (!t) return fail(err, QString::fromStdString(t.status().message()));
    StopOnInterrupt guard;
    exchange::Importer importer(**t, displayFormats());
    const std::vector<int> mapping = exchange::directMapping(fields);
    auto progress = [](uint64_t, uint64_t, uint64_t) { return !stopRequested; };
    const exchange::ImportResult r =
        dbf ? importer.importTable(inFile, mapping, progress)
            : importer.importText(inFile, mapping, skipFirst, progress);
    if (r.outcome != exchange::ImportResult::Outcome::Done) return fail(err, r.stopMessage());
    out << c.tablePath.toStdString() << ": " << r.added << " records imported.\n";
    return kOk;
}

}  // namespace vz::cli
