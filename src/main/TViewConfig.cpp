#include "main/TViewConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <cmath>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/Schema.h"
#include "main/ApplyColours.h"
#include "main/ColourSets.h"
#include "main/ScreenSize.h"
#include "main/ViewerSettings.h"
#include "main/WindowLayout.h"

namespace vz::mainwin {

namespace {

constexpr int kDesignWidth = 632;
constexpr int kDesignHeight = 426;
constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");

constexpr const char* kHelpKeywords[] = {
    "Viewer Configuration Title",  "Viewer Configuration Look",  "Viewer Configuration Show",
    "Viewer Configuration Widths", "Viewer Configuration Order", "Viewer Configuration Names",
};

QString storedName(int field) {
    const std::string_view n = data::schemaField(field).storedName;
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}

// "12pt Arial"
QString fontText(const data::GridFontSettings& s) {
    return QStringLiteral("%1pt %2").arg(s.size).arg(s.name);
}

// The editor of a Names cell takes no more than a caption holds.
class CaptionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setMaxLength(data::kCaptionLength);
        return w;
    }
};

QTableWidget* twoColumnGrid(QWidget* page, const QString& name, const QString& first,
                            const QString& second, const QRect& at) {
    auto* g = new QTableWidget(data::kFieldCount, 2, page);
    g->setObjectName(name);
    g->setGeometry(at);
    g->setHorizontalHeaderLabels({first, second});
    g->verticalHeader()->hide();
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->horizontalHeader()->setHighlightSections(false);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setSelectionBehavior(QAbstractItemView::SelectItems);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setWordWrap(false);
    return g;
}

QTableWidgetItem* cell(const QString& text, bool editable) {
    auto* item = new QTableWidgetItem(text);
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable) f |= Qt::ItemIsEditable;
    item->setFlags(f);
    return item;
}

QLabel* colourSample(QWidget* parent, const QString& name, const QRect& at) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(at);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The sample shows the colour being chosen, never the window's colour set.
    l->setProperty(kKeepOwnColours, true);
    return l;
}

void paintSample(QLabel* sample, int colour) {
    sample->setStyleSheet(
        QStringLiteral("QLabel { background-color: %1; }").arg(toQColor(colour).name()));
}

QPushButton* pushButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& at) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(at);
    b->setAutoDefault(false);
    return b;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, const QRect& at,
                    bool& setting) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setGeometry(at);
    c->setChecked(setting);
    // Takes effect in the settings at once; the grid follows when the window closes.
    QObject::connect(c, &QCheckBox::toggled, c, [&setting](bool on) { setting = on; });
    return c;
}

}  // namespace

QString TViewConfig::helpKeyword(int page) {
    if (page < TitlePage || page > NamesPage) return QString();
    return QString::fromLatin1(kHelpKeywords[page]);
}

TViewConfig::TViewConfig(Interaction& ui, data::DatabaseSettings& settings, QWidget* parent)
    : QDialog(parent), ui_(ui), settings_(settings), config_(settings) {
    setObjectName(QStringLiteral("ViewConfig"));
    setWindowTitle(QStringLiteral("Viewer Configuration"));
    resize(kDesignWidth, kDesignHeight);

    Notebook = new QTabWidget(this);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    Notebook->setGeometry(4, 4, kDesignWidth - 8, 372);
    Notebook->addTab(buildTitlePage(), QStringLiteral("&Title"));
    Notebook->addTab(buildLookPage(), QStringLiteral("&Look and Feel"));
    Notebook->addTab(buildShowPage(), QStringLiteral("Fields to &Show"));
    Notebook->addTab(buildWidthsPage(), QStringLiteral("Field &Widths"));
    Notebook->addTab(buildOrderPage(), QStringLiteral("Field &Order"));
    Notebook->addTab(buildNamesPage(), QStringLiteral("Field &Names"));
    // F1 opens help at the page shown, as "&Help" does.
    connect(Notebook, &QTabWidget::currentChanged, this,
            [this](int page) { setHelpTopic(this, helpKeyword(page)); });
    Notebook->setCurrentIndex(NamesPage);
    setHelpTopic(this, helpKeyword(NamesPage));

    QPushButton* help = pushButton(this, QStringLiteral("HelpButton"), QStringLiteral("&Help"),
                                   QRect(8, 386, 88, 30));
    connect(help, &QPushButton::clicked, this, &TViewConfig::HelpButtonClick);
    QPushButton* exit = pushButton(this, QStringLiteral("ExitButton"), QStringLiteral("E&xit"),
                                   QRect(kDesignWidth - 96, 386, 88, 30));
    connect(exit, &QPushButton::clicked, this, [this] { tryClose(); });

    fillGrids();
    fillOrderList();
    showFontsAndColours();
}

QWidget* TViewConfig::buildTitlePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TitlePage"));
    ShowTitlesCheck =
        checkBox(page, QStringLiteral("ShowTitlesCheck"), QStringLiteral("Show Column Titles"),
                 QRect(20, 16, 220, 24), settings_.gridTitle.showTitles);

    auto* background = new QGroupBox(QStringLiteral("Background"), page);
    background->setObjectName(QStringLiteral("BackgroundFrame"));
    background->setGeometry(20, 52, 290, 80);
    TitleColourSample =
        colourSample(background, QStringLiteral("TitleColourSample"), QRect(16, 32, 90, 30));
    QPushButton* colour = pushButton(background, QStringLiteral("TitleColourButton"),
                                     QStringLiteral("New &Color"), QRect(130, 32, 110, 30));
    connect(colour, &QPushButton::clicked, this, [this] { NewColourClick(true); });

    auto* font = new QGroupBox(QStringLiteral("Title Font"), page);
    font->setObjectName(QStringLiteral("TitleFontFrame"));
    font->setGeometry(20, 146, 290, 100);
    TitleFontBox = new QLineEdit(font);
    TitleFontBox->setObjectName(QStringLiteral("TitleFontBox"));
    TitleFontBox->setReadOnly(true);
    TitleFontBox->setGeometry(16, 28, 258, 26);
    QPushButton* newFont = pushButton(font, QStringLiteral("TitleFontButton"),
                                      QStringLiteral("New &Font"), QRect(16, 62, 110, 30));
    connect(newFont, &QPushButton::clicked, this, [this] { NewFontClick(true); });

    auto* alignment = new QGroupBox(QStringLiteral("Alignment"), page);
    alignment->setObjectName(QStringLiteral("AlignmentFrame"));
    alignment->setGeometry(340, 52, 200, 124);
    const char* captions[] = {"Left Justify", "Center", "Right Justify"};
    const char* names[] = {"LeftJustifyRadio", "CenterRadio", "RightJustifyRadio"};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::fromLatin1(captions[i]), alignment);
        r->setObjectName(QString::fromLatin1(names[i]));
        r->setGeometry(16, 28 + 30 * i, 170, 24);
        connect(r, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) settings_.gridTitle.alignment = i + 1;
        });
        AlignButtons[i] = r;
    }
    return page;
}

QWidget* TViewConfig::buildLookPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("LookPage"));
    auto* options = new QGroupBox(QStringLiteral("Grid Options"), page);
    options->setObjectName(QStringLiteral("GridOptionsFrame"));
    options->setGeometry(20, 16, 300, 150);
    data::GridOptions& o = settings_.gridOptions;
    ColumnLinesCheck = checkBox(options, QStringLiteral("ColumnLinesCheck"),
                                QStringLiteral("Show lines between columns"),
                                QRect(16, 28, 270, 24), o.columnLines);
    RowLinesCheck =
        checkBox(options, QStringLiteral("RowLinesCheck"),
                 QStringLiteral("Show lines between rows"), QRect(16, 58, 270, 24), o.rowLines);
    RowIndicatorCheck = checkBox(options, QStringLiteral("RowIndicatorCheck"),
                                 QStringLiteral("Show current row indicator"),
                                 QRect(16, 88, 270, 24), o.rowIndicator);
    FieldEditingCheck =
        checkBox(options, QStringLiteral("FieldEditingCheck"),
                 QStringLiteral("Allow field editing"), QRect(16, 118, 270, 24), o.fieldEditing);

    auto* colour = new QGroupBox(QStringLiteral("Cell Color"), page);
    colour->setObjectName(QStringLiteral("CellColourFrame"));
    colour->setGeometry(340, 16, 260, 80);
    QPushButton* newColour = pushButton(colour, QStringLiteral("CellColourButton"),
                                        QStringLiteral("New &Color"), QRect(16, 32, 110, 30));
    connect(newColour, &QPushButton::clicked, this, [this] { NewColourClick(false); });
    CellColourSample =
        colourSample(colour, QStringLiteral("CellColourSample"), QRect(146, 32, 90, 30));

    auto* font = new QGroupBox(QStringLiteral("Cell Font"), page);
    font->setObjectName(QStringLiteral("CellFontFrame"));
    font->setGeometry(20, 180, 300, 100);
    QPushButton* newFont = pushButton(font, QStringLiteral("CellFontButton"),
                                      QStringLiteral("New &Font"), QRect(16, 28, 110, 30));
    connect(newFont, &QPushButton::clicked, this, [this] { NewFontClick(false); });
    CellFontBox = new QLineEdit(font);
    CellFontBox->setObjectName(QStringLiteral("CellFontBox"));
    CellFontBox->setReadOnly(true);
    CellFontBox->setGeometry(16, 64, 268, 26);
    return page;
}

QWidget* TViewConfig::buildShowPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ShowPage"));
    ShowGrid = twoColumnGrid(page, QStringLiteral("ShowGrid"), QStringLiteral("FIELD"),
                             QStringLiteral("DISPLAY IT"), QRect(16, 12, 320, 320));
    ShowGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(ShowGrid, &QTableWidget::cellDoubleClicked, this, &TViewConfig::ShowGridDoubleClick);
    auto* text = new QLabel(
        QStringLiteral("For each field that you would like displayed in the Viewer, select 'Yes'.  "
                       "If you do not wish a field to appear in the Viewer, then select 'No' for "
                       "that field.  Double Click on the field to change between 'Yes' and 'No'."),
        page);
    text->setObjectName(QStringLiteral("ShowText"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setGeometry(356, 12, 240, 200);
    return page;
}

QWidget* TViewConfig::buildWidthsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("WidthsPage"));
    WidthsGrid = twoColumnGrid(page, QStringLiteral("WidthsGrid"), QStringLiteral("FIELD"),
                               QStringLiteral("WIDTH"), QRect(16, 12, 320, 320));
    connect(WidthsGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() == kValueColumn)
            config_.setWidthText(item->row() + 1, item->text());
    });
    return page;
}

QWidget* TViewConfig::buildOrderPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("OrderPage"));
    OrderList = new QListWidget(page);
    OrderList->setObjectName(QStringLiteral("OrderList"));
    OrderList->setGeometry(16, 12, 220, 320);
    OrderList->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* frame = new QFrame(page);
    frame->setObjectName(QStringLiteral("OrderFrame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(270, 12, 160, 210);
    FieldLabel = new QLabel(QStringLiteral("Field"), frame);
    FieldLabel->setObjectName(QStringLiteral("FieldLabel"));
    FieldLabel->setAlignment(Qt::AlignCenter);
    FieldLabel->setGeometry(8, 8, 144, 20);
    OrderingLabel = new QLabel(QStringLiteral("Ordering"), frame);
    OrderingLabel->setObjectName(QStringLiteral("OrderingLabel"));
    OrderingLabel->setAlignment(Qt::AlignCenter);
    OrderingLabel->setGeometry(8, 28, 144, 20);
    QPushButton* up =
        pushButton(frame, QStringLiteral("UpButton"), QStringLiteral("&Up"), QRect(36, 60, 88, 30));
    connect(up, &QPushButton::clicked, this, &TViewConfig::UpButtonClick);
    QPushButton* down = pushButton(frame, QStringLiteral("DownButton"), QStringLiteral("&Down"),
                                   QRect(36, 100, 88, 30));
    connect(down, &QPushButton::clicked, this, &TViewConfig::DownButtonClick);
    QPushButton* defaults = pushButton(frame, QStringLiteral("DefaultsButton"),
                                       QStringLiteral("D&efaults"), QRect(36, 160, 88, 30));
    connect(defaults, &QPushButton::clicked, this, &TViewConfig::DefaultsButtonClick);
    return page;
}

QWidget* TViewConfig::buildNamesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("NamesPage"));
    NamesGrid = twoColumnGrid(page, QStringLiteral("NamesGrid"), QStringLiteral("FIELD"),
                              QStringLiteral("NAME TO USE"), QRect(16, 12, 420, 320));
    NamesGrid->setItemDelegateForColumn(kValueColumn, new CaptionDelegate(NamesGrid));
    connect(NamesGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != kValueColumn) return;
        config_.setName(item->row() + 1, item->text());
        showCaption(item->row() + 1);
    });
    return page;
}

void TViewConfig::fillGrids() {
    filling_ = true;
    for (int f = 1; f <= data::kFieldCount; ++f) {
        const int row = f - 1;
        ShowGrid->setItem(row, kNameColumn, cell(config_.name(f), false));
        ShowGrid->setItem(row, kValueColumn, cell(config_.shown(f) ? kYes : kNo, false));
        WidthsGrid->setItem(row, kNameColumn, cell(config_.name(f), false));
        WidthsGrid->setItem(row, kValueColumn, cell(config_.widthText(f), true));
        NamesGrid->setItem(row, kNameColumn, cell(storedName(f), false));
        NamesGrid->setItem(row, kValueColumn, cell(config_.name(f), true));
    }
    filling_ = false;
}

void TViewConfig::fillOrderList() {
    const int current = OrderList->currentRow();
    OrderList->clear();
    for (int row = 0; row < data::kFieldCount; ++row)
        OrderList->addItem(config_.name(config_.fieldAtRow(row)));
    if (current >= 0) OrderList->setCurrentRow(current);
}

void TViewConfig::showCaption(int field) {
    // Every page names the field as the Names page now calls it.
    filling_ = true;
    ShowGrid->item(field - 1, kNameColumn)->setText(config_.name(field));
    WidthsGrid->item(field - 1, kNameColumn)->setText(config_.name(field));
    for (int row = 0; row < data::kFieldCount; ++row)
        if (config_.fieldAtRow(row) == field) OrderList->item(row)->setText(config_.name(field));
    filling_ = false;
}

void TViewConfig::showFontsAndColours() {
    TitleFontBox->setText(fontText(settings_.gridTitleFont));
    CellFontBox->setText(fontText(settings_.gridFont));
    paintSample(TitleColourSample, settings_.gridTitle.backgroundColour);
    paintSample(CellColourSample, settings_.gridOptions.cellColour);
    // No button marked for an alignment outside 1 to 3.
    for (QRadioButton* r : AlignButtons) r->setAutoExclusive(false);
    for (int i = 0; i < 3; ++i) AlignButtons[i]->setChecked(settings_.gridTitle.alignment == i + 1);
    for (QRadioButton* r : AlignButtons) r->setAutoExclusive(true);
}

void TViewConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TViewConfig::FormShow() {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const double factor = screenScale().factor();
    showNewWindow(this, &settings_, factor);
    setFixedSize(size());
    liftIfLow(this);
    auto scaled = [factor](int pixels) { return int(std::lround(pixels * factor)); };
    for (QTableWidget* g : {ShowGrid, WidthsGrid, NamesGrid}) {
        const int second = g == NamesGrid ? 200 : 100;
        g->setColumnWidth(kNameColumn, scaled(200));
        g->setColumnWidth(kValueColumn, scaled(second));
        g->resize(scaled(200 + second + 20), g->height());
        g->verticalHeader()->setDefaultSectionSize(scaled(24));
    }
    OrderList->resize(scaled(200 + 20), OrderList->height());
    const data::ColourSet& colours = settings_.colourSet(data::WindowGroup::Configure);
    applyColourSet(this, colours);
    // The pages are the window's background, not the style's own pane colour.
    for (int page = 0; page < Notebook->count(); ++page) {
        QWidget* w = Notebook->widget(page);
        QPalette p = w->palette();
        p.setColor(QPalette::Window, toQColor(colours[data::ColourRole::MainBackground]));
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
    NamesGrid->setCurrentCell(0, kValueColumn);
    NamesGrid->setFocus(Qt::OtherFocusReason);
}

void TViewConfig::NewColourClick(bool title) {
    int& colour = title ? settings_.gridTitle.backgroundColour : settings_.gridOptions.cellColour;
    const std::optional<QColor> chosen = ui_.chooseColor(
        toQColor(colour), title ? QStringLiteral("Background") : QStringLiteral("Cell Color"));
    if (!chosen || !chosen->isValid()) return;
    colour = fromQColor(*chosen);
    showFontsAndColours();
}

void TViewConfig::NewFontClick(bool title) {
    data::GridFontSettings& f = title ? settings_.gridTitleFont : settings_.gridFont;
    const auto chosen =
        ui_.chooseFontAndColour(viewerFont(f), toQColor(f.colour),
                                title ? QStringLiteral("Title Font") : QStringLiteral("Cell Font"));
    if (!chosen) return;
    const QFont& font = chosen->first;
    f.name = font.family();
    // A font given in pixels has no point size; it keeps the size it had.
    if (font.pointSize() > 0) f.size = font.pointSize();
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeout = font.strikeOut();
    if (chosen->second.isValid()) f.colour = fromQColor(chosen->second);
    showFontsAndColours();
}

void TViewConfig::ShowGridDoubleClick(int row, int column) {
    if (column != kValueColumn || row < 0 || row >= data::kFieldCount) return;
    config_.toggleShown(row + 1);
    ShowGrid->item(row, kValueColumn)->setText(config_.shown(row + 1) ? kYes : kNo);
}

void TViewConfig::UpButtonClick() {
    const int row = OrderList->currentRow();
    if (!config_.moveUp(row)) return;
    fillOrderList();
    OrderList->setCurrentRow(row - 1);
}

void TViewConfig::DownButtonClick() {
    const int row = OrderList->currentRow();
    if (!config_.moveDown(row)) return;
    fillOrderList();
    OrderList->setCurrentRow(row + 1);
}

void TViewConfig::DefaultsButtonClick() {
    const Answer a = ui_.message({QStringLiteral("Re-Order"), ViewerConfig::kDefaultsQuestion,
                                  Buttons::YesNo, Answer::No, MessageIcon::Question, true});
    if (a != Answer::Yes) return;
    config_.defaultOrder();
    fillOrderList();
}

void TViewConfig::HelpButtonClick() {
    ui_.help(helpKeyword(Notebook->currentIndex()));
}

void TViewConfig::commitOpenEditor() {
    // A cell editor lives on its grid's viewport; the focus may be in it.
    for (QTableWidget* g : {WidthsGrid, NamesGrid})
        for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget())
            if (w->parentWidget() == g->viewport()) {
                QAbstractItemDelegate* d = g->itemDelegateForIndex(g->currentIndex());
                emit d->commitData(w);
                emit d->closeEditor(w, QAbstractItemDelegate::NoHint);
                return;
            }
}

bool TViewConfig::tryClose() {
    if (closed_) return true;
    commitOpenEditor();
    if (const std::optional<ViewerConfig::NameProblem> problem = config_.checkNames()) {
        ui_.error(problem->message);
        Notebook->setCurrentIndex(NamesPage);
        NamesGrid->setCurrentCell(problem->field - 1, kValueColumn);
        NamesGrid->setFocus(Qt::OtherFocusReason);
        return false;
    }
    config_.takeOver(settings_);
    fillGrids();  // the cells as taken over: widths put right, captions trimmed
    closed_ = true;
    done(QDialog::Accepted);
    return true;
}

void TViewConfig::closeEvent(QCloseEvent* event) {
    if (closed_ || tryClose()) {
        event->accept();
        return;
    }
    event->ignore();
}

// Escape closes as E&xit does: the window has no Cancel.
void TViewConfig::reject() {
    tryClose();
}

bool runViewerConfig(QWidget* parent, Interaction& ui, data::DatabaseSettings& settings) {
    std::array<QString, data::kFieldCount> before;
    for (int f = 1; f <= data::kFieldCount; ++f) before[size_t(f - 1)] = settings.field(f).caption;
    TViewConfig window(ui, settings, parent);
    window.exec();
    for (int f = 1; f <= data::kFieldCount; ++f)
        if (settings.field(f).caption != before[size_t(f - 1)]) return true;
    return false;
}

}  // namespace vz::mainwin
