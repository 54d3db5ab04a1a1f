// TMyEditBox: the list editor, opened from the main window's "List &Maintenance" menu, one item
// per data list. The collector adds, deletes and sorts the entries of one list; Ok hands them to
// the data lists (a save point), Cancel drops them. The logic lives in ListEditor.
#pragma once

#include <QDialog>

#include "data/DataLists.h"
#include "edit/ListEditor.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace vz::mainwin {
class Program;
}

namespace vz::edit {

class TMyEditBox : public QDialog {
    Q_OBJECT
public:
    TMyEditBox(mainwin::Program& program, data::DataList list, QWidget* parent = nullptr);

    const ListEditor& editor() const { return editor_; }

    QLineEdit* AddInfo = nullptr;
    QPushButton* AddButton = nullptr;
    QListWidget* TheList = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* SortButton = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddButtonClick();
    void DeleteButtonClick();
    void SortButtonClick();
    void OkButtonClick();
    void showEntries();

    mainwin::Program& program_;
    ListEditor editor_;
};

// Shows the list editor for `list` modally. True when the collector confirmed it with Ok; the
// entries then are in the list (or its file) and the database lists have been saved.
bool runListEditor(QWidget* parent, mainwin::Program& program, data::DataList list);

}  // namespace vz::edit
