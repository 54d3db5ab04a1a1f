#include "data/DataLists.h"

#include <QFileInfo>
#include <QStringListModel>
#include <cstring>

#include "common/AnsiText.h"
#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/ListFile.h"

namespace vz::data {
namespace {

constexpr std::array<DataListInfo, kDataListCount> kLists = {{
    {DataList::Country, "Country", 3, 20, ".001", "COUNTRY.LST"},
    {DataList::Topic, "Topic", 13, 20, ".002", "TOPIC.LST"},
    {DataList::Condition, "Condition", 9, 9, ".003", "CONDTION.LST"},
    {DataList::Group, "Group", 10, 20, ".004", "GROUP.LST"},
    {DataList::StampType, "Stamp Type", 11, 16, ".005", "STMPTYPE.LST"},
    {DataList::Cancellation, "Cancellation", 12, 13, ".006", "CANCEL.LST"},
    {DataList::Gum, "Gum", 16, 8, ".007", "GUM.LST"},
    {DataList::Color, "Color", 17, 15, ".008", "COLOR.LST"},
    {DataList::Hinged, "Hinged", 19, 7, ".009", "HINGED.LST"},
    {DataList::Faults, "Faults", 18, 20, "", "FAULTS.LST"},
    {DataList::Miscellaneous, "Miscellaneous", 20, 25, "", "MISC.LST"},
}};

int indexOf(DataList list) {
    return static_cast<int>(list) - 1;
}

DataList databaseList(int index) {
    return static_cast<DataList>(index + 1);
}

// Blanks only: the typed value keeps tabs and other characters at its ends.
QString trimBlanks(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) ++first;
    while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

}  // namespace

const std::array<DataListInfo, kDataListCount>& dataListTable() {
    return kLists;
}

const DataListInfo& dataListInfo(DataList list) {
    return kLists[indexOf(list)];
}

bool isDatabaseList(DataList list) {
    return indexOf(list) < kDatabaseListCount;
}

DataLists::DataLists(QString programFolder, Interaction& ui)
    : programFolder_(std::move(programFolder)), ui_(ui) {
    for (auto& m : models_) m = std::make_unique<QStringListModel>();
}

DataLists::~DataLists() = default;

QStringListModel* DataLists::model(DataList list) const {
    return isDatabaseList(list) ? models_[indexOf(list)].get() : nullptr;
}

QStringList DataLists::entries(DataList list) const {
    if (isDatabaseList(list)) return models_[indexOf(list)]->stringList();
    // Read errors are not reported here: whoever shows these lists shows an empty one instead.
    return readListFile(programListPath(list)).entries;
}

QString DataLists::databaseListPath(DataList list) const {
    if (!isDatabaseList(list)) return {};
    return baseName_ + QLatin1String(dataListInfo(list).extension);
}

QString DataLists::programListPath(DataList list) const {
    return joinPath(programFolder_, QLatin1String(dataListInfo(list).defaultFile));
}

bool DataLists::report(const QString& text) {
    ui_.error(text);
    return false;
}

bool DataLists::LoadList(const QString& path, DataList list) {
    if (!isDatabaseList(list)) return true;
    ListFileRead read = readListFile(path);
    models_[indexOf(list)]->setStringList(read.entries);
    if (read.outcome == ListFileRead::Outcome::ReadError)
        return report("The list file \"" + path + "\" could not be read to its end.  " +
                      read.error);
    return true;
}

bool DataLists::writeFile(const QString& path, const QStringList& entries, bool& reported) {
    reported = false;
    const ListFileWrite w = writeListFile(path, entries);
    switch (w.outcome) {
        case ListFileWrite::Outcome::Written:
            return true;
        case ListFileWrite::Outcome::NotCreated:
            return false;
        case ListFileWrite::Outcome::WriteError:
        case ListFileWrite::Outcome::NotAnsi:
            break;
    }
    reported = true;
    return report("The list file \"" + path +
                  "\" could not be written; it keeps its earlier entries.  " + w.error);
}

bool DataLists::SaveList(const QString& path, DataList list) {
    if (!isDatabaseList(list)) return true;
    bool reported = false;
    return writeFile(path, models_[indexOf(list)]->stringList(), reported);
}

bool DataLists::LoadAllList() {
    // Only the Country file decides whether the database has lists of its own: under the base
    // name, or else under the earlier name of a table name with a "." in it. They are saved under
    // the base name.
    if (baseName_.isEmpty()) return LoadDefaultList();
    QString base = baseName_;
    if (!QFileInfo(databaseListPath(DataList::Country)).isFile()) {
        const QString legacy = legacyCompanionPath(databaseListPath(DataList::Country));
        if (legacy.isEmpty() || !QFileInfo(legacy).isFile()) return LoadDefaultList();
        base = legacy.left(legacy.size() -
                           qsizetype(std::strlen(dataListInfo(DataList::Country).extension)));
    }
    for (int i = 0; i < kDatabaseListCount; ++i) {
        const DataList list = databaseList(i);
        if (!LoadList(base + QLatin1String(dataListInfo(list).extension), list)) return false;
    }
    return true;
}

bool DataLists::LoadDefaultList() {
    for (int i = 0; i < kDatabaseListCount; ++i)
        if (!LoadList(programListPath(databaseList(i)), databaseList(i))) return false;
    return true;
}

bool DataLists::saveNine(bool toDefaults) {
    bool all = true;
    for (int i = 0; i < kDatabaseListCount; ++i) {
        const DataList list = databaseList(i);
        const QString path = toDefaults ? programListPath(list) : databaseListPath(list);
        bool reported = false;
        if (!writeFile(path, models_[i]->stringList(), reported)) {
            all = false;
            if (reported) break;
        }
    }
    return all;
}

bool DataLists::SaveAllLists() {
    // Without a base name the paths would be bare ".001" ... in whatever folder is current.
    if (baseName_.isEmpty()) return true;
    return saveNine(false);
}

bool DataLists::SaveDefaultLists() {
    return saveNine(true);
}

bool DataLists::AddToList(DataList list, const QString& typed) {
    if (!isDatabaseList(list)) return false;
    const QString text = trimBlanks(typed);
    // A value the list file cannot hold stays out of the list (it would make the list unsavable).
    if (text.isEmpty() || firstNonAnsiCharacter(text)) return false;
    QStringListModel& m = *models_[indexOf(list)];
    if (m.stringList().contains(text, Qt::CaseSensitive)) return false;
    const int row = m.rowCount();
    if (!m.insertRows(row, 1)) return false;
    m.setData(m.index(row), text);
    return true;
}

bool DataLists::SaveAsDefaults() {
    const Message question{
        "Warning",
        "Your current Data Lists will become your default list values.  These values will be used "
        "when new databases are created.  Previous default values will be lost.  Do you want to "
        "proceed?",
        Buttons::YesNo,
        Answer::No,
        MessageIcon::Warning,
        true};
    if (ui_.message(question) != Answer::Yes) return false;
    return SaveDefaultLists();
}

bool DataLists::LoadInDefaults() {
    const Message question{
        "Warning",
        "Your current Data Lists will be overridden with your default list values. Previous  "
        "values will be lost.  Do you want to proceed?",
        Buttons::YesNo,
        Answer::No,
        MessageIcon::Warning,
        true};
    if (ui_.message(question) != Answer::Yes) return false;
    return LoadDefaultList();
}

bool DataLists::applyListEditor(DataList list, const QStringList& entries) {
    bool written = true;
    if (isDatabaseList(list)) {
        models_[indexOf(list)]->setStringList(entries);
    } else {
        bool reported = false;
        written = writeFile(programListPath(list), entries, reported);
    }
    const bool saved = SaveAllLists();
    return written && saved;
}

bool DataLists::switchToOpenedDatabase(const QString& newBaseName) {
    const bool saved = SaveAllLists();
    baseName_ = newBaseName;
    const bool loaded = LoadAllList();
    return saved && loaded;
}

bool DataLists::switchToNewDatabase(const QString& newBaseName) {
    const bool saved = SaveAllLists();
    baseName_ = newBaseName;
    const bool loaded = LoadDefaultList();
    return saved && loaded;
}

}  // namespace vz::data
