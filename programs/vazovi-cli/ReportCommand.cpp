#include "ReportCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "CliCommands.h"
#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/OwnFiles.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "reports/PageEngine.h"
#include "reports/PageStream.h"
#include "reports/PageTarget.h"
#include "reports/ReportFile.h"
#include "reports/ReportRun.h"
#include "search/SearchCriteria.h"
#include "search/SortOrder.h"
#include "search/TableInOrder.h"

namespace vz::cli {
namespace {

using engine::OpenMode;
using engine::Table;

int fail(std::ostream& err, const QString& message) {
    err << "vazovi-cli: " << message.toStdString() << '\n';
    return kFailed;
}

// Reports measure text with fonts, which needs a GUI application; without a display it runs on
// the offscreen platform. One is made on first use and lives as long as the process.
bool ensureGuiApplication(QString& why) {
    if (auto* app = QCoreApplication::instance()) {
        if (qobject_cast<QGuiApplication*>(app)) return true;
        why = QStringLiteral(
            "reports need a graphical application object, and another kind is running.");
        return false;
    }
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's own notes about the platform (a missing runtime folder, fonts) are not the tool's
    // errors: only critical ones reach standard error.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "vazovi-cli: %s\n", qPrintable(text));
    });
    static int argc = 1;
    static char name[] = "vazovi-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return app != nullptr;
}

void applyFormats(const data::MiscSettings& misc) {
    DisplayFormats& f = displayFormats();
    f.setRegional(RegionalValues::fromLocale());
    f.setDateFormat(misc.dateFormat, misc.dateLeadingZeros);
    f.setCurrencyFormat(misc.currencyFormat);
    f.setNumericFormat(misc.numericFormat);
}

}  // namespace

int runReportCommand(const std::string& table, const std::string& name, ReportOutput output,
                     const std::string& outFile, std::ostream& err) {
    ReportRequest r;
    r.table = table;
    r.name = name;
    r.output = output;
    r.outFile = outFile;
    return runReportCommand(r, err);
}

int runReportCommand(const ReportRequest& request, std::ostream& err) {
    const std::string& tableArg = request.table;
    const std::string& nameArg = request.name;
    const ReportOutput output = request.output;
    const std::string& outArg = request.outFile;
    const bool somePages = request.firstPage > 0;
    QString why;
    if (!ensureGuiApplication(why)) return fail(err, why);
    const QString tablePath = QFileInfo(QString::fromStdString(tableArg)).absoluteFilePath();
    const QString name = QString::fromStdString(nameArg);
    const QString outFile = QString::fromStdString(outArg);
    if (!QFileInfo::exists(tablePath))
        return fail(err, tablePath + QStringLiteral(" does not exist."));

    // The report definition, from the program folder's file (the built-ins when it is missing).
    const QString folder = programFolder(&why);
    if (folder.isEmpty()) return fail(err, QStringLiteral("no program folder: ") + why);
    // The output goes to a temporary file renamed over `outFile` only when complete; but never
    // over the collection's own files or the program's.
    if (const QString own = data::protectedFileReason(outFile, tablePath, folder); !own.isEmpty())
        return fail(err, own);
    const reports::PreparationResult prepared = reports::prepareReportFile(folder);
    for (const QString& problem : prepared.conversion.problems)
        err << "vazovi-cli: " << problem.toStdString() << '\n';
    const QString definitions = reports::reportFilePath(folder);
    engine::Status listProblem;
    const QStringList names = reports::ListReports(definitions, &listProblem);
    const int index = int(names.indexOf(name));
    if (index < 0) {
        if (!listProblem.isOk()) return fail(err, QString::fromStdString(listProblem.message()));
        return fail(
            err, QStringLiteral("there is no report named \"%1\" in %2.").arg(name, definitions));
    }
    auto definition = reports::LoadReport(definitions, index);
    if (!definition) return fail(err, QString::fromStdString(definition.status().message()));

    // The settings: the formats of the global part, the captions and order of the database's own.
    data::GlobalSettings global;
    data::loadGlobalSettings(global, globalSettingsPath(), QDir::currentPath());
    data::DatabaseSettings database;
    const QFileInfo info(tablePath);
    const QString iniPath =
        joinPath(info.absolutePath(), data::tableNameOf(tablePath)) + QStringLiteral(".INI");
    data::loadDatabaseSettings(database, iniPath, globalSettingsPath());
    applyFormats(global.misc);

    auto table = search::openInSortOrder(tablePath, search::BuildSortString(database.sortLevels));
    if (!table) return fail(err, QString::fromStdString(table.status().message()));
    (*table)->setDateFormatter(
        [](const engine::Date& d) { return displayFormats().formatDate(d).toStdString(); });
    const reports::ReportContext context = reports::ReportContext::fromSettings(database);
    if (!request.search.empty()) {
        search::FieldCaptions captions;
        for (int n = 1; n <= data::kFieldCount; ++n)
            captions[size_t(n - 1)] = database.field(n).caption;
        search::CriteriaParse parsed = search::parseSearchCriteria(request.search, captions);
        if (!parsed.ok()) return fail(err, parsed.error);
        (*table)->setFilter(
            [items = std::move(parsed.items)](const Table& t) { return items.test(t); });
    }

    reports::ReportResult result;
    if (output == ReportOutput::Text && somePages) {
        // The whole report to a temporary file, then the pages asked for into the output.
        QTemporaryFile whole(QFileInfo(outFile).absolutePath() +
                             QStringLiteral("/.vazovi-report-XXXXXX"));
        if (!whole.open())
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, whole.errorString()));
        whole.close();
        {
            reports::PageStream stream;
            reports::PageEngine engine(stream);
            result = reports::runReport(*definition, **table, context,
                                        reports::ReportMode::TextFile, engine, whole.fileName());
        }
        if (result.outcome != reports::PageEngine::Outcome::Completed)
            return fail(err, result.error.isEmpty() ? result.statusText() : result.error);
        // The run put a new file in place of the temporary one: read it by its name.
        QFile written(whole.fileName());
        if (!written.open(QIODevice::ReadOnly)) return fail(err, written.errorString());
        const QByteArray all = written.readAll();
        written.close();
        // Every page ends in a form feed and its line end.
        const QByteArray pageEnd("\f\r\n");
        QList<QByteArray> pages;
        for (qsizetype at = 0; at < all.size();) {
            qsizetype end = all.indexOf(pageEnd, at);
            end = end < 0 ? all.size() : end + pageEnd.size();
            pages << all.mid(at, end - at);
            at = end;
        }
        if (request.firstPage > pages.size())
            return fail(err, QStringLiteral("the report has %1 pages; there is no page %2.")
                                 .arg(pages.size())
                                 .arg(request.firstPage));
        QSaveFile file(outFile);
        if (!file.open(QIODevice::WriteOnly))
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, file.errorString()));
        for (int p = request.firstPage; p <= std::min<int>(request.lastPage, int(pages.size()));
             ++p)
            file.write(pages[p - 1]);
        if (!file.commit())
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, file.errorString()));
        return kOk;
    }
    if (output == ReportOutput::Text) {
        reports::PageStream stream;
        reports::PageEngine engine(stream);
        result = reports::runReport(*definition, **table, context, reports::ReportMode::TextFile,
                                    engine, outFile);
    } else if (somePages) {
        // Recorded, then the pages asked for printed into the PDF.
        reports::PageStream stream(QPageSize(QPageSize::Letter));
        reports::PageEngine engine(stream);
        result =
            reports::runReport(*definition, **table, context, reports::ReportMode::View, engine);
        if (result.outcome != reports::PageEngine::Outcome::Completed)
            return fail(err, result.error.isEmpty() ? result.statusText() : result.error);
        if (request.firstPage > stream.pageCount())
            return fail(err, QStringLiteral("the report has %1 pages; there is no page %2.")
                                 .arg(stream.pageCount())
                                 .arg(request.firstPage));
        QSaveFile file(outFile);
        if (!file.open(QIODevice::WriteOnly))
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, file.errorString()));
        QString problem;
        {
            QPdfWriter pdf(&file);
            pdf.setTitle(definition->name);
            pdf.setCreator(QStringLiteral("vazovi-cli"));
            if (!stream.print(pdf, request.firstPage, request.lastPage, 1, &problem))
                return fail(err, problem);
        }
        if (!file.commit())
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, file.errorString()));
        return kOk;
    } else {
        // Written to a temporary file first, so a failed run leaves no half a PDF behind.
        QSaveFile file(outFile);
        if (!file.open(QIODevice::WriteOnly))
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, file.errorString()));
        {
            QPdfWriter pdf(&file);
            pdf.setPageSize(QPageSize(QPageSize::Letter));
            pdf.setTitle(definition->name);
            pdf.setCreator(QStringLiteral("vazovi-cli"));
            reports::PagedDeviceTarget target(pdf, outFile);
            reports::PageEngine engine(target);
            result = reports::runReport(*definition, **table, context, reports::ReportMode::Print,
                                        engine);
        }
        if (result.outcome == reports::PageEngine::Outcome::Completed && !file.commit())
            return fail(
                err, QStringLiteral("%1 cannot be written: %2").arg(outFile, file.errorString()));
    }
    if (result.outcome != reports::PageEngine::Outcome::Completed)
        return fail(err, result.error.isEmpty() ? result.statusText() : result.error);
    return kOk;
}

namespace {

// "A-B" or "A": pages A to B. False when it is not that, or A is below 1 or B below A.
bool readPages(const std::string& text, int& first, int& last) {
    const QString t = QString::fromStdString(text).trimmed();
    const QStringList parts = t.split(QLatin1Char('-'));
    if (parts.size() > 2) return false;
    bool ok1 = false, ok2 = true;
    first = parts[0].toInt(&ok1);
    last = parts.size() == 2 ? parts[1].toInt(&ok2) : first;
    return ok1 && ok2 && first >= 1 && last >= first;
}

int usage(std::ostream& err, const std::string& what) {
    err << "vazovi-cli: " << what << " See vazovi-cli --help.\n";
    return kUsage;
}

}  // namespace

int reportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 3 && args[2] == "--list") {
        QString file = QString::fromStdString(args[1]);
        if (!file.endsWith(QLatin1String(".URP"), Qt::CaseInsensitive)) {
            QString why;
            const QString folder = programFolder(&why);
            if (folder.isEmpty()) return fail(err, QStringLiteral("no program folder: ") + why);
            reports::prepareReportFile(folder);
            file = reports::reportFilePath(folder);
        } else if (!QFileInfo::exists(file)) {
            return fail(err, file + QStringLiteral(" does not exist."));
        }
        engine::Status problem;
        const QStringList names = reports::ListReports(file, &problem);
        for (const QString& name : names) out << name.toStdString() << '\n';
        if (!problem.isOk()) return fail(err, QString::fromStdString(problem.message()));
        return kOk;
    }
    const std::string shape =
        "report takes a file name, a report name and --text OUT or --pdf OUT, then optionally "
        "--pages A-B and --search CRITERION...; or a file name and --list.";
    if (args.size() < 5 || (args[3] != "--text" && args[3] != "--pdf")) return usage(err, shape);
    ReportRequest r;
    r.table = args[1];
    r.name = args[2];
    r.output = args[3] == "--text" ? ReportOutput::Text : ReportOutput::Pdf;
    r.outFile = args[4];
    for (size_t i = 5; i < args.size();) {
        if (args[i] == "--pages" && i + 1 < args.size() && r.firstPage == 0) {
            if (!readPages(args[i + 1], r.firstPage, r.lastPage))
                return usage(err,
                             "--pages takes A-B: the first page from 1, the last not before it.");
            i += 2;
        } else if (args[i] == "--search" && r.search.empty()) {
            ++i;
            while (i < args.size() && (args[i] == "--or" || args[i].rfind("--", 0) != 0))
                r.search.push_back(args[i++]);
            if (r.search.empty()) return usage(err, "--search takes one or more criteria.");
        } else {
            return usage(err, shape);
        }
    }
    return runReportCommand(r, err);
}

}  // namespace vz::cli
