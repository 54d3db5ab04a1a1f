// TViewConfig: the viewer configuration window. Six pages decide how the main window's grid shows
// the records (titles, lines, row indicator, editing in the grid, colours and fonts) and which
// fields it shows, how wide, in what order and under what captions; the captions name the fields
// everywhere in the program.
//
// The check boxes, alignment, colours and fonts go into the settings as they are changed. The
// four field pages are kept in a ViewerConfig and taken over when the window closes, which it
// does only once the captions pass ViewerConfig::checkNames(); there is no Cancel. The caller
// then re-applies the viewer settings to its grid.
#pragma once

#include <QDialog>

#include "main/ViewerConfig.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace vz {
class Interaction;
}

namespace vz::mainwin {

class TViewConfig : public QDialog {
    Q_OBJECT
public:
    enum Page { TitlePage, LookPage, ShowPage, WidthsPage, OrderPage, NamesPage };

    // `ui` and `settings` must outlive the window; the window edits `settings` directly.
    TViewConfig(Interaction& ui, data::DatabaseSettings& settings, QWidget* parent = nullptr);

    const ViewerConfig& fields() const { return config_; }
    // Tries to close as E&xit does; false, with the window kept open, when a caption is refused.
    bool tryClose();
    // The help keyword of `page`: "Viewer Configuration Title", ...
    static QString helpKeyword(int page);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QWidget* buildTitlePage();
    QWidget* buildLookPage();
    QWidget* buildShowPage();
    QWidget* buildWidthsPage();
    QWidget* buildOrderPage();
    QWidget* buildNamesPage();
    void FormShow();
    void fillGrids();
    void fillOrderList();
    // The caption of `field` on the pages that show captions, as the Names page now has it.
    void showCaption(int field);
    void showFontsAndColours();
    void NewColourClick(bool title);
    void NewFontClick(bool title);
    void ShowGridDoubleClick(int row, int column);
    void UpButtonClick();
    void DownButtonClick();
    void DefaultsButtonClick();
    void HelpButtonClick();
    // Finishes the edit of whichever grid cell is open, so that closing sees what was typed.
    void commitOpenEditor();

    Interaction& ui_;
    data::DatabaseSettings& settings_;
    ViewerConfig config_;
    bool filling_ = false;
    bool closed_ = false;

    QTabWidget* Notebook = nullptr;
    QCheckBox* ShowTitlesCheck = nullptr;
    QLabel* TitleColourSample = nullptr;
    QLineEdit* TitleFontBox = nullptr;
    QRadioButton* AlignButtons[3] = {};
    QCheckBox* ColumnLinesCheck = nullptr;
    QCheckBox* RowLinesCheck = nullptr;
    QCheckBox* RowIndicatorCheck = nullptr;
    QCheckBox* FieldEditingCheck = nullptr;
    QLabel* CellColourSample = nullptr;
    QLineEdit* CellFontBox = nullptr;
    QTableWidget* ShowGrid = nullptr;
    QTableWidget* WidthsGrid = nullptr;
    QTableWidget* NamesGrid = nullptr;
    QListWidget* OrderList = nullptr;
    QLabel* FieldLabel = nullptr;
    QLabel* OrderingLabel = nullptr;
};

// Opens the viewer configuration window modally over `parent` on the open database's settings.
// True when a field caption changed (every window that shows captions should then show them
// anew); the caller re-applies the viewer settings to its grid in any case.
bool runViewerConfig(QWidget* parent, Interaction& ui, data::DatabaseSettings& settings);

}  // namespace vz::mainwin
