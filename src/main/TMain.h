// TMain: the main window. It owns the viewer of the open collection and offers every command of
// the program through its menu bar, the speed-button bar or the lettered buttons, and the record
// navigator. Every command, from whichever control, runs one Do method; commands whose windows
// the program does not have yet stay disabled in every control.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <map>
#include <memory>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;

namespace vz::data {
enum class DataList;
}

namespace vz::edit {
class TMyEdit;
}

namespace vz::search {
class TMyLocateDialog;
class TMySearch;
}  // namespace vz::search
namespace vz::reports {
class TMyReport;
}

namespace vz::mainwin {

class Program;
class ProgramHost;
class ViewerModel;
class ViewerDelegate;
class ViewerPlace;

class TMain : public QMainWindow {
    Q_OBJECT
public:
    // The commands, each offered by menu items and buttons that share one QAction.
    enum class Command {
        NewDatabase, OpenDatabase, UpdateDatabase, Backup, Restore, Print, Exit,
        Add, Edit, Copy, Delete, Import, Export,
        Search, EndSearch, Locate, LocateNext, Reports, Viewer,
        SortOrder, SearchAndReplace, RebuildIndexes, PackDatabase,
        ListMaintenance, ColourSetup, Help, Tips, About, OtherProducts,
        Statistics,
    };

    // `program` has started up and must outlive the window. `arguments` is the command line
    // after the program name ("/BROWSE" selects browse-only mode).
    TMain(Program& program, const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TMain() override;

    QAction* action(Command c) const { return actions_.at(c); }
    QTableView* grid() const { return ViewerGrid; }
    ViewerModel* viewerModel() const { return model_; }
    bool browseOnly() const;

    // The commands.
    void DoAdd();
    void DoEdit();
    void DoCopy();
    void DoDelete();
    void DoImport();
    void DoExport();
    void DoEndSearch();
    void DoUpdateDatabase();
    void DoHelp();
    void DoReports();
    // The report window, which lives for the whole run (backup and restore reload its list).
    reports::TMyReport* reportWindow() const { return reportWindow_.get(); }
    void DoExit();
    void DoColor(int setNumber);
    // The viewer configuration window; then the grid shows the new layout at once.
    void DoViewer();
    void DoListMaintenance(data::DataList list);
    void DoSearchAndReplace();
    void DoPack();
    void DoRebuild();
    void DoBackup();
    void DoRestore();

    // The program as the exclusive operations see it.
    ProgramHost& collectionHost() { return *host_; }
    void DoSearch();
    void DoFind();
    void DoFindNext();
    void DoSortOrder();
    search::TMySearch* searchWindow() const { return searchWindow_.get(); }
    search::TMyLocateDialog* locateDialog() const { return locate_.get(); }
    // Makes the grid show the table's current record without reading the rows anew.
    void showTableRecord();

    // Search mode on, with its controls; and off.
    void EnableEndSearch();
    void DisableEndSearch();
    // Applies the viewer settings to the grid and reads the rows anew.
    void SetViewerOptions();
    // Applies the viewer settings to the grid over the rows it has: options, fonts, colours,
    // columns, captions and widths, without reading the table.
    void applyViewerLayout();
    // Shows the number of records the viewer holds.
    void DisplayCount();
    // Scaling, viewer options, colours and count of the database now open.
    void DoFileSpecific();
    // The recent-files list at the end of the File menu.
    void SetMenuLastFiles();
    // Places the bars, the viewer frame and the grid for the client size.
    void FormResize();
    // Shows the speed buttons (1), the lettered buttons (2) or neither (3), and stores the choice.
    void setButtonBar(int choice);
    // Reads the rows anew and shows the table's current record.
    void refreshViewer();

signals:
    // The field captions changed (the viewer configuration closed with new ones). Windows that
    // name fields and stay open across it show the captions anew from the settings.
    void fieldCaptionsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(Command c, const QString& text, const QString& shortcut = {});
    void buildMenus();
    void buildSpeedPanel(QWidget* client);
    void buildLetteredButtons(QWidget* client);
    void buildNavigator(QWidget* client);
    void buildViewer(QWidget* client);
    void buildOptionsMenu(QMenu* options);
    void updateCommandStates();
    void syncTableToGrid();
    // Makes the table's current record the grid's current row, at the column and scroll
    // position `place` noted before the rows were read anew.
    void showCurrentRecord(const ViewerPlace& place);
    void applyCaption();
    void applyColours();
    void applyBrowseOnly();
    void FormActivate();
    void chooseDateFormat(int code);
    void toggleLeadingZeros();
    void chooseScreenSize(int size);
    void chooseControlFont(int which);
    // The label, edit and button fonts of the open database on the window's controls; the
    // headings "Stamp Viewer" and "SEARCH ON" take the label font's name and italic style.
    void applyMainFonts();
    void markFormats();
    void navigate(int button);
    // Shows a message about a cell of the grid (a refused value, a failed read); the grid then
    // has the focus again.
    void reportCellProblem(const QString& message);
    // The editor of the cell being edited in the grid, if the focus is in one.
    QWidget* openCellEditor() const;
    void runEditWindow(int mode);

    Program& program_;
    std::map<Command, QAction*> actions_;
    // Commands the program offers; the others stay disabled.
    std::map<Command, bool> available_;

    QFrame* SpeedPanel = nullptr;
    std::array<QFrame*, 4> ButtonFrames{};
    std::map<Command, QPushButton*> lettered_;
    QLabel* NavigationLabel = nullptr;
    QFrame* MyNavigator = nullptr;
    std::array<QToolButton*, 10> navigatorButtons_{};
    QFrame* ViewerBevel = nullptr;
    QLabel* ViewerTitle = nullptr;
    QLabel* SearchOnLabel = nullptr;
    QLabel* CountLabel = nullptr;
    QLabel* CountWordLabel = nullptr;
    QTableView* ViewerGrid = nullptr;
    ViewerModel* model_ = nullptr;
    ViewerDelegate* delegate_ = nullptr;

    QAction* LastFilesSeparator = nullptr;
    std::array<QAction*, 5> LastFiles{};
    QActionGroup* dateGroup_ = nullptr;
    std::array<QAction*, 13> dateItems_{};  // 1 to 12
    QAction* leadingZerosItem_ = nullptr;
    std::map<int, QAction*> screenSizeItems_;
    std::array<QAction*, 4> buttonBarItems_{};  // 1 to 3
    std::array<QAction*, 3> currencyItems_{};   // 1 and 2
    std::array<QAction*, 3> numericItems_{};

    std::unique_ptr<edit::TMyEdit> editWindow_;
    std::unique_ptr<ProgramHost> host_;
    QPointer<QWidget> progress_;  // the progress of a long pass, while one runs
    std::unique_ptr<search::TMySearch> searchWindow_;
    std::unique_ptr<search::TMyLocateDialog> locate_;
    std::unique_ptr<reports::TMyReport> reportWindow_;
    bool browseOnly_ = false;
    bool shown_ = false;
    bool shutDown_ = false;
};

}  // namespace vz::mainwin
