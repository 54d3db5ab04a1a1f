// TMyEdit: the record edit window, "Input Vazovi", where stamp records are typed in and changed.
//
// One instance is made right after the main window and lives for the whole run; the main window
// sets the edit mode (and, at start-up, browse-only mode) and runs exec(). The window works on
// the collection table's current record: it loads it, stores into it or appends a new record,
// and steps through the table with Previous and Next. When it closes, the table's current record
// is the one the collector left it on. Its nine drop-down boxes show the data lists' own models,
// so the lists it extends are the ones the main window's grid offers.
//
// The box logic (loading, clearing, the change snapshot, storing, the printed lines) lives in
// RecordForm; this class moves text between the widgets and it and asks the questions.
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "edit/RecordForm.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;

namespace vz::mainwin {
class Program;
struct DesignDimensions;
}

namespace vz::edit {

class TMyEdit : public QDialog {
    Q_OBJECT
public:
    enum EditMode { NewRecord = 1, ExistingRecord = 2, CopyRecord = 3 };

    // `program` must outlive the window.
    explicit TMyEdit(mainwin::Program& program, QWidget* parent = nullptr);
    ~TMyEdit() override;

    // Set by the main window before exec(): 1 new record, 2 the table's current record, 3 a copy
    // of it. Changed by the window itself as records are stored and stepped through.
    void setEditMode(int mode) { editMode_ = mode; }
    int editMode() const { return editMode_; }
    // Browse-only mode: storing and the defaults are disabled, and nothing asks before leaving.
    void setBrowseOnly(bool on);
    bool browseOnly() const { return browseOnly_; }

    // Runs the showing steps (FormShow), then the window modally.
    int exec() override;
    // What every opening does: fonts, scale and place; captions from the field names; colours;
    // the boxes loaded (edit modes 2 and 3) or cleared for a new record; the snapshot taken.
    void FormShow();

    // --- The window's operations
    void LoadInData();
    void SaveValues();
    bool ValuesChanged() const;
    void DoClear(int kind);  // 1 start of a new record, 2 Clear, 3 Load In Saved Defaults
    // Checks and stores the record; false when a check failed or the table refused it (the
    // message has been shown, the boxes keep their text and the table is where it was).
    bool DoUpdate();
    void DoAnUpdate();
    void DoUpdateAndExit();
    void DoPreviousRecord();
    void DoNextRecord();
    void DoExit();
    void CalcTotals();
    void DoNewRecord();
    void DoCopyRecord();
    void DoPrintRecord();
    void DoLoadDefaults();
    void DoSaveDefaults();
    void DoToggleLoadWithClear();
    void DoToggleLoadWithAdd();

    // The boxes' contents.
    RecordValues values() const;
    void setValues(const RecordValues& v);
    // The text kept for unticking Wanted.
    const QString& rememberedQuantity() const { return rememberedQuantity_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildBoxes(QWidget* client);
    void buildMenus();
    void setOrders();
    QWidget* box(int field) const { return boxes_[size_t(field - 1)]; }
    QString boxText(int field) const;
    void setBoxText(int field, const QString& text);
    void applyWantedState();
    void WantedClick();
    void leaveBox(int field);
    void focusBox(int field);
    void step(bool forward);
    void SelectButtonClick(int field);
    void saveGlobalSettings();
    std::array<QString, 25> captions() const;
    int enterCycleIndex(QObject* watched) const;

    mainwin::Program& program_;
    std::unique_ptr<mainwin::DesignDimensions> design_;
    RecordForm form_;
    int editMode_ = ExistingRecord;
    bool browseOnly_ = false;
    QString rememberedQuantity_;

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    std::array<QWidget*, 25> boxes_{};  // field 1 to 25; Wanted last
    std::array<QLabel*, 24> labels_{};  // labels of fields 1 to 24
    QLineEdit* PurchDate = nullptr;
    QCheckBox* Wanted = nullptr;
    QPushButton* BlankDateButton = nullptr;
    QPushButton* MiscSelectButton = nullptr;
    QPushButton* FaultsSelectButton = nullptr;
    QLabel* TotalsLabel = nullptr;
    QLabel* PurchaseTotal = nullptr;
    QLabel* MarketTotal = nullptr;
    QPushButton* UpdateExitButton = nullptr;
    QPushButton* UpdateButton = nullptr;
    QPushButton* ClearButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QPushButton* PreviousButton = nullptr;
    QPushButton* NextButton = nullptr;

    QAction* NewRecordItem = nullptr;
    QAction* CopyRecordItem = nullptr;
    QAction* ClearRecordItem = nullptr;
    QAction* UpdateRecordItem = nullptr;
    QAction* UpdateExitItem = nullptr;
    QAction* PrintRecordItem = nullptr;
    QAction* PreviousItem = nullptr;
    QAction* NextItem = nullptr;
    QAction* ExitItem = nullptr;
    QAction* CutItem = nullptr;
    QAction* CopyItem = nullptr;
    QAction* PasteItem = nullptr;
    QAction* DeleteItem = nullptr;
    QAction* LoadDefaultsItem = nullptr;
    QAction* SaveDefaultsItem = nullptr;
    QAction* LoadWithClearItem = nullptr;
    QAction* LoadWithAddItem = nullptr;
    QAction* HelpItem = nullptr;
    QMenu* DefaultsMenu = nullptr;
};

}  // namespace vz::edit
