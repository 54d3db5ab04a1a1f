#include "data/RecentFiles.h"

namespace vz::data {

void RecentFiles::DoLastFiles(const QString& oldName, const QString& newName) {
    for (int i = 0; i < kCount; ++i) {
        if (entries_[size_t(i)] != newName) continue;
        for (int j = i; j + 1 < kCount; ++j) entries_[size_t(j)] = entries_[size_t(j + 1)];
        entries_[kCount - 1].clear();
        break;
    }
    for (int i = kCount - 1; i > 0; --i) entries_[size_t(i)] = entries_[size_t(i - 1)];
    entries_[0] = oldName;
}

RecentFiles::Menu RecentFiles::SetMenuLastFiles() const {
    Menu m;
    for (int i = 0; i < kCount; ++i) {
        const QString& e = entries_[size_t(i)];
        m.visible[size_t(i)] = !e.isEmpty();
        m.captions[size_t(i)] = "&" + QString::number(i + 1) + "   " + e;
        if (!e.isEmpty()) m.separatorVisible = true;
    }
    return m;
}

}  // namespace vz::data
