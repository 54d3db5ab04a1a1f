// ProgramHost: the running program as the exclusive operations (pack, rebuild, search and
// replace, backup and restore) see it. The main window fills in the hooks for what it shows;
// without them (in tests) the program's state changes alone.
#pragma once

#include <functional>

#include "data/CollectionHost.h"

namespace vz::mainwin {

class Program;

class ProgramHost : public data::CollectionHost {
public:
    explicit ProgramHost(Program& program) : program_(program) {}

    // SetViewerOptions, after every shared reopen.
    std::function<void()> viewerOptions;
    // EnableEndSearch (true) / DisableEndSearch (false); without it the mode is set directly.
    std::function<void(bool)> searchModeChanged;
    // DoFileSpecific, after the database settings were read again.
    std::function<void()> fileSpecific;
    // LoadReportBox of the report window, after the report definitions were replaced.
    std::function<void()> reportList;
    std::function<void(bool)> busyCursor;
    std::function<bool(uint64_t, uint64_t)> progressShown;

    QString programFolder() const override;
    QString databasePath() const override;
    engine::Table* table() override;
    void closeTable() override;
    bool openTable(engine::OpenMode mode) override;
    QString sortString() const override;
    bool searchMode() const override;
    void setSearchMode(bool on) override;
    void saveLists() override;
    void reloadLists() override;
    void saveSettings() override;
    void reloadSettings() override;
    void reportsReplaced() override;
    bool switchTo(const QString& path) override;
    void busy(bool on) override;
    bool progress(uint64_t done, uint64_t total) override;

private:
    Program& program_;
};

}  // namespace vz::mainwin
