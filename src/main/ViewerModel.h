// ViewerModel: the records of the open collection as the viewer grid shows them.
//
// One row per record the table's navigation would visit (live records admitted by the record
// filter), in the active order; one column per field shown, in the order and with the captions
// the viewer settings give. The record numbers of the rows are collected in one pass when the
// table is opened or changed (reload()); the cells of a row are read from the table when the
// grid paints them and kept for the few hundred rows last painted, so a collection of a million
// stamps opens and scrolls without reading more than the screen shows.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QStringList>
#include <functional>
#include <list>
#include <vector>

namespace vz::engine {
class Table;
}

namespace vz::mainwin {

class ViewerModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `table` answers the open collection table (null while none is open). `report` shows the
    // message of a failed read or store.
    ViewerModel(std::function<engine::Table*()> table, std::function<void(const QString&)> report,
                QObject* parent = nullptr);

    // Collects the rows anew from the table. False, with no rows, when the table cannot be read.
    bool reload();
    // Forgets the cells read so far (the date format changed, another program wrote).
    void repaintAll();

    // The field numbers (1 to 25) of the columns, left to right, and their captions.
    void setColumns(std::vector<int> fields, QStringList captions);
    int fieldOfColumn(int column) const;
    int columnOfField(int field) const;  // -1 when the field is not shown
    void setEditable(bool on);
    bool editable() const { return editable_; }
    void setTitleAlignment(Qt::Alignment a);
    void setTitleFont(const QFont& f) { titleFont_ = f; }

    // The row the row indicator marks.
    void setCurrentRow(int row);

    // The record number of a row (0 outside), and the row of a record (-1 when not shown).
    uint32_t recordOfRow(int row) const;
    // The record numbers of every row, top to bottom.
    const std::vector<uint32_t>& rows() const { return rows_; }
    int rowOfRecord(uint32_t recNo) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // A cell edited in the grid was stored in record `recNo`.
    void recordStored(quint32 recNo);

private:
    const QStringList* cells(int row) const;
    bool storeField(int row, int field, const QString& text);

    std::function<engine::Table*()> table_;
    std::function<void(const QString&)> report_;
    std::vector<uint32_t> rows_;
    std::vector<int> fields_;
    QStringList captions_;
    bool editable_ = false;
    int currentRow_ = -1;
    Qt::Alignment titleAlignment_ = Qt::AlignHCenter | Qt::AlignVCenter;
    QFont titleFont_;

    // The cells of the rows read last, newest first; at most kCachedRows.
    static constexpr int kCachedRows = 400;
    mutable std::list<std::pair<int, QStringList>> recent_;
    mutable QHash<int, std::list<std::pair<int, QStringList>>::iterator> cached_;
    mutable bool readFailed_ = false;
};

// The fields the viewer shows, left to right, from each field's "Field Order" and "Display
// Fields" values (index 0: field 1). Every field starts in its own place, in field order; then
// for each position p from 1 to 25 the first field whose order is p (field 1 when none is) is
// hidden when not displayed, else shown and moved to the place after the fields placed so far.
std::vector<int> viewerColumns(const std::vector<int>& order, const std::vector<bool>& display);

}  // namespace vz::mainwin
