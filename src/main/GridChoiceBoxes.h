// ViewerDelegate: how the viewer grid draws and edits its cells.
//
// Cells of the nine list fields are edited in a drop-down box (MyComboCountry, MyComboTopic, ...)
// showing the data list's own model, so the grid and the record edit window always offer the
// same entries; typed text is accepted too and never added to the list. Other text cells get a
// box holding at most the field's width. The Wanted column is a check box (the model stores
// "Yes" or "No"). Row and column lines are drawn here, each when its setting is on.
#pragma once

#include <QStyledItemDelegate>
#include <functional>

class QAbstractItemModel;

namespace vz::mainwin {

class ViewerDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `fieldOfColumn` answers the field number (1 to 25) of a column; `listModel` the data list
    // model of a field, null for fields without a list.
    ViewerDelegate(std::function<int(int column)> fieldOfColumn,
                   std::function<QAbstractItemModel*(int field)> listModel, QObject* parent = nullptr);

    void setLines(bool rowLines, bool columnLines, const QColor& colour);
    bool rowLines() const { return rowLines_; }
    bool columnLines() const { return columnLines_; }

    // The component name of the drop-down box of `field`; empty for fields without one.
    static QString comboName(int field);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::function<int(int)> fieldOfColumn_;
    std::function<QAbstractItemModel*(int)> listModel_;
    bool rowLines_ = true;
    bool columnLines_ = true;
    QColor lineColour_{Qt::gray};
};

}  // namespace vz::mainwin
