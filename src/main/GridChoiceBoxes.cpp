#include "main/GridChoiceBoxes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>

#include "common/ListBoxCompletion.h"
#include "data/Schema.h"

namespace vz::mainwin {

namespace {

struct ChoiceBox {
    const char* storedName;
    const char* component;
};

// The nine drop-down boxes and the fields they edit.
constexpr ChoiceBox kChoiceBoxes[] = {
    {"Country", "MyComboCountry"},   {"Topic", "MyComboTopic"},         {"Condition", "MyComboCondition"},
    {"Gum", "MyComboGum"},           {"Cancellati", "MyComboCancel"},   {"Group", "MyComboGroup"},
    {"StampType", "MyComboStampType"}, {"Hinged", "MyComboHinged"},     {"Color", "MyComboColor"},
};

}  // namespace

ViewerDelegate::ViewerDelegate(std::function<int(int)> fieldOfColumn,
                               std::function<QAbstractItemModel*(int)> listModel, QObject* parent)
    : QStyledItemDelegate(parent), fieldOfColumn_(std::move(fieldOfColumn)), listModel_(std::move(listModel)) {}

void ViewerDelegate::setLines(bool rowLines, bool columnLines, const QColor& colour) {
    rowLines_ = rowLines;
    columnLines_ = columnLines;
    lineColour_ = colour;
}

QString ViewerDelegate::comboName(int field) {
    if (field < 1 || field > data::kFieldCount) return {};
    const std::string_view name = data::schemaField(field).storedName;
    for (const ChoiceBox& box : kChoiceBoxes)
        if (name == box.storedName) return QString::fromLatin1(box.component);
    return {};
}

QWidget* ViewerDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    const int field = fieldOfColumn_(index.column());
    if (field < 1 || field > data::kFieldCount) return QStyledItemDelegate::createEditor(parent, option, index);
    const data::SchemaField& f = data::schemaField(field);
    const QString name = comboName(field);
    QAbstractItemModel* list = name.isEmpty() ? nullptr : listModel_(field);
    if (list != nullptr) {
        auto* box = new QComboBox(parent);
        box->setObjectName(name);
        box->setEditable(true);
        box->setFrame(false);
        // Values typed into the grid go into the record only, never into the list.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setModel(list);
        suggestFromList(box);
        box->lineEdit()->setMaxLength(f.width);
        return box;
    }
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setFrame(false);
        if (f.type == data::FieldTypeCode::Text) line->setMaxLength(f.width);
    }
    return editor;
}

void ViewerDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        box->setCurrentIndex(-1);
        box->setEditText(index.data(Qt::EditRole).toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void ViewerDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, box->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void ViewerDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (!rowLines_ && !columnLines_) return;
    painter->save();
    painter->setPen(lineColour_);
    const QRect r = option.rect;
    if (rowLines_) painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (columnLines_) painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

}  // namespace vz::mainwin
