// The recent-files list: the five databases used before the current one, most recent first.
#pragma once

#include <QString>
#include <array>

namespace vz::data {

class RecentFiles {
public:
    static constexpr int kCount = 5;

    // What the File menu shows: a separator and five items.
    struct Menu {
        bool separatorVisible = false;
        std::array<bool, kCount> visible{};
        std::array<QString, kCount> captions;  // "&1   /path/MINE.DBF"
    };

    const QString& entry(int i) const { return entries_[size_t(i)]; }  // 0 is the most recent
    void setEntry(int i, const QString& path) { entries_[size_t(i)] = path; }

    // After `newName` was opened or created in place of `oldName`: `newName` leaves the list
    // (compared exactly, letter case included) and `oldName` goes to its top.
    void DoLastFiles(const QString& oldName, const QString& newName);

    // The menu items the list gives (SetMenuLastFiles).
    Menu SetMenuLastFiles() const;

private:
    std::array<QString, kCount> entries_;
};

}  // namespace vz::data
