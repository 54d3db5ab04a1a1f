#include "data/TableMaintenance.h"

#include "common/Interaction.h"
#include "data/CollectionHost.h"
#include "search/SortOrder.h"

namespace vz::data {
namespace {

const QString kExclusiveTail = QStringLiteral(
    "requires exclusive use of the DBase File.  Make sure that the DBase File is not in use by "
    "another program  or "
    "that no other users are running the software or that no other copies of the software are in "
    "use.");

// Runs `work` on the table opened exclusively; `refusal` is shown when the exclusive open fails.
template <typename Work>
bool exclusively(CollectionHost& host, Interaction& ui, const QString& refusal,
                 const QString& failure, Work work) {
    host.closeTable();
    if (!host.openTable(engine::OpenMode::Exclusive) || host.table() == nullptr) {
        host.openTable(engine::OpenMode::Shared);
        ui.error(refusal);
        return false;
    }
    engine::Table& table = *host.table();
    table.setProgress(
        [&host](uint64_t done, uint64_t total) { return host.progress(done, total); });
    host.busy(true);
    engine::Status s = work(table);
    host.busy(false);
    table.setProgress(nullptr);
    host.closeTable();
    host.openTable(engine::OpenMode::Shared);
    if (!s) ui.error(failure + QStringLiteral("\n\n") + QString::fromStdString(s.message()));
    return bool(s);
}

}  // namespace

bool MenuPackClick(CollectionHost& host, Interaction& ui) {
    if (!ui.confirm(QStringLiteral("Confirm"),
                    QStringLiteral(
                        "Deleted items are not permanently removed from the database until packing "
                        "occurs.  Packing simply removes them to free up space.  Continue?")))
        return false;
    return exclusively(host, ui, QStringLiteral("Unable to pack table.  Packing ") + kExclusiveTail,
                       QStringLiteral("The table could not be packed; it is as it was before."),
                       [](engine::Table& t) { return t.pack(); });
}

bool MenuRebuildClick(CollectionHost& host, Interaction& ui) {
    if (!ui.confirm(
            QStringLiteral("Confirm"),
            QStringLiteral(
                "It is possible for your index files to become corrupted.  As a result, some items "
                "may not show up in the viewer or in reports.  This will rebuild your index files "
                "correctly.  Continue?")))
        return false;
    const QString sort = host.sortString();
    return exclusively(
        host, ui, QStringLiteral("Unable to reindex table.  Reindexing ") + kExclusiveTail,
        QStringLiteral("The index could not be rebuilt; the old index is as it was before."),
        [&sort](engine::Table& t) {
            if (t.header().mdxFlag == 0 || t.tagNames().empty())
                return sort.isEmpty() ? engine::Status::ok() : search::applySortString(t, sort);
            return t.regenerateIndexes();
        });
}

}  // namespace vz::data
