#include "main/ViewerModel.h"

#include <algorithm>

#include "data/FieldMessage.h"
#include "data/Schema.h"
#include "engine/Table.h"

namespace vz::mainwin {

namespace {

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");
constexpr int kWantedField = 25;

QString trimmedRight(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ') --end;
    return QString::fromUtf8(s.data(), qsizetype(end));
}

}  // namespace

std::vector<int> viewerColumns(const std::vector<int>& order, const std::vector<bool>& display) {
    const int count = int(order.size());
    std::vector<int> place(static_cast<size_t>(count));
    for (int f = 0; f < count; ++f) place[size_t(f)] = f + 1;
    std::vector<bool> hidden(size_t(count), false);
    int placed = 0;
    for (int p = 1; p <= count; ++p) {
        int field = 1;
        for (int f = 0; f < count; ++f)
            if (order[size_t(f)] == p) {
                field = f + 1;
                break;
            }
        if (!display[size_t(field - 1)]) {
            hidden[size_t(field - 1)] = true;
            continue;
        }
        hidden[size_t(field - 1)] = false;
        auto at = std::find(place.begin(), place.end(), field);
        place.erase(at);
        place.insert(place.begin() + std::min(placed, count - 1), field);
        ++placed;
    }
    std::vector<int> shown;
    for (int f : place)
        if (!hidden[size_t(f - 1)]) shown.push_back(f);
    return shown;
}

ViewerModel::ViewerModel(std::function<engine::Table*()> table, std::function<void(const QString&)> report,
                         QObject* parent)
    : QAbstractTableModel(parent), table_(std::move(table)), report_(std::move(report)) {}

bool ViewerModel::reload() {
    beginResetModel();
    rows_.clear();
    currentRow_ = -1;
    recent_.clear();
    cached_.clear();
    readFailed_ = false;
    bool ok = true;
    if (engine::Table* t = table_()) {
        engine::Status s = t->collectOrder(rows_);
        if (!s) {
            rows_.clear();
            ok = false;
            if (report_) report_(QString::fromStdString(s.message()));
        }
    }
    endResetModel();
    return ok;
}

void ViewerModel::repaintAll() {
    recent_.clear();
    cached_.clear();
    readFailed_ = false;
    if (!rows_.empty() && !fields_.empty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, int(fields_.size()) - 1));
}

void ViewerModel::setColumns(std::vector<int> fields, QStringList captions) {
    beginResetModel();
    fields_ = std::move(fields);
    captions_ = std::move(captions);
    endResetModel();
}

int ViewerModel::fieldOfColumn(int column) const {
    return column >= 0 && column < int(fields_.size()) ? fields_[size_t(column)] : 0;
}

int ViewerModel::columnOfField(int field) const {
    auto at = std::find(fields_.begin(), fields_.end(), field);
    return at == fields_.end() ? -1 : int(at - fields_.begin());
}

void ViewerModel::setEditable(bool on) {
    if (on == editable_) return;
    editable_ = on;
    if (!rows_.empty() && !fields_.empty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, int(fields_.size()) - 1));
}

void ViewerModel::setTitleAlignment(Qt::Alignment a) {
    titleAlignment_ = a;
    if (!fields_.empty()) emit headerDataChanged(Qt::Horizontal, 0, int(fields_.size()) - 1);
}

void ViewerModel::setCurrentRow(int row) {
    if (row == currentRow_) return;
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0 && old < rowCount()) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rowCount()) emit headerDataChanged(Qt::Vertical, row, row);
}

uint32_t ViewerModel::recordOfRow(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[size_t(row)] : 0;
}

int ViewerModel::rowOfRecord(uint32_t recNo) const {
    if (recNo == 0) return -1;
    auto at = std::find(rows_.begin(), rows_.end(), recNo);
    return at == rows_.end() ? -1 : int(at - rows_.begin());
}

int ViewerModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int ViewerModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(fields_.size());
}

const QStringList* ViewerModel::cells(int row) const {
    auto hit = cached_.find(row);
    if (hit != cached_.end()) {
        recent_.splice(recent_.begin(), recent_, *hit);
        return &recent_.front().second;
    }
    engine::Table* t = table_();
    if (t == nullptr || row < 0 || row >= int(rows_.size())) return nullptr;
    std::vector<std::string> texts;
    QStringList values;
    engine::Status s = t->readRecordTexts(rows_[size_t(row)], texts);
    if (!s) {
        // Report once per reload; the row shows empty rather than a message for every cell.
        if (!readFailed_ && report_) report_(QString::fromStdString(s.message()));
        readFailed_ = true;
        for (int f = 0; f < data::kFieldCount; ++f) values.append(QString());
    } else {
        values.reserve(qsizetype(texts.size()));
        for (const std::string& text : texts) values.append(trimmedRight(text));
    }
    recent_.emplace_front(row, std::move(values));
    cached_.insert(row, recent_.begin());
    if (int(recent_.size()) > kCachedRows) {
        cached_.remove(recent_.back().first);
        recent_.pop_back();
    }
    return &recent_.front().second;
}

QVariant ViewerModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int field = fieldOfColumn(index.column());
    if (field == 0) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::CheckStateRole) return {};
    const QStringList* row = cells(index.row());
    if (row == nullptr || field > row->size()) return {};
    const QString& text = row->at(field - 1);
    if (field == kWantedField) {
        if (role == Qt::CheckStateRole) return text == kYes ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::CheckStateRole) return {};
    return text;
}

QVariant ViewerModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole) return section == currentRow_ ? QStringLiteral("\u25B8") : QString();
        return {};
    }
    if (section < 0 || section >= captions_.size()) return {};
    switch (role) {
    case Qt::DisplayRole: return captions_.at(section);
    case Qt::TextAlignmentRole: return QVariant::fromValue(titleAlignment_);
    case Qt::FontRole: return titleFont_;
    default: return {};
    }
}

Qt::ItemFlags ViewerModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!editable_) return f;
    if (fieldOfColumn(index.column()) == kWantedField) return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

bool ViewerModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !editable_) return false;
    const int field = fieldOfColumn(index.column());
    QString text;
    if (field == kWantedField) {
        if (role != Qt::CheckStateRole) return false;
        text = value.value<Qt::CheckState>() == Qt::Checked ? kYes : kNo;
    } else {
        if (role != Qt::EditRole) return false;
        // Typed values are stored without the blanks around them.
        text = value.toString().trimmed();
    }
    if (!storeField(index.row(), field, text)) return false;
    auto hit = cached_.find(index.row());
    if (hit != cached_.end()) {
        recent_.erase(*hit);
        cached_.erase(hit);
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    emit recordStored(recordOfRow(index.row()));
    return true;
}

bool ViewerModel::storeField(int row, int field, const QString& text) {
    engine::Table* t = table_();
    const uint32_t recNo = recordOfRow(row);
    if (t == nullptr || recNo == 0) return false;
    auto fail = [&](const engine::Status& s) {
        t->cancel();
        // A refused value names its column as the grid's title does.
        if (report_) report_(data::windowMessage(s, captions_.value(columnOfField(field))));
        return false;
    };
    engine::Status s = t->go(recNo);
    if (!s) return fail(s);
    std::string old;
    if (!t->readText(field - 1, old) || trimmedRight(old) == text) return true;
    if (!(s = t->edit())) return fail(s);
    s = text.isEmpty() ? t->setBlank(field - 1) : t->setText(field - 1, text.toStdString());
    if (!s) return fail(s);
    if (!(s = t->post())) return fail(s);
    return true;
}

}  // namespace vz::mainwin
