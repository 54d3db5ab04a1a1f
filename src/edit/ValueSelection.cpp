#include "edit/ValueSelection.h"

#include <algorithm>

namespace vz::edit {

namespace {

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

}  // namespace

QStringList splitValues(const QString& boxText) {
    QStringList values;
    QString rest = trimBlanks(boxText);
    while (!rest.isEmpty()) {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        const QString value = comma < 0 ? rest : rest.left(comma);
        rest = comma < 0 ? QString() : trimBlanks(rest.mid(comma + 1));
        // Two commas in a row leave nothing between them: no value, not an empty entry.
        if (!value.isEmpty()) values << value;
    }
    return values;
}

ValueSelection::ValueSelection(const QStringList& listEntries, const QString& boxText) {
    for (const QString& entry : listEntries) insertSorted(entry);
    for (const QString& value : splitValues(boxText)) {
        const qsizetype row = entries_.indexOf(value);
        selected_[size_t(row >= 0 ? row : insertSorted(value))] = true;
    }
}

int ValueSelection::insertSorted(const QString& entry) {
    const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry, [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    const int row = int(at - entries_.begin());
    entries_.insert(row, entry);
    selected_.insert(selected_.begin() + row, false);
    return row;
}

int ValueSelection::selectedCount() const { return int(std::count(selected_.begin(), selected_.end(), true)); }

JoinedValues ValueSelection::join(int fieldLength) const {
    QStringList chosen;
    for (qsizetype row = 0; row < entries_.size(); ++row)
        if (selected_[size_t(row)]) chosen << entries_[row];
    return {chosen.join(QStringLiteral(", ")), fieldLength};
}

}  // namespace vz::edit
