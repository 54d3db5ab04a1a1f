// TMyMiscellaneous: the value selection window behind the record edit window's two "Select"
// buttons. The collector picks any number of entries of the Miscellaneous or Faults list; Ok puts
// them, joined by ", ", into the box. The logic lives in ValueSelection.
#pragma once

#include <QDialog>
#include <optional>

#include "data/DataLists.h"
#include "edit/ValueSelection.h"

class QListWidget;
class QPushButton;

namespace vz::mainwin {
class Program;
}

namespace vz::edit {

class TMyMiscellaneous : public QDialog {
    Q_OBJECT
public:
    // `list` is Faults or Miscellaneous; its entries are read from its file now. `boxText` is the
    // box's current text; `fieldLength` the most characters its field holds.
    TMyMiscellaneous(mainwin::Program& program, data::DataList list, const QString& boxText, int fieldLength,
                     QWidget* parent = nullptr);

    // The text for the box after Ok; empty before Ok.
    const std::optional<QString>& joinedText() const { return result_; }

    QListWidget* TheList = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OkButtonClick();

    mainwin::Program& program_;
    ValueSelection selection_;
    int fieldLength_;
    std::optional<QString> result_;
};

// Shows the value selection window modally for the Faults or Miscellaneous box. The new text of
// the box after Ok (empty text when nothing was selected); nothing after Cancel. A selection
// longer than the field can hold is refused with a message, and the window stays open.
std::optional<QString> selectValues(QWidget* parent, mainwin::Program& program, data::DataList list,
                                    const QString& boxText, int fieldLength);

}  // namespace vz::edit
