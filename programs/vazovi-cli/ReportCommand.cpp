#include "ReportCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "CliCommands.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/OwnFiles.h"
#include "data/Settings.h"
#include "engine/KeyExpression.h"
#include "engine/Table.h"
#include "common/DisplayFormats.h"
#include "reports/PageEngine.h"
#include "reports/PageStream.h"
#include "reports/PageTarget.h"
#include "reports/ReportFile.h"
#include "reports/ReportRun.h"
#include "search/SortOrder.h"

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

bool sameExpression(const std::string& a, const QString& b) {
    return engine::KeyExpression::sameSpelling(a, b.toStdString());
}

}  // namespace

engine::Result<std::unique_ptr<Table>> openInOrder(const QString& path, const QString& sortString) {
    const std::string native = toNativePath(path);
    auto table = Table::open(native, OpenMode::Shared);
    if (!table || sortString.isEmpty()) return table;
    if (!(*table)->hasTag(search::kSortTag) ||
        !sameExpression((*table)->tagExpression(search::kSortTag), sortString)) {
        table->reset();
        {
            auto exclusive = Table::open(native, OpenMode::Exclusive);
            if (!exclusive) {
                if (exclusive.status().code() == engine::Status::Code::Locked)
                    return engine::Status::locked(
                        native +
                        " is in use by another program; its sort order cannot be applied.");
                return exclusive.status();
            }
            VZ_RETURN_IF_ERROR(search::applySortString(**exclusive, sortString));
        }
        table = Table::open(native, OpenMode::Shared);
        if (!table) return table;
    }
    VZ_RETURN_IF_ERROR((*table)->setOrder(search::kSortTag));
    return table;
}

int runReportCommand(const std::string& tableArg, const std::string& nameArg, ReportOutput output,
                     const std::string& outArg, std::ostream& err) {
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

    auto table = openInOrder(tablePath, search::BuildSortString(database.sortLevels));
    if (!table) return fail(err, QString::fromStdString(table.status().message()));
    (*table)->setDateFormatter([](const engine::Date& d) {
        return displayFormats().formatDate(d).toStdString();
    });
    const reports::ReportContext context = reports::ReportContext::fromSettings(database);

    reports::ReportResult result;
    if (output == ReportOutput::Text) {
        reports::PageStream stream;
        reports::PageEngine engine(stream);
        result = reports::runReport(*definition, **table, context, reports::ReportMode::TextFile,
                                    engine, outFile);
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

}  // namespace vz::cli
