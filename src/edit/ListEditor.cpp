#include "edit/ListEditor.h"

#include <algorithm>
#include <numeric>
#include <vector>

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

bool ListEditor::add(const QString& typed) {
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && typed[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && typed[end - 1] == QLatin1Char(' ')) --end;
    if (begin == end) return false;
    entries_ << typed.mid(begin, std::min<qsizetype>(end - begin, maxLength()));
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
