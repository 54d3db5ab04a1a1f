#include "search/TMySearch.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "common/DisplayFormats.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/Schema.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/TMain.h"
#include "main/ViewerModel.h"
#include "main/WindowLayout.h"
#include "search/TSearchOptions.h"

namespace vz::search {
namespace {

constexpr int kCriterionColumn = 2;
constexpr int kButtonColumn = 1;
constexpr int kRowHeight = 22;
const QColor kButtonCellColour(128, 128, 128);  // 8421504

// The data list a row's button cell offers.
std::optional<data::DataList> listOfRow(int row) {
    switch (row) {
        case 3:
            return data::DataList::Country;
        case 9:
            return data::DataList::Condition;
        case 10:
            return data::DataList::Group;
        case 11:
            return data::DataList::StampType;
        case 12:
            return data::DataList::Cancellation;
        case 13:
            return data::DataList::Topic;
        case 16:
            return data::DataList::Gum;
        case 18:
            return data::DataList::Faults;
        case 20:
            return data::DataList::Miscellaneous;
        default:
            return std::nullopt;
    }
}

bool hasButtonCell(int row) {
    return searchRow(row).kind != RowKind::Character || searchRow(row).hasList;
}

}  // namespace

// Column 2's editor: a line edit with the row's template, or limited to the row's width.
class TMySearch::CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TMySearch* window) : QStyledItemDelegate(window), window_(window) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* e = new QLineEdit(parent);
        e->setFrame(false);
        const int row = index.row();
        const QString mask = window_->editMask(row);
        if (mask.isEmpty()) {
            e->setMaxLength(searchRow(row).width);
        } else {
            e->setInputMask(mask);
        }
        return e;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* e = static_cast<QLineEdit*>(editor);
        e->setText(index.data(Qt::EditRole).toString());
        e->setCursorPosition(0);
        if (!e->inputMask().isEmpty()) {
            // Past the operator sign, at the first position to type into.
            const int first = int(e->displayText().indexOf(QLatin1Char(' '))) + 1;
            e->setCursorPosition(first);
        }
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* e = static_cast<QLineEdit*>(editor);
        if (e->inputMask().isEmpty()) {
            model->setData(index, e->text(), Qt::EditRole);
            return;
        }
        // With a template the literals stay in the text and unfilled positions read as blanks; a
        // template left untouched leaves the cell empty.
        QLineEdit untouched;
        untouched.setInputMask(e->inputMask() + QStringLiteral("; "));
        model->setData(index,
                       e->displayText() == untouched.displayText() ? QString() : e->displayText(),
                       Qt::EditRole);
    }

private:
    TMySearch* window_;
};

TMySearch::TMySearch(mainwin::TMain& main, mainwin::Program& program, QWidget* parent)
    : QDialog(parent), main_(main), program_(program) {
    setObjectName(QStringLiteral("MySearch"));
    setWindowTitle(QStringLiteral("Search"));
    setHelpTopic(this, QStringLiteral("Search Window"));

    const std::pair<QPushButton**, const char*> buttons[] = {{&OkButton, "&Ok"},
                                                             {&ExitButton, "E&xit"},
                                                             {&ClearButton, "&Clear Search"},
                                                             {&MoreButton, "&Find More"},
                                                             {&HelpButton, "&Help"}};
    const char* names[] = {"OkButton", "ExitButton", "ClearButton", "MoreButton", "HelpButton"};
    int left = 8;
    for (size_t i = 0; i < std::size(buttons); ++i) {
        auto* b = new QPushButton(QString::fromLatin1(buttons[i].second), this);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setAutoDefault(false);
        b->setGeometry(left, 6, 112, 36);
        left += 122;
        *buttons[i].first = b;
    }
    connect(OkButton, &QPushButton::clicked, this, &TMySearch::OkButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &TMySearch::ExitButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TMySearch::ClearSearch);
    connect(MoreButton, &QPushButton::clicked, this, &TMySearch::MoreButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMySearch::HelpButtonClick);

    SearchGrid = new QTableWidget(kSearchRows + 1, 3, this);
    SearchGrid->setObjectName(QStringLiteral("SearchGrid"));
    SearchGrid->horizontalHeader()->hide();
    SearchGrid->verticalHeader()->hide();
    SearchGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SearchGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    SearchGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    SearchGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    SearchGrid->setTabKeyNavigation(false);  // Tab is handled below: it moves between criteria
    SearchGrid->setItemDelegateForColumn(kCriterionColumn, new CellDelegate(this));
    SearchGrid->setGeometry(8, 48, 620, kRowHeight * (kSearchRows + 1) + 4);
    const QColor fixed = palette().color(QPalette::Button);
    auto fixedItem = [&](const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(fixed);
        return item;
    };
    SearchGrid->setItem(0, 0, fixedItem(QStringLiteral(" FIELD")));
    SearchGrid->setItem(0, 1, fixedItem(QString()));
    SearchGrid->setItem(0, kCriterionColumn, fixedItem(QString()));
    for (int row = 1; row <= kSearchRows; ++row) {
        SearchGrid->setItem(row, 0, fixedItem(QString()));
        QTableWidgetItem* button = fixedItem(QString());
        if (hasButtonCell(row)) {
            button->setText(QStringLiteral("..."));
            button->setTextAlignment(Qt::AlignCenter);
            button->setBackground(kButtonCellColour);
        }
        SearchGrid->setItem(row, kButtonColumn, button);
        SearchGrid->setItem(row, kCriterionColumn, new QTableWidgetItem());
    }
    connect(SearchGrid, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == kButtonColumn && row >= 1 && row <= kSearchRows) SearchGridButtonClick(row);
    });
    // The criterion editor is always shown: whichever criterion cell becomes current opens it.
    connect(SearchGrid, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (column != kCriterionColumn && row >= 1) {
            SearchGrid->setCurrentCell(row, kCriterionColumn);
            return;
        }
        if (row >= 1) openEditor();
    });
    SearchGrid->installEventFilter(this);
    setLevelHeader();
    resize(636, SearchGrid->geometry().bottom() + 8);
    design_ = std::make_unique<mainwin::DesignDimensions>(
        mainwin::recordDesignDimensions(this, program_.ui()));
    runOptions = [](TSearchOptions& w) { return w.exec() == QDialog::Accepted; };
}

TMySearch::~TMySearch() = default;

bool TMySearch::run() {
    FormShow();
    return exec() == QDialog::Accepted;
}

QString TMySearch::cell(int row) const {
    return SearchGrid->item(row, kCriterionColumn)->text();
}

void TMySearch::setCell(int row, const QString& text) {
    QTableWidgetItem* item = SearchGrid->item(row, kCriterionColumn);
    const bool editing = SearchGrid->isPersistentEditorOpen(item);
    if (editing) SearchGrid->closePersistentEditor(item);
    item->setText(text);
    if (editing) openEditor();
}

QString TMySearch::editMask(int row) const {
    if (row < 1 || row > kSearchRows) return {};
    const SearchRow& r = searchRow(row);
    if (r.kind == RowKind::Character) return {};
    QString value;
    QString second;
    if (r.kind == RowKind::Numeric) {
        value = QStringLiteral("xxxxxxxxx");
        second = QStringLiteral("xxxxxxxx");
    } else {
        const QString sep = displayFormats().dateSeparator();
        value = QStringLiteral("00") + sep + QStringLiteral("00") + sep + QStringLiteral("9999");
        second = value;
    }
    switch (rowOperator(row)) {
        case RowOperator::Equal:
            return QStringLiteral("= ") + value + QStringLiteral("; ");
        case RowOperator::Greater:
            return QStringLiteral("\\> ") + value + QStringLiteral("; ");
        case RowOperator::Less:
            return QStringLiteral("\\< ") + value + QStringLiteral("; ");
        case RowOperator::Between:
            return QStringLiteral("\\> ") + value + QStringLiteral(" \\A\\N\\D \\< ") + second +
                   QStringLiteral("; ");
    }
    return {};
}

QString TMySearch::levelHeader() const {
    return SearchGrid->item(0, kCriterionColumn)->text();
}

void TMySearch::setLevelHeader() {
    SearchGrid->item(0, kCriterionColumn)
        ->setText(QStringLiteral(" SEARCH CRITERIA    (Level %1)").arg(entered_.level()));
}

void TMySearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        mainwin::showPersistentWindow(this, *design_, program_.settings().database,
                                      mainwin::screenScale().factor());
        SetColors();
        focusGrid();
    }
}

void TMySearch::FormShow() {
    const double scale = mainwin::screenScale().factor();
    const data::DatabaseSettings& s = program_.settings().database;
    SearchGrid->setColumnWidth(0, int(200 * scale));
    SearchGrid->setColumnWidth(1, int(20 * scale));
    SearchGrid->setColumnWidth(2, int(378 * scale));
    for (int row = 0; row <= kSearchRows; ++row)
        SearchGrid->setRowHeight(row, int(kRowHeight * scale));
    for (int row = 1; row <= kSearchRows; ++row)
        SearchGrid->item(row, 0)->setText(QStringLiteral(" ") + s.field(row).caption);
    clearCells();
    // A fresh form at level 1; the search in force stays until Ok applies another.
    entered_.clear();
    MoreButton->setEnabled(true);
    setLevelHeader();
    SetColors();
    SearchGrid->setCurrentCell(1, kCriterionColumn);
}

void TMySearch::SetColors() {
    mainwin::applyColourSet(this,
                            program_.settings().database.colourSet(data::WindowGroup::Search));
}

void TMySearch::clearCells() {
    for (int row = 1; row <= kSearchRows; ++row)
        SearchGrid->closePersistentEditor(SearchGrid->item(row, kCriterionColumn));
    for (int row = 1; row <= kSearchRows; ++row)
        SearchGrid->item(row, kCriterionColumn)->setText(QString());
    if (SearchGrid->currentRow() >= 1 && isVisible()) openEditor();
}

void TMySearch::focusGrid() {
    SearchGrid->setFocus(Qt::OtherFocusReason);
    if (QWidget* editor = SearchGrid->indexWidget(SearchGrid->currentIndex()))
        editor->setFocus(Qt::OtherFocusReason);
}

void TMySearch::openEditor() {
    const QModelIndex index = SearchGrid->currentIndex();
    if (!index.isValid() || index.column() != kCriterionColumn || index.row() < 1) return;
    closeEditors();
    SearchGrid->openPersistentEditor(SearchGrid->item(index.row(), kCriterionColumn));
    if (QWidget* editor = SearchGrid->indexWidget(index)) {
        editor->installEventFilter(this);
        if (isVisible()) editor->setFocus(Qt::OtherFocusReason);
    }
}

bool TMySearch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int row = SearchGrid->currentRow();
        int next = 0;
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Down) next = row + 1;
        if (key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Up) next = row - 1;
        if (next != 0 || key->key() == Qt::Key_Up) {
            if (next >= 1 && next <= kSearchRows) {
                SearchGrid->setCurrentCell(next, kCriterionColumn);
            } else if (key->key() == Qt::Key_Tab) {
                focusNextChild();
            } else if (key->key() == Qt::Key_Backtab) {
                focusPreviousChild();
            }
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;  // no default button
    }
    return QDialog::eventFilter(watched, event);
}

void TMySearch::closeEditors() {
    // Only one editor at a time; the one of the row left writes its text back first.
    for (int row = 1; row <= kSearchRows; ++row) {
        const QModelIndex index = SearchGrid->model()->index(row, kCriterionColumn);
        if (!SearchGrid->QAbstractItemView::isPersistentEditorOpen(index)) continue;
        if (QWidget* editor = SearchGrid->indexWidget(index))
            SearchGrid->itemDelegateForColumn(kCriterionColumn)
                ->setModelData(editor, SearchGrid->model(), index);
        SearchGrid->QAbstractItemView::closePersistentEditor(index);
    }
}

void TMySearch::commitEditor() {
    const QModelIndex index = SearchGrid->currentIndex();
    if (QWidget* editor = SearchGrid->indexWidget(index)) {
        SearchGrid->itemDelegateForColumn(kCriterionColumn)
            ->setModelData(editor, SearchGrid->model(), index);
    }
}

bool TMySearch::SaveFields() {
    commitEditor();
    std::array<QString, kSearchRows> cells;
    for (int row = 1; row <= kSearchRows; ++row) cells[size_t(row - 1)] = cell(row);
    const SaveResult r = entered_.saveLevel(
        cells, operators_,
        [](QStringView text, engine::Date& d) { return displayFormats().parseDate(text, d); });
    Interaction& ui = program_.ui();
    switch (r.outcome) {
        case SaveOutcome::Saved:
            return true;
        case SaveOutcome::Invalid:
            ui.message(searchMessage(SearchMessage::InvalidCriteria));
            SearchGrid->setCurrentCell(r.row, kCriterionColumn);
            focusGrid();
            return false;
        case SaveOutcome::NoCriteria:
            ui.message(searchMessage(SearchMessage::NoCriteria));
            focusGrid();
            return false;
        case SaveOutcome::TooManyItems:
            ui.message(searchMessage(SearchMessage::TooManyItems));
            clearCells();
            MoreButton->setEnabled(true);
            setLevelHeader();
            focusGrid();
            return false;
    }
    return false;
}

bool TMySearch::Doit() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    inForce_ = entered_;
    data::CollectionDatabase& db = program_.database();
    if (program_.searchMode() && db.table() != nullptr) {
        // Reopened, the table asks the record test afresh.
        db.closeTable();
        db.openTable(engine::OpenMode::Shared);
    }
    main_.EnableEndSearch();
    if (engine::Table* t = db.table()) {
        engine::Status s = t->refresh();
        if (s) s = t->first();
        if (!s) program_.ui().error(QString::fromStdString(s.message()));
    }
    main_.SetViewerOptions();
    main_.DisplayCount();
    const bool found = main_.viewerModel()->rowCount() > 0;
    if (!found) main_.DoEndSearch();
    QApplication::restoreOverrideCursor();
    return found;
}

void TMySearch::OkButtonClick() {
    MoreButton->setEnabled(true);
    if (!SaveFields()) return;
    if (Doit()) {
        accept();
        return;
    }
    program_.ui().message(searchMessage(SearchMessage::NoMatches));
    ClearSearch();
}

void TMySearch::ExitButtonClick() {
    MoreButton->setEnabled(true);
    reject();
}

void TMySearch::ClearSearch() {
    clearCells();
    entered_.clear();
    MoreButton->setEnabled(true);
    setLevelHeader();
    focusGrid();
}

void TMySearch::MoreButtonClick() {
    if (SaveFields()) {
        clearCells();
        entered_.nextLevel();
        setLevelHeader();
        if (entered_.level() > kMaxSearchLevels - 1) MoreButton->setEnabled(false);
    }
    focusGrid();
}

void TMySearch::HelpButtonClick() {
    program_.ui().help(QStringLiteral("Search Window"));
}

QStringList TMySearch::rowList(int row) const {
    const std::optional<data::DataList> list = listOfRow(row);
    return list ? program_.lists().entries(*list) : QStringList();
}

void TMySearch::SearchGridButtonClick(int row) {
    if (row < 1 || row > kSearchRows || !hasButtonCell(row)) return;
    TSearchOptions options(program_.settings().database,
                           program_.settings().database.field(row).caption, this);
    const bool operatorMode = searchRow(row).kind != RowKind::Character;
    if (operatorMode) {
        options.loadOperators(rowOperator(row));
    } else {
        options.LoadList(rowList(row));
    }
    if (!runOptions(options)) return;
    closeEditors();
    const int chosen = options.selectedIndex();
    if (operatorMode) {
        if (chosen < 0) return;
        const RowOperator op = RowOperator(chosen + 1);
        if (op != rowOperator(row)) {
            operators_[size_t(row - 1)] = op;
            // The cell takes the new operator's template, empty.
            SearchGrid->item(row, kCriterionColumn)->setText(QString());
        }
    } else if (chosen >= 0) {
        SearchGrid->item(row, kCriterionColumn)
            ->setText(options.selectedText().left(searchRow(row).width));
    }
    if (SearchGrid->currentRow() == row) {
        openEditor();
    } else {
        SearchGrid->setCurrentCell(row, kCriterionColumn);
    }
    focusGrid();
}

}  // namespace vz::search
