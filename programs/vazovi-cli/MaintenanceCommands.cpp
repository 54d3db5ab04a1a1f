#include "MaintenanceCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "CliCommands.h"
#include "backup/BackupRestore.h"
#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/CollectionHost.h"
#include "data/Conversion.h"
#include "data/DatabaseFiles.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "search/SearchAndReplace.h"
#include "search/SortOrder.h"

namespace vz::cli {
namespace {

// Notices and the end of a run go to standard output, errors and warnings to standard error.
// Questions are asked on standard input ("y" answers Yes); at the end of the input they take
// their default answer.
class CliInteraction : public Interaction {
public:
    CliInteraction(std::istream& in, std::ostream& out, std::ostream& err)
        : in_(in), out_(out), err_(err) {}
    Answer message(const Message& m) override {
        const std::string text = m.text.toStdString();
        if (m.buttons == Buttons::YesNo || m.buttons == Buttons::YesNoCancel) {
            out_ << text << " [y/N] " << std::flush;
            std::string line;
            if (!std::getline(in_, line)) {
                out_ << '\n';
                return m.defaultButton;
            }
            return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? Answer::Yes : Answer::No;
        }
        const bool notice =
            m.caption == QLatin1String("Notice") || m.caption == QLatin1String("Finished");
        (notice ? out_ : err_) << (notice ? "" : "vazovi-cli: ") << text << '\n';
        return m.defaultButton;
    }
    std::optional<QString> openFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> folderName(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QFont> chooseFont(const QFont&, const QString&) override { return std::nullopt; }
    std::optional<QColor> chooseColor(const QColor&, const QString&) override {
        return std::nullopt;
    }
    std::optional<PrintChoice> choosePrinter(const PrintChoice&, int) override {
        return std::nullopt;
    }
    void help(const QString&) override {}
    void beep() override {}

private:
    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
};

int fail(std::ostream& err, const QString& message) {
    err << "vazovi-cli: " << message.toStdString() << '\n';
    return kFailed;
}

// One collection table file as the shared logic's host: its settings file beside it gives the
// sort order and the captions; nothing is held in memory besides the table.
class FileHost : public data::CollectionHost {
public:
    FileHost(const QString& path, QString programFolder)
        : path_(path), programFolder_(std::move(programFolder)) {
        data::loadDatabaseSettings(settings_, iniOf(path_), globalSettingsPath());
    }
    static QString iniOf(const QString& table) {
        return joinPath(QFileInfo(table).absolutePath(), data::tableNameOf(table)) +
               QStringLiteral(".INI");
    }
    const data::DatabaseSettings& settings() const { return settings_; }
    QString error;  // why the last open failed

    QString programFolder() const override { return programFolder_; }
    QString databasePath() const override { return path_; }
    engine::Table* table() override { return table_.get(); }
    void closeTable() override { table_.reset(); }
    bool openTable(engine::OpenMode mode) override {
        table_.reset();
        auto t = engine::Table::open(toNativePath(path_), mode);
        if (!t) {
            error = QString::fromStdString(t.status().message());
            return false;
        }
        table_ = std::move(t.value());
        return true;
    }
    QString sortString() const override { return search::BuildSortString(settings_.sortLevels); }
    bool switchTo(const QString& path) override {
        // A table restored under another name: its index from its own settings' sort order.
        FileHost other(path, programFolder_);
        const QString sort = other.sortString();
        if (sort.isEmpty()) return true;
        if (!other.openTable(engine::OpenMode::Exclusive)) return false;
        return bool(search::applySortString(*other.table(), sort));
    }

private:
    QString path_;
    QString programFolder_;
    data::DatabaseSettings settings_;
    std::unique_ptr<engine::Table> table_;
};

QString absolute(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).absoluteFilePath();
}

// The schema field named by `name`: a stored name or a caption of the database's settings,
// either without regard to letter case; 0 when none.
int fieldNamed(const QString& name, const data::DatabaseSettings& settings) {
    for (int n = 1; n <= data::kFieldCount; ++n)
        if (name.compare(QLatin1String(data::schemaField(n).storedName.data(),
                                       qsizetype(data::schemaField(n).storedName.size())),
                         Qt::CaseInsensitive) == 0)
            return n;
    for (int n = 1; n <= data::kFieldCount; ++n)
        if (name.compare(settings.field(n).caption.trimmed(), Qt::CaseInsensitive) == 0) return n;
    return 0;
}

std::optional<backup::Kind> kindNamed(const std::string& name) {
    if (name == "table") return backup::Kind::Table;
    if (name == "lists") return backup::Kind::Lists;
    if (name == "settings") return backup::Kind::Settings;
    if (name == "reports") return backup::Kind::Reports;
    return std::nullopt;
}

// The kinds of a backup or restore command line: FILE PLACE [--kind K]; empty on a usage error.
std::vector<backup::Kind> kindsOf(const std::vector<std::string>& args, std::ostream& err,
                                  const char* command) {
    std::vector<backup::Kind> kinds;
    if (args.size() == 2) return {backup::Kind::Table};
    if (args.size() == 4 && args[2] == "--kind") {
        if (args[3] == "all")
            return {backup::Kind::Table, backup::Kind::Lists, backup::Kind::Settings,
                    backup::Kind::Reports};
        if (auto k = kindNamed(args[3])) return {*k};
    }
    err << "vazovi-cli: " << command << " takes a file name, a "
        << (std::string(command) == "backup" ? "folder" : "source")
        << " and optionally --kind table|lists|settings|reports|all. See vazovi-cli --help.\n";
    return kinds;
}

}  // namespace

int runReplaceCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err) {
    const bool confirm = args.size() == 5 && args[4] == "--confirm";
    if (args.size() != 4 && !confirm) {
        err << "vazovi-cli: replace takes a file name, a field, the value to search for and its "
               "replacement, "
               "and optionally --confirm. See vazovi-cli --help.\n";
        return kUsage;
    }
    const QString path = absolute(args[0]);
    if (!QFileInfo::exists(path)) return fail(err, path + QStringLiteral(" does not exist."));
    QString why;
    FileHost host(path, programFolder(&why));
    CliInteraction ui(in, out, err);
    const int field = fieldNamed(QString::fromStdString(args[1]), host.settings());
    if (field == 0)
        return fail(
            err,
            QStringLiteral("there is no field named \"%1\" (give its stored name or its caption).")
                .arg(QString::fromStdString(args[1])));
    search::ReplaceValues values;
    const auto readIso = [](QStringView text, engine::Date& d) {
        return engine::Date::parse(text.toString().toStdString(), d);
    };
    if (search::prepareReplace(field, QString::fromStdString(args[2]),
                               QString::fromStdString(args[3]), readIso, ui,
                               values) != search::ReplaceFault::None)
        return kFailed;
    if (!host.openTable(engine::OpenMode::Shared)) return fail(err, host.error);
    search::ReplaceCallbacks callbacks;
    if (confirm)
        callbacks.confirm = [&ui](const QString& catalog) {
            return ui.confirm(
                QStringLiteral("Confirm"),
                QStringLiteral("Item = \"") + catalog + QStringLiteral("\".  Change this record?"));
        };
    search::ReplaceCounters counters;
    const bool done = search::runSearchAndReplace(host, ui, values, callbacks, counters);
    out << "Processed " << counters.processed << ", found " << counters.found << ", changed "
        << counters.changed << ".\n";
    return done ? kOk : kFailed;
}

int runConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "vazovi-cli: convert takes one file name. See vazovi-cli --help.\n";
        return kUsage;
    }
    const QString path = absolute(args[0]);
    QString why;
    const QString folder = programFolder(&why);
    if (folder.isEmpty()) return fail(err, QStringLiteral("no program folder: ") + why);
    auto table = engine::Table::open(toNativePath(path), engine::OpenMode::Shared);
    if (!table) return fail(err, QString::fromStdString(table.status().message()));
    bool any = false, failed = false;
    for (const char* name : {"S2LOG.DBF", "SLOG.DBF"}) {
        const QString old = joinPath(folder, QLatin1String(name));
        const bool v2 = QLatin1String(name) == QLatin1String("S2LOG.DBF");
        if (!QFileInfo::exists(old)) continue;
        if (!(v2 ? data::CheckDBaseFormatV2(old) : data::CheckDBaseFormatV1(old))) {
            err << "vazovi-cli: " << old.toStdString() << " is not a table of version "
                << (v2 ? "2.x" : "1.x") << "; it was left alone.\n";
            continue;
        }
        any = true;
        const data::ConversionResult r =
            v2 ? data::ConvertV2(old, **table, folder) : data::ConvertV1(old, **table);
        if (!r.complete) {
            failed = true;
            fail(err,
                 QStringLiteral(
                     "the conversion of %1 stopped after %2 records were added; it was kept: %3")
                     .arg(old)
                     .arg(r.added)
                     .arg(r.error));
            continue;
        }
        out << old.toStdString() << ": " << r.added << " records added to " << path.toStdString()
            << ".\n";
        if (r.badDates)
            out << r.badDates
                << " records had a purchase date that is not a date; their Date was left empty.\n";
        if (r.noQuantity)
            out << r.noQuantity
                << " records had no quantity; their market value and cost were not divided by "
                   "it.\n";
        if (!QFile::remove(old)) {
            failed = true;
            fail(err, old + QStringLiteral(" was converted but could not be deleted."));
        }
    }
    if (!any && !failed)
        out << "There is no database of an earlier version in " << folder.toStdString() << ".\n";
    return failed ? kFailed : kOk;
}

int runBackupCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::vector<backup::Kind> kinds = kindsOf(args, err, "backup");
    if (kinds.empty()) return kUsage;
    const QString path = absolute(args[0]);
    const QString folder = absolute(args[1]);
    if (!QFileInfo::exists(path)) return fail(err, path + QStringLiteral(" does not exist."));
    if (!QFileInfo(folder).isDir()) return fail(err, folder + QStringLiteral(" is not a folder."));
    QString why;
    FileHost host(path, programFolder(&why));
    std::istringstream none;
    CliInteraction ui(none, out, err);
    bool ok = true;
    int copied = 0;
    for (backup::Kind kind : kinds) {
        if (!host.openTable(engine::OpenMode::Shared)) return fail(err, host.error);
        const backup::Outcome r = backup::backUp(host, ui, kind, folder);
        ok = ok && r.ok;
        copied += r.copied;
    }
    out << copied << (copied == 1 ? " file" : " files") << " copied to " << folder.toStdString()
        << ".\n";
    return ok ? kOk : kFailed;
}

int runRestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::vector<backup::Kind> kinds = kindsOf(args, err, "restore");
    if (kinds.empty()) return kUsage;
    const QString path = absolute(args[0]);
    const QString source = absolute(args[1]);
    // SOURCE is the backed-up table file, or the folder that holds the copies under the
    // collection's own names.
    const QString chosen =
        QFileInfo(source).isDir() ? joinPath(source, QFileInfo(path).fileName()) : source;
    const QString folder = QFileInfo(path).absolutePath();
    QString why;
    FileHost host(path, programFolder(&why));
    std::istringstream none;
    CliInteraction ui(none, out, err);
    bool ok = true;
    int copied = 0;
    for (backup::Kind kind : kinds) {
        if (QFileInfo::exists(path) && !host.openTable(engine::OpenMode::Shared))
            return fail(err, host.error);
        const backup::Outcome r = backup::restore(
            host, ui, kind, chosen, kind == backup::Kind::Reports ? host.programFolder() : folder);
        ok = ok && r.ok;
        copied += r.copied;
        host.closeTable();
    }
    out << copied << (copied == 1 ? " file" : " files") << " restored.\n";
    return ok ? kOk : kFailed;
}

}  // namespace vz::cli
