#include "CliCommands.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <istream>
#include <new>
#include <optional>
#include <ostream>

#include <QFileInfo>

#include "DelimitedText.h"
#include "ExchangeCommands.h"
#include "MaintenanceCommands.h"
#include "ReportCommand.h"
#include "SearchCommand.h"
#include "StatsCommand.h"
#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/NewDatabase.h"
#include "main/Version.h"
#include "search/SortOrder.h"
#include "engine/Table.h"
#include "engine/TableCheck.h"

namespace vz::cli {
namespace {

using engine::OpenMode;
using engine::Table;

constexpr const char* kUsageText =
    "Usage: vazovi-cli COMMAND FILE\n"
    "A command-line tool for Kestrelhouse Vazovi 97 collections (dBase IV tables).\n"
    "\n"
    "Commands:\n"
    "  create FILE [--replace]  create an empty collection table; an existing file is replaced\n"
    "                           only with --replace\n"
    "  info FILE                show the table's header and fields\n"
    "  dump FILE [--order TAG]  write the live records as delimited text (UTF-8): every value\n"
    "                           trimmed and in double quotes, comma-separated, one record a line;\n"
    "                           dates as YYYY-MM-DD; in entry order, or in the order of index TAG\n"
    "  append FILE              read records in the dump format from standard input, one value\n"
    "                           per field on each line, and post each line as one record\n"
    "  pack FILE                remove deleted records and rebuild the index (needs the table to\n"
    "                           itself)\n"
    "  index FILE EXPR          order the table by the dBase key expression EXPR: the index tag\n"
    "                           NewIndex takes it, in a new index that replaces the old one only\n"
    "                           once complete (needs the table to itself)\n"
    "  reindex FILE             rebuild every index tag; a table without a production index is\n"
    "                           left as it is (needs the table to itself)\n"
    "  check FILE               check the table's structure, every record and every index tag\n"
    "  report FILE NAME --text OUT | --pdf OUT [--pages A-B] [--search CRITERION...]\n"
    "                           run the report NAME of the program folder's report definitions\n"
    "                           (written with the built-in reports when missing) over the table in\n"
    "                           its saved sort order, into the text file or PDF file OUT; only\n"
    "                           pages A to B, only the records the criteria admit (FIELD~TEXT,\n"
    "                           FIELD=V, FIELD>V, FIELD<V; --or starts another level)\n"
    "  report FILE --list       list the names of the reports, one a line: those of FILE when it\n"
    "                           is a report definitions file (.URP), else the program folder's\n"
    "                           report definitions\n"
    "  stats FILE [--search CRITERION...] [--json]\n"
    "                           the collection at a glance: records, stamps, market value,\n"
    "                           purchase price and wanted records, with market value by\n"
    "                           country, stamps by decade, purchase price by year of purchase\n"
    "                           and records by condition; as aligned text, or as JSON. With\n"
    "                           --search, only the records the criteria find: FIELD~TEXT,\n"
    "                           FIELD=V, FIELD>V, FIELD<V; --or starts another set of criteria\n"
    "  export FILE OUT [--search CRITERION... [--or CRITERION...]...] [--encoding utf-8]\n"
    "                           write the records to OUT, a dBase table when OUT ends in .dbf, else\n"
    "                           delimited text (Windows-1252 unless --encoding utf-8), with the\n"
    "                           collection's saved export fields, order and first row, in its sort\n"
    "                           order, dates in the global date format with four-digit years;\n"
    "                           with --search only the records the criteria admit: FIELD~TEXT\n"
    "                           (contains), FIELD=VALUE, FIELD>VALUE, FIELD<VALUE; --or starts\n"
    "                           another group; dates as YYYY-MM-DD\n"
    "  import FILE IN [--skip-first]\n"
    "                           add a record for each line of the delimited text file IN (each record\n"
    "                           of IN when it ends in .dbf): import field N goes to field N; stops at\n"
    "                           the first value a field cannot take, keeping the records added\n"
    "  replace FILE FIELD OLD NEW [--confirm]\n"
    "                           set FIELD (its stored name or caption) to NEW in every record where\n"
    "                           it equals OLD (text without regard to letter case; numbers with \".\";\n"
    "                           dates as YYYY-MM-DD); --confirm asks before each change (needs the\n"
    "                           table to itself)\n"
    "  convert FILE             append the program folder's databases of earlier versions\n"
    "                           (S2LOG.DBF, SLOG.DBF) to FILE, deleting each once converted\n"
    "  backup FILE DIR [--kind table|lists|settings|reports|all]\n"
    "                           copy the table (the default), its lists, its settings file or the\n"
    "                           report definitions into the folder DIR under their own names\n"
    "  restore FILE SOURCE [--kind table|lists|settings|reports|all]\n"
    "                           copy them back from SOURCE (a backup folder, or the backed-up table\n"
    "                           file) beside FILE (the report definitions: into the program folder);\n"
    "                           a restored table gets its index rebuilt\n"
    "  search FILE CRITERION... [--or CRITERION...]...\n"
    "                           print the records that pass a search, in the table's saved sort\n"
    "                           order, in the format of dump. CRITERION is FIELD~TEXT (a text\n"
    "                           field contains TEXT, any letter case) or FIELD=VALUE, FIELD>VALUE,\n"
    "                           FIELD<VALUE (a number or date field; dates as YYYY-MM-DD); FIELD\n"
    "                           is the stored name or the caption. All criteria of a level must\n"
    "                           hold; each --or starts another level (at most 10 levels and 75\n"
    "                           criteria). Prints nothing when no record passes\n"
    "  --help                   show this text\n"
    "  --version                show the version\n"
    "\n"
    "Exit status: 0 on success, 1 when the command failed, 2 for a usage error.\n";

// Messages of the shared logic go to standard error as one line each; questions take their
// default answer and dialogs are cancelled, since nobody is there to answer.
class ConsoleInteraction : public Interaction {
public:
    explicit ConsoleInteraction(std::ostream& err) : err_(err) {}
    Answer message(const Message& m) override {
        err_ << "vazovi-cli: " << m.text.toStdString() << '\n';
        return m.defaultButton;
    }
    std::optional<QString> openFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> folderName(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QFont> chooseFont(const QFont&, const QString&) override { return std::nullopt; }
    std::optional<QColor> chooseColor(const QColor&, const QString&) override { return std::nullopt; }
    std::optional<PrintChoice> choosePrinter(const PrintChoice&, int) override { return std::nullopt; }
    void help(const QString&) override {}
    void beep() override {}

private:
    std::ostream& err_;
};

// Ctrl+C during a long pass stops it cleanly (the pass fails with a message, nothing is half
// written); a second Ctrl+C ends the program at once.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    if (interrupted) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
    interrupted = 1;
}

class InterruptGuard {
public:
    InterruptGuard() {
        interrupted = 0;
        previous_ = std::signal(SIGINT, onInterrupt);
    }
    ~InterruptGuard() { std::signal(SIGINT, previous_); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

// Shows how far a long pass over a table has come, on standard error, once it has run for a
// second; answers false once the user pressed Ctrl+C.
class ConsoleProgress {
public:
    ConsoleProgress(std::ostream& err, std::string what) : err_(err), what_(std::move(what)) {}
    ~ConsoleProgress() {
        if (shown_) err_ << '\n' << std::flush;
    }
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    bool operator()(uint64_t done, uint64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ >= std::chrono::seconds(1) && now - last_ >= std::chrono::milliseconds(500)) {
            last_ = now;
            shown_ = true;
            err_ << "\rvazovi-cli: " << what_ << ": " << (total ? done * 100 / total : 100) << "% (" << done
                 << " of " << total << " records; Ctrl+C stops)" << std::flush;
        }
        return !interrupted;
    }
    engine::Table::Progress callback() {
        return [this](uint64_t done, uint64_t total) { return (*this)(done, total); };
    }

private:
    std::ostream& err_;
    std::string what_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_;
    bool shown_ = false;
};

int fail(std::ostream& err, const std::string& message) {
    err << "vazovi-cli: " << message << '\n';
    return kFailed;
}

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

int create(const std::string& path, bool replace, std::ostream& err) {
    if (QFileInfo::exists(QString::fromStdString(path)) && !replace)
        return fail(err, path + " already exists; add --replace to replace it with an empty table.");
    ConsoleInteraction ui(err);
    return data::MakeNewDB(QString::fromStdString(path), ui) ? kOk : kFailed;
}

int info(const std::string& path, std::ostream& out, std::ostream& err) {
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return fail(err, t.status().message());
    const Table& table = **t;
    const engine::DbfHeader& h = table.header();
    InterruptGuard guard;
    ConsoleProgress progress(err, "counting the live records");
    (*t)->setProgress(progress.callback());
    auto live = (*t)->countLive();
    if (!live) return fail(err, live.status().message());
    char line[256];
    out << "File:             " << path << '\n';
    std::snprintf(line, sizeof line, "Version:          0x%02X\n", h.version);
    out << line;
    std::snprintf(line, sizeof line, "Last update:      %04d-%02d-%02d\n", h.updateYear, h.updateMonth, h.updateDay);
    out << line;
    out << "Records:          " << h.recordCount << " (" << *live << " live, " << h.recordCount - *live
        << " deleted)\n";
    out << "Header length:    " << h.headerLength << '\n';
    out << "Record length:    " << h.recordLength << '\n';
    std::snprintf(line, sizeof line, "Code page:        %s (language driver 0x%02X)\n", table.codePage().name(),
                  h.languageDriver);
    out << line;
    out << "Production index: " << (h.mdxFlag ? "yes" : "no") << " (byte 28 = " << int(h.mdxFlag) << ")\n";
    if (!table.indexProblem().empty()) out << "Index problem:    " << table.indexProblem() << '\n';
    for (const std::string& tag : table.tagNames())
        out << "Index tag:        " << tag << " = "
            << table.tagExpression(tag) << '\n';
    out << "Fields:           " << table.fieldCount() << '\n';
    for (int i = 0; i < table.fieldCount(); ++i) {
        const engine::Field& f = table.field(i);
        std::snprintf(line, sizeof line, "  %3d  %-10s  %c  %3d  %2d%s\n", i + 1, f.name.c_str(), char(f.type), f.width,
                      f.decimals, f.indexTag ? "  tag" : "");
        out << line;
    }
    return kOk;
}

int dump(const std::string& path, const std::string& order, std::ostream& out, std::ostream& err) {
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return fail(err, t.status().message());
    Table& table = **t;
    if (!order.empty()) {
        engine::Status s = table.setOrder(order);
        if (!s) return fail(err, s.message());
    }
    std::string value, line;
    auto write = [&]() -> engine::Status {
        line.clear();
        for (int f = 0; f < table.fieldCount(); ++f) {
            engine::Status r = table.readText(f, value);
            if (!r) return r;
            if (f) line.push_back(',');
            line += cli::quoted(trim(value));
        }
        line.push_back('\n');
        out << line;
        return engine::Status::ok();
    };
    if (!order.empty()) {
        // The whole order first: an index found out of date on the way gives no output at all.
        std::vector<uint32_t> rows;
        if (engine::Status s = table.collectOrder(rows); !s) return fail(err, s.message());
        for (uint32_t r : rows) {
            engine::Status s = table.go(r);
            if (s.code() == engine::Status::Code::NotFound)
                continue;  // deleted since by another user
            if (s) s = write();
            if (!s) return fail(err, s.message());
        }
        return kOk;
    }
    for (engine::Status s = table.first(); !table.eof(); s = table.next()) {
        if (s) s = write();
        if (!s) return fail(err, s.message());
    }
    return kOk;
}

int append(const std::string& path, std::istream& in, std::ostream& err) {
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return fail(err, t.status().message());
    Table& table = **t;
    std::string line, why;
    std::vector<std::string> values;
    for (long lineNo = 1; std::getline(in, line); ++lineNo) {
        const std::string at = path + ", input line " + std::to_string(lineNo) + ": ";
        if (!splitLine(line, values, why)) return fail(err, at + why + "; nothing of this line was stored.");
        if (int(values.size()) != table.fieldCount())
            return fail(err, at + std::to_string(values.size()) + " values where the table has " +
                                 std::to_string(table.fieldCount()) + " fields; nothing of this line was stored.");
        engine::Status s = table.append();
        for (int f = 0; s && f < table.fieldCount(); ++f) s = table.setText(f, values[size_t(f)]);
        if (s) s = table.post();
        if (!s) {
            // A post that stored the record but not its index entries leaves the table in
            // Browse; its message says so.
            const bool stored = table.state() == Table::State::Browse;
            table.cancel();
            return fail(err, at + s.message() + (stored ? "" : " Nothing of this line was stored."));
        }
    }
    return kOk;
}

int pack(const std::string& path, std::ostream& err) {
    auto t = Table::open(path, OpenMode::Exclusive);
    if (!t) return fail(err, t.status().message());
    InterruptGuard guard;
    ConsoleProgress progress(err, "packing");
    (*t)->setProgress(progress.callback());
    engine::Status s = (*t)->pack();
    return s ? kOk : fail(err, s.message());
}

int index(const std::string& path, const std::string& expression, std::ostream& err) {
    auto t = Table::open(path, OpenMode::Exclusive);
    if (!t) return fail(err, t.status().message());
    InterruptGuard guard;
    ConsoleProgress progress(err, "indexing");
    (*t)->setProgress(progress.callback());
    engine::Status s = search::applySortString(**t, QString::fromStdString(expression));
    return s ? kOk : fail(err, s.message());
}

int reindex(const std::string& path, std::ostream& out, std::ostream& err) {
    auto t = Table::open(path, OpenMode::Exclusive);
    if (!t) return fail(err, t.status().message());
    if ((*t)->header().mdxFlag == 0) {
        out << path << ": the table has no production index; nothing was rebuilt.\n";
        return kOk;
    }
    InterruptGuard guard;
    ConsoleProgress progress(err, "indexing");
    (*t)->setProgress(progress.callback());
    engine::Status s = (*t)->regenerateIndexes();
    return s ? kOk : fail(err, s.message());
}

int check(const std::string& path, std::ostream& out, std::ostream& err) {
    InterruptGuard guard;
    std::optional<ConsoleProgress> records(std::in_place, err, "checking the records");
    auto report = engine::checkTable(path, 100, records->callback());
    records.reset();
    if (!report) return fail(err, report.status().message());
    if (interrupted) return fail(err, path + ": the check was stopped before the end.");
    {
        auto t = Table::open(path, OpenMode::Shared);
        if (!t) return fail(err, t.status().message());
        ConsoleProgress index(err, "checking the index");
        (*t)->setProgress(index.callback());
        engine::Status s = (*t)->checkIndex(report->problems, 50, &report->notListed);
        if (!s) report->problems.push_back(s.message());
        if (!(*t)->writeRefusal().empty()) report->problems.push_back((*t)->writeRefusal());
        for (const std::string& tag : (*t)->tagNames()) out << path << ": index tag " << tag << '\n';
    }
    for (const std::string& p : report->problems) err << "vazovi-cli: " << p << '\n';
    if (report->notListed != 0)
        err << "vazovi-cli: " << path << ": " << report->notListed << " more problems found, not listed.\n";
    out << path << ": " << report->records << " records (" << report->deleted << " deleted), "
        << report->problems.size() + report->notListed << " problems" << (report->eofMarker ? "" : ", no end-of-file marker")
        << '\n';
    return report->sound() ? kOk : kFailed;
}


int runCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsageText;
        return kUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsageText;
        return kOk;
    }
    if (command == "--version") {
        out << "vazovi-cli (" << kProgramName << ") " << kProgramVersion << '\n';
        return kOk;
    }
    const bool replace = args.size() == 3 && command == "create" && args[2] == "--replace";
    const bool ordered = args.size() == 4 && command == "dump" && args[2] == "--order";
    if (command == "index") {
        if (args.size() != 3) {
            err << "vazovi-cli: index takes a file name and a key expression. See vazovi-cli --help.\n";
            return kUsage;
        }
        return index(args[1], args[2], err);
    }
    if (command == "replace")
        return runReplaceCommand(std::vector<std::string>(args.begin() + 1, args.end()), in, out, err);
    if (command == "convert") return runConvertCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (command == "backup") return runBackupCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (command == "restore") return runRestoreCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (command == "stats") return runStatsCommand({args.begin() + 1, args.end()}, out, err);
    if (command == "report") return reportCommand(args, out, err);
    if (command == "export") return runExportCommand({args.begin() + 1, args.end()}, out, err);
    if (command == "import") return runImportCommand({args.begin() + 1, args.end()}, out, err);
    if (command == "search") {
        if (args.size() < 3) {
            err << "vazovi-cli: search takes a file name and at least one criterion. See vazovi-cli --help.\n";
            return kUsage;
        }
        return runSearchCommand(args[1], std::vector<std::string>(args.begin() + 2, args.end()), out, err);
    }
    if (args.size() != 2 && !replace && !ordered) {
        err << "vazovi-cli: " << command << " takes one file name. See vazovi-cli --help.\n";
        return kUsage;
    }
    const std::string& file = args[1];
    if (command == "create") return create(file, replace, err);
    if (command == "info") return info(file, out, err);
    if (command == "dump") return dump(file, ordered ? args[3] : std::string(), out, err);
    if (command == "reindex") return reindex(file, out, err);
    if (command == "append") return append(file, in, err);
    if (command == "pack") return pack(file, err);
    if (command == "check") return check(file, out, err);
    err << "vazovi-cli: unknown command \"" << command << "\". See vazovi-cli --help.\n";
    return kUsage;
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    try {
        return runCommand(args, in, out, err);
    } catch (const std::bad_alloc&) {
        return fail(err, "there is not enough memory for this command; nothing more was done.");
    }
}

}  // namespace vz::cli
