#include "edit/ListEditor.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "common/AnsiText.h"

namespace vz::edit {

ListEditor::ListEditor(data::DataList list, QStringList entries) : list_(list), entries_(std::move(entries)) {
    if (!entries_.isEmpty()) current_ = 0;
}

QString ListEditor::caption() const {
    return QStringLiteral("Edit \"%1\" List").arg(QLatin1String(data::dataListInfo(list_).title));
}

int ListEditor::maxLength() const { return data::dataListInfo(list_).longestEntry; }

QString ListEditor::sortQuestion() {
    return QStringLiteral("Are you sure you want to sort the data?  Sorting cannot be undone.");
}

void ListEditor::setCurrent(int row) { current_ = (row >= 0 && row < entries_.size()) ? row : -1; }

QString ListEditor::refusal(const QString& typed) const {
    const std::optional<char32_t> c = firstNonAnsiCharacter(typed);
    if (!c) return {};
    return QStringLiteral(
               "The character %1 cannot be stored in the %2 list: list files hold Windows-1252 "
               "text "
               "only.  Please correct.")
        .arg(describeCharacter(*c), QLatin1String(data::dataListInfo(list_).title));
}

bool ListEditor::add(const QString& typed) {
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && typed[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && typed[end - 1] == QLatin1Char(' ')) --end;
    if (begin == end) return false;
    const QString entry = typed.mid(begin, std::min<qsizetype>(end - begin, maxLength()));
    if (!refusal(entry).isEmpty()) return false;
    entries_ << entry;
    return true;
}

void ListEditor::removeCurrent() {
    if (current_ < 0) return;
    entries_.removeAt(current_);
    if (entries_.isEmpty())
        current_ = -1;
    else if (current_ >= entries_.size())
        current_ = int(entries_.size()) - 1;
}

void ListEditor::sort() {
    std::vector<int> order(size_t(entries_.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return QString::compare(entries_[a], entries_[b], Qt::CaseInsensitive) < 0;
    });
    QStringList sorted;
    sorted.reserve(entries_.size());
    int newCurrent = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        sorted << entries_[order[i]];
        if (order[i] == current_) newCurrent = int(i);
    }
    entries_ = std::move(sorted);
    current_ = newCurrent;
}

}  // namespace vz::edit
