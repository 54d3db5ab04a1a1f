// TMain: the main window. For now it shows the open collection and its record count.
#pragma once

#include <QMainWindow>
#include <memory>

#include "engine/Table.h"

class QLabel;

namespace vz {
class Interaction;
}

namespace vz::mainwin {

class TMain : public QMainWindow {
    Q_OBJECT
public:
    // Takes the open collection table; `ui` must outlive the window.
    TMain(std::unique_ptr<engine::Table> table, Interaction& ui, QWidget* parent = nullptr);
    ~TMain() override;

    engine::Table& table() { return *MyTable; }
    // Shows the number of records in the viewer frame.
    void DisplayCount();
    QString countText() const;

private:
    std::unique_ptr<engine::Table> MyTable;
    Interaction& ui_;
    QLabel* CountLabel = nullptr;
};

}  // namespace vz::mainwin
