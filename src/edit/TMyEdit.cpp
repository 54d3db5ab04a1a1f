#include "edit/TMyEdit.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStringListModel>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "common/ListBoxCompletion.h"
#include "common/PrintJob.h"
#include "data/DataLists.h"
#include "data/OwnFiles.h"
#include "data/Schema.h"
#include "edit/AmountLabel.h"
#include "edit/FieldChecks.h"
#include "edit/RecordPrinter.h"
#include "edit/TMyMiscellaneous.h"
#include "engine/Table.h"
#include "main/ApplyColours.h"
#include "common/DisplayFormats.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::edit {

namespace {

// The most characters the collector may type into a box: its field's width.
constexpr char kTypingLimit[] = "typingLimit";

constexpr int kDesignWidth = 632;
constexpr int kDesignHeight = 399;

// Field numbers of the boxes that take part in the number checks and the totals.
constexpr int kMarketValue = 5;
constexpr int kQuantity = 6;
constexpr int kPurchasePrice = 15;
constexpr int kMisc = 20;
constexpr int kFaults = 18;

struct BoxDesign {
    int field;
    const char* name;     // the component name
    const char* caption;  // the design caption, replaced by the field caption when shown
};

// In field order.
constexpr BoxDesign kBoxes[25] = {
    {1, "AlphaCatalog", "Alpha Catalog"},   {2, "Description", "Description"},
    {3, "Country", "Country"},              {4, "FaceValue", "Face Value"},
    {5, "MarketValue", "Market Value"},     {6, "Quantity", "Quantity"},
    {7, "Year", "Year"},                    {8, "Comments", "Comments"},
    {9, "Condition", "Condition"},          {10, "Group", "Group"},
    {11, "StampType", "Stamp Type"},        {12, "Cancellation", "Cancellation"},
    {13, "Topic", "Topic"},                 {14, "PurchDate", "Date Acquired"},
    {15, "PurchPrice", "Purchase Price"},   {16, "Gum", "Gum"},
    {17, "ColorBox", "Color"},              {18, "Faults", "Faults"},
    {19, "Hinged", "Hinged"},               {20, "Misc", "Miscellaneous"},
    {21, "NumericCatalog", "Numeric Catalog"}, {22, "UserDef1", "User Defined 1"},
    {23, "UserDef2", "User Defined 2"},     {24, "UserDef3", "User Defined 3"},
    {25, "Wanted", "Wanted"},
};

// Where Enter moves the focus: each box to the next, Market Value back to Country.
constexpr int kEnterCycle[25] = {3, 4, 1, 21, 7, 9, 11, 10, 12, 16, 2, 8, 19, 17, 14, 13, 20, 18, 25, 22, 23, 24, 6, 15, 5};

// Rows of the layout from the top: the field on the left and the one on the right (0: none).
constexpr int kRowPitch = 26;
constexpr int kFirstRow = 6;
constexpr int kRowHeight = 21;
constexpr int kLabelWidth = 133;
constexpr int kLeftBox = 137;
constexpr int kLeftBoxWidth = 170;
constexpr int kRightLabel = 312;
constexpr int kRightBox = 449;
constexpr int kRightBoxWidth = 175;
constexpr int kNumberBoxWidth = 84;
constexpr int kTotalLeft = 537;
constexpr int kTotalWidth = 90;

int rowTop(int row) { return kFirstRow + row * kRowPitch; }

data::DataList listOfField(int field, bool& found) {
    for (const data::DataListInfo& info : data::dataListTable()) {
        if (info.fieldNumber == field && data::isDatabaseList(info.list)) {
            found = true;
            return info.list;
        }
    }
    found = false;
    return data::DataList::Country;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

TMyEdit::TMyEdit(mainwin::Program& program, QWidget* parent) : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("MyEdit"));
    setHelpTopic(this, QStringLiteral("Input Window"));
    setWindowTitle(QStringLiteral("Input Vazovi"));
    // Only the close box in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    setFont(QFont(QStringLiteral("Arial"), 9));
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("Client"));
    client_->resize(kDesignWidth, kDesignHeight);
    buildBoxes(client_);
    buildMenus();
    setOrders();

    // The menu bar over the client area, both placed by hand so that the screen-size scaling
    // can move and size every control from its design geometry.
    const int menuHeight = menuBar_->sizeHint().height();
    client_->move(0, menuHeight);
    resize(kDesignWidth, kDesignHeight + menuHeight);
    design_ = std::make_unique<mainwin::DesignDimensions>(mainwin::recordDesignDimensions(this, program_.ui()));

    // The window sees every key before its controls.
    installEventFilter(this);
    for (QWidget* w : boxes_) {
        w->installEventFilter(this);
        if (auto* combo = qobject_cast<QComboBox*>(w)) combo->lineEdit()->installEventFilter(this);
    }
    for (QPushButton* b : client_->findChildren<QPushButton*>()) b->installEventFilter(this);

    LoadWithClearItem->setChecked(program_.settings().global.defaults.loadWithClear);
    LoadWithAddItem->setChecked(program_.settings().global.defaults.loadWithAdd);
}

TMyEdit::~TMyEdit() = default;

void TMyEdit::buildBoxes(QWidget* client) {
    data::DataLists& lists = program_.lists();
    for (const BoxDesign& d : kBoxes) {
        QWidget* w = nullptr;
        const data::SchemaField& field = data::schemaField(d.field);
        bool isList = false;
        const data::DataList list = listOfField(d.field, isList);
        if (d.field == 25) {
            Wanted = new QCheckBox(QString::fromLatin1(d.caption), client);
            connect(Wanted, &QCheckBox::clicked, this, [this] { WantedClick(); });
            w = Wanted;
        } else if (isList) {
            auto* combo = new QComboBox(client);
            combo->setEditable(true);
            combo->setModel(lists.model(list));
            // Typed values reach a list only when the record is stored.
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(12);
            combo->lineEdit()->setMaxLength(field.width);
            combo->lineEdit()->setProperty(kTypingLimit, field.width);
            suggestFromList(combo);
            combo->setCurrentIndex(-1);
            w = combo;
        } else {
            auto* edit = new QLineEdit(client);
            edit->setMaxLength(field.width);
            edit->setProperty(kTypingLimit, field.width);
            if (d.field == 14) PurchDate = edit;
            w = edit;
        }
        w->setObjectName(QString::fromLatin1(d.name));
        boxes_[size_t(d.field - 1)] = w;
        if (d.field <= kTextBoxCount) {
            auto* label = new QLabel(QString::fromLatin1(d.caption), client);
            label->setObjectName(QString::fromLatin1(d.name) + QStringLiteral("Label"));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setBuddy(w);
            labels_[size_t(d.field - 1)] = label;
        }
    }

    auto place = [](QWidget* w, int x, int y, int width) { w->setGeometry(x, y, width, kRowHeight); };
    auto pair = [&](int row, int field, bool right, int boxWidth) {
        place(labels_[size_t(field - 1)], right ? kRightLabel : 0, rowTop(row), kLabelWidth - 4);
        place(box(field), right ? kRightBox : kLeftBox, rowTop(row), boxWidth);
    };
    const int rows[8][2] = {{3, 4}, {1, 21}, {7, 9}, {11, 10}, {12, 16}, {2, 8}, {19, 17}, {14, 13}};
    for (int row = 0; row < 8; ++row) {
        pair(row, rows[row][0], false, kLeftBoxWidth);
        pair(row, rows[row][1], true, kRightBoxWidth);
    }
    place(PurchDate, kLeftBox, rowTop(7), 86);
    BlankDateButton = makeButton(client, "BlankDateButton", QStringLiteral("Blank Date"));
    place(BlankDateButton, kLeftBox + 90, rowTop(7), 80);
    connect(BlankDateButton, &QPushButton::clicked, this, [this] {
        PurchDate->setText(RecordForm::emptyDateText(displayFormats().dateSeparator()));
    });

    pair(8, kMisc, false, 420);
    MiscSelectButton = makeButton(client, "MiscSelectButton", QStringLiteral("Select"));
    place(MiscSelectButton, kLeftBox + 425, rowTop(8), 62);
    connect(MiscSelectButton, &QPushButton::clicked, this, [this] { SelectButtonClick(kMisc); });

    pair(9, kFaults, false, 300);
    FaultsSelectButton = makeButton(client, "FaultsSelectButton", QStringLiteral("Select"));
    place(FaultsSelectButton, kLeftBox + 305, rowTop(9), 62);
    connect(FaultsSelectButton, &QPushButton::clicked, this, [this] { SelectButtonClick(kFaults); });
    place(Wanted, kLeftBox + 380, rowTop(9), 108);

    const int lower[3][2] = {{22, kQuantity}, {23, kPurchasePrice}, {24, kMarketValue}};
    for (int i = 0; i < 3; ++i) {
        pair(10 + i, lower[i][0], false, kLeftBoxWidth);
        pair(10 + i, lower[i][1], true, kNumberBoxWidth);
    }
    TotalsLabel = new QLabel(QStringLiteral("Totals"), client);
    TotalsLabel->setObjectName(QStringLiteral("TotalsLabel"));
    QFont bold = TotalsLabel->font();
    bold.setBold(true);
    TotalsLabel->setFont(bold);
    TotalsLabel->setProperty(mainwin::kKeepFontProperty, true);
    TotalsLabel->setAlignment(Qt::AlignCenter);
    place(TotalsLabel, kTotalLeft, rowTop(10), kTotalWidth);
    // The totals can be longer than their labels: they shrink to show the whole amount.
    PurchaseTotal = new AmountLabel(client);
    PurchaseTotal->setObjectName(QStringLiteral("PurchaseTotal"));
    PurchaseTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(PurchaseTotal, kTotalLeft, rowTop(11), kTotalWidth);
    MarketTotal = new AmountLabel(client);
    MarketTotal->setObjectName(QStringLiteral("MarketTotal"));
    MarketTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(MarketTotal, kTotalLeft, rowTop(12), kTotalWidth);

    UpdateExitButton = makeButton(client, "UpdateExitButton", QStringLiteral("&Update && Exit"));
    UpdateButton = makeButton(client, "UpdateButton", QStringLiteral("Upd&ate"));
    ClearButton = makeButton(client, "ClearButton", QStringLiteral("C&lear"));
    ExitButton = makeButton(client, "ExitButton", QStringLiteral("E&xit"));
    PreviousButton = makeButton(client, "PreviousButton", QStringLiteral("&Previous"));
    NextButton = makeButton(client, "NextButton", QStringLiteral("&Next"));
    int x = 8;
    for (QPushButton* b : {UpdateExitButton, UpdateButton, ClearButton, ExitButton, PreviousButton, NextButton}) {
        b->setGeometry(x, 355, 96, 33);
        x += 104;
    }
    connect(UpdateExitButton, &QPushButton::clicked, this, [this] { DoUpdateAndExit(); });
    connect(UpdateButton, &QPushButton::clicked, this, [this] { DoAnUpdate(); });
    connect(ClearButton, &QPushButton::clicked, this, [this] { DoClear(int(ClearKind::Clear)); });
    connect(ExitButton, &QPushButton::clicked, this, [this] { DoExit(); });
    connect(PreviousButton, &QPushButton::clicked, this, [this] { DoPreviousRecord(); });
    connect(NextButton, &QPushButton::clicked, this, [this] { DoNextRecord(); });
}

void TMyEdit::buildMenus() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("MainMenu"));
    auto item = [this](QMenu* menu, const char* name, const QString& text, const char* shortcut, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    NewRecordItem = item(file, "NewRecordItem", QStringLiteral("N&ew Record"), "Ctrl+E", [this] { DoNewRecord(); });
    CopyRecordItem = item(file, "CopyRecordItem", QStringLiteral("Cop&y Record"), "Ctrl+Y", [this] { DoCopyRecord(); });
    ClearRecordItem = item(file, "ClearRecordItem", QStringLiteral("&Clear Record"), "Ctrl+L",
                           [this] { DoClear(int(ClearKind::Clear)); });
    UpdateRecordItem = item(file, "UpdateRecordItem", QStringLiteral("Up&date Record"), "Ctrl+R", [this] { DoAnUpdate(); });
    UpdateExitItem = item(file, "UpdateExitItem", QStringLiteral("&Update && Exit"), "Ctrl+U", [this] { DoUpdateAndExit(); });
    PrintRecordItem = item(file, "PrintRecordItem", QStringLiteral("Prin&t Record"), "Ctrl+T", [this] { DoPrintRecord(); });
    file->addSeparator();
    PreviousItem = item(file, "PreviousItem", QStringLiteral("&Previous Record"), "Ctrl+P", [this] { DoPreviousRecord(); });
    NextItem = item(file, "NextItem", QStringLiteral("&Next Record"), "Ctrl+N", [this] { DoNextRecord(); });
    file->addSeparator();
    ExitItem = item(file, "ExitItem", QStringLiteral("E&xit"), nullptr, [this] { DoExit(); });

    // The clipboard commands work on the text box or drop-down box that has the focus; the date
    // box and the other controls are left alone.
    auto focusedText = [this]() -> QLineEdit* {
        QWidget* f = QApplication::focusWidget();
        if (auto* combo = qobject_cast<QComboBox*>(f)) f = combo->lineEdit();
        auto* edit = qobject_cast<QLineEdit*>(f);
        if (!edit || edit == PurchDate || !client_->isAncestorOf(edit)) return nullptr;
        return edit;
    };
    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit"));
    CutItem = item(edit, "CutItem", QStringLiteral("Cu&t"), "Ctrl+X", [focusedText] {
        if (QLineEdit* e = focusedText()) e->cut();
    });
    CopyItem = item(edit, "CopyItem", QStringLiteral("&Copy"), "Ctrl+C", [focusedText] {
        if (QLineEdit* e = focusedText()) e->copy();
    });
    PasteItem = item(edit, "PasteItem", QStringLiteral("&Paste"), "Ctrl+V", [focusedText] {
        if (QLineEdit* e = focusedText()) e->paste();
    });
    DeleteItem = item(edit, "DeleteItem", QStringLiteral("&Delete"), "Ctrl+D", [focusedText] {
        if (QLineEdit* e = focusedText(); e && e->hasSelectedText()) e->del();
    });

    DefaultsMenu = menuBar_->addMenu(QStringLiteral("&Defaults"));
    LoadDefaultsItem = item(DefaultsMenu, "LoadDefaultsItem", QStringLiteral("&Load In Saved Defaults"), "Ctrl+Q",
                            [this] { DoLoadDefaults(); });
    SaveDefaultsItem = item(DefaultsMenu, "SaveDefaultsItem", QStringLiteral("&Save Current Values As Defaults"),
                            "Ctrl+S", [this] { DoSaveDefaults(); });
    DefaultsMenu->addSeparator();
    LoadWithClearItem = item(DefaultsMenu, "LoadWithClearItem", QStringLiteral("Load Defaults With &Clear"), "Ctrl+W",
                             [this] { DoToggleLoadWithClear(); });
    LoadWithClearItem->setCheckable(true);
    LoadWithAddItem = item(DefaultsMenu, "LoadWithAddItem", QStringLiteral("Load Defaults With &Add"), "Ctrl+A",
                           [this] { DoToggleLoadWithAdd(); });
    LoadWithAddItem->setCheckable(true);

    HelpItem = menuBar_->addAction(QStringLiteral("&Help"));
    HelpItem->setObjectName(QStringLiteral("HelpItem"));
    HelpItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    connect(HelpItem, &QAction::triggered, this, [this] { program_.ui().help(QStringLiteral("Input Window")); });

    // Shortcuts of the menu work wherever the focus is in the window.
    for (QAction* a : menuBar_->findChildren<QAction*>())
        if (!a->shortcut().isEmpty()) addAction(a);
}

void TMyEdit::setOrders() {
    QList<QWidget*> order;
    for (int field : {3, 4, 1, 21, 7, 9, 11, 10, 12, 16, 2, 8, 19, 17, 14}) order << box(field);
    order << BlankDateButton << box(13) << box(kMisc) << MiscSelectButton << box(kFaults) << FaultsSelectButton;
    for (int field : {25, 22, 23, 24, kQuantity, kPurchasePrice, kMarketValue}) order << box(field);
    order << UpdateExitButton << UpdateButton << ClearButton << ExitButton << PreviousButton << NextButton;
    for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TMyEdit::setBrowseOnly(bool on) {
    browseOnly_ = on;
    for (QAction* a : {NewRecordItem, ClearRecordItem, UpdateRecordItem, UpdateExitItem, CutItem, CopyItem, PasteItem,
                       DeleteItem, LoadDefaultsItem, SaveDefaultsItem, LoadWithClearItem, LoadWithAddItem})
        a->setEnabled(!on);
    DefaultsMenu->menuAction()->setEnabled(!on);
    for (QPushButton* b : {UpdateExitButton, UpdateButton, ClearButton}) b->setEnabled(!on);
}

std::array<QString, 25> TMyEdit::captions() const {
    std::array<QString, 25> c;
    for (int field = 1; field <= 25; ++field) c[size_t(field - 1)] = program_.settings().database.field(field).caption;
    return c;
}

// --- Showing -------------------------------------------------------------------------------

int TMyEdit::exec() {
    FormShow();
    return QDialog::exec();
}

void TMyEdit::FormShow() {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    mainwin::showPersistentWindow(this, *design_, program_.settings().database, mainwin::screenScale().factor());
    setFixedSize(size());
    // Each opening starts under the window's own caption; New Record and Copy Record change it
    // for the record they begin.
    setWindowTitle(QStringLiteral("Input Vazovi"));
    const std::array<QString, 25> names = captions();
    for (int field = 1; field <= kTextBoxCount; ++field) labels_[size_t(field - 1)]->setText(names[size_t(field - 1)]);
    Wanted->setText(names[24]);
    mainwin::applyColourSet(this, program_.settings().database.colourSet(data::WindowGroup::Edit));

    // The date box's mask follows the separator of the date format in force.
    const QString sep = displayFormats().dateSeparator();
    PurchDate->setInputMask(QStringLiteral("99") + sep + QStringLiteral("99") + sep + QStringLiteral("9999; "));

    engine::Table* table = program_.database().table();
    if ((editMode_ == ExistingRecord || editMode_ == CopyRecord) && table && table->hasRecord()) {
        LoadInData();
    } else {
        DoClear(int(ClearKind::NewRecord));
    }
    SaveValues();
    box(3)->setFocus();
}

// --- The boxes -----------------------------------------------------------------------------

QString TMyEdit::boxText(int field) const {
    QWidget* w = box(field);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    auto* edit = static_cast<QLineEdit*>(w);
    // The date box reads with its blanks and separators, as it shows.
    return edit == PurchDate ? edit->displayText() : edit->text();
}

void TMyEdit::setBoxText(int field, const QString& text) {
    QWidget* w = box(field);
    auto* combo = qobject_cast<QComboBox*>(w);
    QLineEdit* edit = combo ? combo->lineEdit() : static_cast<QLineEdit*>(w);
    if (edit == PurchDate) {
        edit->setText(RecordForm::fitDateBox(text, displayFormats().dateSeparator()));
        return;
    }
    // The typing limit must not cut what the window puts into a box: a money amount with its
    // group separators can be longer than what may be typed, and a cut amount would be stored
    // as another value. The box then takes typing up to that length; the store cuts text to
    // its field.
    edit->setMaxLength(std::max(edit->property(kTypingLimit).toInt(), int(text.size())));
    if (combo) {
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
    } else {
        edit->setText(text);
    }
}

RecordValues TMyEdit::values() const {
    RecordValues v;
    for (int field = 1; field <= kTextBoxCount; ++field) v[field] = boxText(field);
    v.wanted = Wanted->isChecked();
    return v;
}

void TMyEdit::setValues(const RecordValues& v) {
    for (int field = 1; field <= kTextBoxCount; ++field) setBoxText(field, v[field]);
    Wanted->setChecked(v.wanted);
}

void TMyEdit::applyWantedState() { box(kQuantity)->setEnabled(!Wanted->isChecked()); }

void TMyEdit::focusBox(int field) {
    if (field < 1 || field > 25) return;
    QWidget* w = box(field);
    w->setEnabled(true);
    w->setFocus(Qt::OtherFocusReason);
    if (field == kQuantity) applyWantedState();
}

void TMyEdit::LoadInData() {
    engine::Table* table = program_.database().table();
    if (!table || !table->hasRecord()) return;
    setValues(RecordForm::fromRecord(*table, displayFormats(), rememberedQuantity_));
    applyWantedState();
    CalcTotals();
}

void TMyEdit::SaveValues() { form_.SaveValues(values()); }

bool TMyEdit::ValuesChanged() const { return form_.ValuesChanged(values()); }

void TMyEdit::DoClear(int kind) {
    if (kind < 1 || kind > 3) return;
    setValues(RecordForm::cleared(ClearKind(kind), program_.settings().global.defaults, displayFormats(),
                                  rememberedQuantity_));
    applyWantedState();
    CalcTotals();
}

void TMyEdit::CalcTotals() {
    const TotalTexts t = edit::CalcTotals(boxText(kQuantity), boxText(kPurchasePrice), boxText(kMarketValue));
    PurchaseTotal->setText(t.purchaseTotal);
    MarketTotal->setText(t.marketTotal);
}

void TMyEdit::WantedClick() {
    if (Wanted->isChecked()) {
        rememberedQuantity_ = boxText(kQuantity).left(kRememberedQuantityLength);
        setBoxText(kQuantity, QStringLiteral("0"));
    } else {
        setBoxText(kQuantity, rememberedQuantity_);
    }
    applyWantedState();
    CalcTotals();
}

void TMyEdit::leaveBox(int field) {
    const QString text = boxText(field);
    if (field == kQuantity) {
        const QString rewritten = quantityBoxOnLeave(text);
        setBoxText(field, rewritten);
        if (!text.trimmed().isEmpty()) rememberedQuantity_ = rewritten.left(kRememberedQuantityLength);
    } else {
        setBoxText(field, moneyBoxOnLeave(text));
    }
    CalcTotals();
}

// --- Storing -------------------------------------------------------------------------------

bool TMyEdit::DoUpdate() {
    if (browseOnly_) return false;
    engine::Table* table = program_.database().table();
    if (!table) {
        program_.ui().error(QStringLiteral("No database is open.  The record cannot be stored."));
        return false;
    }
    const RecordValues v = values();
    const DisplayFormats& formats = displayFormats();
    const std::array<QString, 25> names = captions();
    std::optional<StoreProblem> problem = RecordForm::check(v, *table, names, formats);
    if (!problem) problem = RecordForm::write(*table, v, editMode_ != ExistingRecord, formats, names);
    if (problem) {
        program_.ui().error(problem->message);
        focusBox(problem->field);
        return false;
    }
    editMode_ = ExistingRecord;
    // The typed Country, Topic and Condition join their lists. The boxes show the lists' models,
    // which may pick an entry when the first one arrives; the boxes keep what was typed.
    for (data::DataList list : {data::DataList::Country, data::DataList::Topic, data::DataList::Condition}) {
        const int field = data::dataListInfo(list).fieldNumber;
        if (program_.lists().AddToList(list, v[field])) setBoxText(field, v[field]);
    }
    return true;
}

void TMyEdit::DoAnUpdate() {
    if (DoUpdate()) SaveValues();
}

void TMyEdit::DoUpdateAndExit() {
    if (DoUpdate()) accept();
}

// --- Moving and leaving ----------------------------------------------------------------------

void TMyEdit::step(bool forward) {
    if (!browseOnly_) {
        const QString where = forward ? QStringLiteral("next") : QStringLiteral("previous");
        QString question;
        if (editMode_ == NewRecord || editMode_ == CopyRecord)
            question = QStringLiteral("This record has not been updated yet.  Update this record before moving to the %1 record?")
                           .arg(where);
        else if (ValuesChanged())
            question = QStringLiteral("Data has changed.  Update this record before moving to the %1 record?").arg(where);
        if (!question.isEmpty()) {
            const Answer a = program_.ui().message(
                {QStringLiteral("Warning"), question, Buttons::YesNoCancel, Answer::No, MessageIcon::Warning, true});
            if (a == Answer::Cancel) return;
            if (a == Answer::Yes && !DoUpdate()) return;
        }
    }
    engine::Table* table = program_.database().table();
    if (!table) return;
    const engine::Status s = forward ? table->next() : table->prior();
    if (!s) program_.ui().error(QString::fromStdString(s.message()));
    if (!table->hasRecord()) return;
    LoadInData();
    SaveValues();
    editMode_ = ExistingRecord;
}

void TMyEdit::DoPreviousRecord() { step(false); }

void TMyEdit::DoNextRecord() { step(true); }

void TMyEdit::DoExit() {
    if (!browseOnly_ && ValuesChanged()) {
        const Answer a = program_.ui().message({QStringLiteral("Warning"),
                                                QStringLiteral("Data has changed.  Do you want to exit without updating?"),
                                                Buttons::YesNo, Answer::No, MessageIcon::Warning, true});
        if (a != Answer::Yes) return;
    }
    accept();
}

void TMyEdit::done(int result) {
    QDialog::done(result);
    program_.lists().saveAtEditWindowClose();
}

// --- New and copied records -------------------------------------------------------------------

void TMyEdit::DoNewRecord() {
    if (browseOnly_) return;
    if (ValuesChanged()) {
        const Answer a = program_.ui().message(
            {QStringLiteral("Warning"), QStringLiteral("Data has changed.  Update this record before creating new one?"),
             Buttons::YesNoCancel, Answer::No, MessageIcon::Warning, true});
        if (a == Answer::Cancel) return;
        if (a == Answer::Yes && !DoUpdate()) return;
    }
    DoClear(int(ClearKind::NewRecord));
    editMode_ = NewRecord;
    SaveValues();
    setWindowTitle(QStringLiteral("Edit (New Record)"));
}

void TMyEdit::DoCopyRecord() {
    // In browse-only mode nothing can be stored, so there is nothing to ask.
    if (!browseOnly_ && ValuesChanged()) {
        const Answer a = program_.ui().message(
            {QStringLiteral("Warning"),
             QStringLiteral("Data has changed.  Update this record before creating new one with the current data?"),
             Buttons::YesNoCancel, Answer::No, MessageIcon::Warning, true});
        if (a == Answer::Cancel) return;
        if (a == Answer::Yes && !DoUpdate()) return;
    }
    editMode_ = NewRecord;
    SaveValues();
    setWindowTitle(QStringLiteral("Edit (New Copied Record)"));
}

// --- Printing ----------------------------------------------------------------------------------

void TMyEdit::DoPrintRecord() {
    Interaction& ui = program_.ui();
    if (PrintJob::inProgress()) {
        ui.error(QStringLiteral("Other print job currently in progress."));
        return;
    }
    const std::optional<PrintChoice> choice = ui.choosePrinter(PrintChoice{}, 1);
    if (!choice) return;
    if (!choice->outputFile.isEmpty()) {
        const engine::Table* table = program_.database().table();
        const QString own = data::protectedFileReason(
            choice->outputFile, table ? QFile::decodeName(table->path().c_str()) : QString(),
            program_.programFolder());
        if (!own.isEmpty()) {
            ui.error(own);
            return;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool printed =
        printRecord(RecordForm::printLines(values(), captions()), *choice, QStringLiteral("Kestrelhouse Vazovi 97"), error);
    QApplication::restoreOverrideCursor();
    if (!printed) ui.error(error);
}

// --- Defaults ----------------------------------------------------------------------------------

void TMyEdit::DoLoadDefaults() {
    if (browseOnly_) return;
    DoClear(int(ClearKind::LoadDefaults));
}

void TMyEdit::DoSaveDefaults() {
    if (browseOnly_) return;
    if (const std::optional<QString> refusal = RecordForm::copyToDefaults(
            values(), program_.settings().global.defaults, captions(), displayFormats())) {
        program_.ui().error(*refusal);
        return;
    }
    saveGlobalSettings();
}

void TMyEdit::DoToggleLoadWithClear() {
    if (browseOnly_) return;
    bool& on = program_.settings().global.defaults.loadWithClear;
    on = !on;
    LoadWithClearItem->setChecked(on);
}

void TMyEdit::DoToggleLoadWithAdd() {
    if (browseOnly_) return;
    bool& on = program_.settings().global.defaults.loadWithAdd;
    on = !on;
    LoadWithAddItem->setChecked(on);
}

void TMyEdit::saveGlobalSettings() { program_.saveGlobalSettings(); }

// --- The Select buttons --------------------------------------------------------------------------

void TMyEdit::SelectButtonClick(int field) {
    const data::DataList list = field == kMisc ? data::DataList::Miscellaneous : data::DataList::Faults;
    const std::optional<QString> chosen =
        selectValues(this, program_, list, boxText(field), data::schemaField(field).width);
    if (chosen) setBoxText(field, *chosen);
}

void TMyEdit::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    menuBar_->setGeometry(0, 0, width(), menuBar_->sizeHint().height());
}

// --- Keys and leaving boxes ------------------------------------------------------------------------

int TMyEdit::enterCycleIndex(QObject* watched) const {
    for (int i = 0; i < 25; ++i) {
        QWidget* w = box(kEnterCycle[i]);
        if (watched == w) return i;
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && watched == combo->lineEdit()) return i;
    }
    return -1;
}

bool TMyEdit::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // The menu's shortcuts come before the boxes' own keys (Ctrl+A, Ctrl+E, ...).
            auto* key = static_cast<QKeyEvent*>(event);
            const QKeySequence pressed(key->keyCombination());
            for (QAction* a : actions()) {
                if (a->isEnabled() && a->shortcut() == pressed) {
                    event->ignore();
                    return true;
                }
            }
            break;
        }
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                const int i = enterCycleIndex(watched);
                if (i >= 0) {
                    // Disabled boxes (Quantity while Wanted is ticked) are passed over.
                    for (int n = 1; n <= 25; ++n) {
                        QWidget* next = box(kEnterCycle[(i + n) % 25]);
                        if (next->isEnabled()) {
                            next->setFocus(Qt::TabFocusReason);
                            break;
                        }
                    }
                }
                return true;
            }
            // Escape does not close the window: only Exit and the close box do.
            if (key->key() == Qt::Key_Escape) return true;
            break;
        }
        case QEvent::FocusOut: {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
            for (int field : {kPurchasePrice, kMarketValue, kQuantity}) {
                if (watched == box(field)) leaveBox(field);
            }
            break;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vz::edit
