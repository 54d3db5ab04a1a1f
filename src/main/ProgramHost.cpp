#include "main/ProgramHost.h"

#include "app/Program.h"

namespace vz::mainwin {

QString ProgramHost::programFolder() const {
    return program_.programFolder();
}
QString ProgramHost::databasePath() const {
    return program_.database().tablePath();
}
engine::Table* ProgramHost::table() {
    return program_.database().table();
}
void ProgramHost::closeTable() {
    program_.database().closeTable();
}

bool ProgramHost::openTable(engine::OpenMode mode) {
    // An exclusive open that fails is the caller's to explain (someone else holds the table).
    const bool shared = mode == engine::OpenMode::Shared;
    const bool opened = program_.database().openTable(mode, shared);
    if (shared && viewerOptions) viewerOptions();
    return opened;
}

QString ProgramHost::sortString() const {
    return program_.sortString();
}
bool ProgramHost::searchMode() const {
    return program_.searchMode();
}

void ProgramHost::setSearchMode(bool on) {
    if (searchModeChanged)
        searchModeChanged(on);
    else
        program_.setSearchMode(on);
}

void ProgramHost::saveLists() {
    program_.saveAllLists(program_.database().baseName());
}
void ProgramHost::reloadLists() {
    program_.loadAllLists(program_.database().baseName());
}
void ProgramHost::saveSettings() {
    program_.saveDatabaseSettings(program_.database().settingsPath());
}

void ProgramHost::reloadSettings() {
    program_.loadDatabaseSettings(program_.database().settingsPath());
    if (fileSpecific) fileSpecific();
}

void ProgramHost::reportsReplaced() {
    if (reportList) reportList();
}

bool ProgramHost::switchTo(const QString& path) {
    program_.database().OpenSaveFile(path);
    return program_.database().table() != nullptr && program_.database().tablePath() == path;
}

void ProgramHost::busy(bool on) {
    if (busyCursor) busyCursor(on);
}

bool ProgramHost::progress(uint64_t done, uint64_t total) {
    return progressShown ? progressShown(done, total) : true;
}

}  // namespace vz::mainwin
