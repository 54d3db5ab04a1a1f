#include "app/Program.h"

#include <QDir>
#include <QFileInfo>

#include "common/Interaction.h"
#include "common/DisplayFormats.h"
#include "data/Conversion.h"
#include "reports/ReportFile.h"
#include "search/SortOrder.h"

namespace vz::mainwin {

Program::Program(QString programFolder, QString globalSettingsFile, Interaction& ui)
    : programFolder_(std::move(programFolder)),
      globalFile_(std::move(globalSettingsFile)),
      ui_(ui),
      lists_(programFolder_, ui),
      database_(*this, ui, programFolder_) {}

Program::~Program() = default;

bool Program::startUp() {
    // The report definitions: the built-ins when the file is missing, an earlier file converted.
    const reports::PreparationResult reports = reports::prepareReportFile(programFolder_);
    if (!reports.created) ui_.error(QString::fromStdString(reports.created.message()));
    if (!reports.conversion.problems.isEmpty()) ui_.error(reports.conversion.problems.join(QLatin1Char('\n')));
    data::loadGlobalSettings(settings_.global, globalFile_, QDir::currentPath());
    for (int i = 0; i < data::RecentFiles::kCount; ++i) recent_.setEntry(i, settings_.global.misc.lastFiles[size_t(i)]);
    applyFormats();
    displayFormats().setRegional(RegionalValues::fromLocale());
    takeStartDatabase();
    if (!database_.startUp()) return false;
    // Databases of earlier versions in the program folder are offered for conversion.
    if (engine::Table* table = database_.table()) data::CheckForConversion(programFolder_, *table, ui_);
    // The lists come with the record edit window, which is made right after the main window.
    lists_.setBaseName(database_.baseName());
    lists_.LoadAllList();
    return true;
}

void Program::takeStartDatabase() {
    if (startDatabase_.isEmpty()) return;
    const QFileInfo named(startDatabase_);
    const QString path = named.absoluteFilePath();
    if (!named.isFile()) {
        ui_.error("The database " + path + " named on the command line does not exist.");
        return;
    }
    if (path.right(4).toUpper() != QStringLiteral(".DBF")) {
        ui_.error("The file " + path + " named on the command line is not a database (.DBF) file.");
        return;
    }
    if (!data::CheckDBaseFormat(path, ui_)) return;
    // Opened as File, Open Database would: the collection used last moves to the recent files.
    const QString last = lastDatabase();
    if (!last.isEmpty() && last != path) recent_.DoLastFiles(last, path);
    setLastDatabase(path);
}

void Program::copyRecentToSettings() {
    for (int i = 0; i < data::RecentFiles::kCount; ++i) settings_.global.misc.lastFiles[size_t(i)] = recent_.entry(i);
}

void Program::saveGlobalSettings() {
    if (!data::saveGlobalSettings(settings_.global, globalFile_))
        ui_.error("The settings could not be saved to " + globalFile_ + ".");
}

void Program::shutDown() {
    endSearch();
    copyRecentToSettings();
    saveGlobalSettings();
    // The run ends: "Field Editing" gets back the value browse-only mode kept aside.
    if (browseOnly_) settings_.database.gridOptions.fieldEditing = heldFieldEditing_;
    if (!database_.baseName().isEmpty() && !data::saveDatabaseSettings(settings_.database, database_.settingsPath()))
        ui_.error("The settings could not be saved to " + database_.settingsPath() + ".");
    database_.closeTable();
}

void Program::setBrowseOnly(bool on) {
    if (on == browseOnly_) return;
    if (on) {
        browseOnly_ = true;
        holdFieldEditing();
    } else {
        settings_.database.gridOptions.fieldEditing = heldFieldEditing_;
        browseOnly_ = false;
    }
}

void Program::holdFieldEditing() {
    if (!browseOnly_) return;
    heldFieldEditing_ = settings_.database.gridOptions.fieldEditing;
    settings_.database.gridOptions.fieldEditing = false;
}

data::DatabaseSettings Program::storedDatabaseSettings() const {
    data::DatabaseSettings stored = settings_.database;
    if (browseOnly_) stored.gridOptions.fieldEditing = heldFieldEditing_;
    return stored;
}

void Program::saveDatabaseSettings(const QString& iniPath) {
    if (!data::saveDatabaseSettings(storedDatabaseSettings(), iniPath))
        ui_.error("The settings could not be saved to " + iniPath + ".");
}

void Program::saveAllLists(const QString& baseName) {
    lists_.setBaseName(baseName);
    lists_.SaveAllLists();
}

void Program::loadAllLists(const QString& baseName) {
    lists_.setBaseName(baseName);
    lists_.LoadAllList();
}

void Program::loadDefaultLists() {
    lists_.setBaseName(database_.baseName());
    lists_.LoadDefaultList();
}

void Program::loadDatabaseSettings(const QString& iniPath) {
    settings_.database = data::DatabaseSettings{};
    data::loadDatabaseSettings(settings_.database, iniPath, globalFile_);
    holdFieldEditing();
}

void Program::loadDatabaseSettingsFromGlobal() {
    settings_.database = data::DatabaseSettings{};
    data::loadDatabaseSettings(settings_.database, QString(), globalFile_);
    holdFieldEditing();
}

QString Program::sortString() const { return search::BuildSortString(settings_.database.sortLevels); }

void Program::applyDatabaseDisplay() {
    copyRecentToSettings();
    if (onDisplay) onDisplay();
}

void Program::showRecentFiles() {
    copyRecentToSettings();
    if (onRecentFiles) onRecentFiles();
}

void Program::applyFormats() {
    const data::MiscSettings& misc = settings_.global.misc;
    DisplayFormats& f = displayFormats();
    f.setDateFormat(misc.dateFormat, misc.dateLeadingZeros);
    f.setCurrencyFormat(misc.currencyFormat == kFormatRegional ? kFormatRegional : kFormatUS);
    f.setNumericFormat(misc.numericFormat == kFormatRegional ? kFormatRegional : kFormatUS);
}

bool Program::MyTableFilter(const engine::Table& table) const {
    if (!searchMode_) return true;
    return searchTest ? searchTest(table) : false;
}

void Program::prepareTable(engine::Table& table) {
    table.setFilter([this](const engine::Table& t) { return MyTableFilter(t); });
    table.setDateFormatter([](const engine::Date& d) { return displayFormats().formatDate(d).toStdString(); });
    table.setDateParser([](std::string_view text, engine::Date& out) {
        return displayFormats().parseDate(QString::fromUtf8(text.data(), qsizetype(text.size())), out);
    });
}

void Program::showRecordCount() {
    if (onRecordCount) onRecordCount();
}

}  // namespace vz::mainwin
