// TMain: the main window. For now it shows the open collection, its record count and the
// recent-files list, and runs the File menu's database commands.
#pragma once

#include <QMainWindow>
#include <array>

class QAction;
class QLabel;

namespace vz::mainwin {

class Program;

class TMain : public QMainWindow {
    Q_OBJECT
public:
    // `program` has started up and must outlive the window.
    explicit TMain(Program& program, QWidget* parent = nullptr);
    ~TMain() override;

    // Shows the number of records in the viewer frame.
    void DisplayCount();
    // Shows the recent-files list at the end of the File menu.
    void SetMenuLastFiles();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyDatabase();

    Program& program_;
    QLabel* CountLabel = nullptr;
    QLabel* FileLabel = nullptr;
    QAction* LastFilesSeparator = nullptr;
    std::array<QAction*, 5> LastFiles{};
    bool shutDown_ = false;
};

}  // namespace vz::mainwin
