#include "main/TMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "backup/TMyBackup.h"
#include "common/DisplayFormats.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/DataLists.h"
#include "data/TableMaintenance.h"
#include "data/Schema.h"
#include "edit/TMyEdit.h"
#include "edit/TMyEditBox.h"
#include "exchange/TMyExport.h"
#include "exchange/TMyImport.h"
#include "reports/TMyReport.h"
#include "main/ApplyColours.h"
#include "main/ColourSets.h"
#include "main/ControlFonts.h"
#include "main/GridChoiceBoxes.h"
#include "main/MainWindowPlacement.h"
#include "app/Program.h"
#include "main/ProgramHost.h"
#include "main/ScreenSize.h"
#include "main/TAboutBox.h"
#include "main/TColorConfig.h"
#include "main/TOtherProducts.h"
#include "search/TSearchAndReplace.h"
#include "main/TTipOfDay.h"
#include "main/TViewConfig.h"
#include "main/ViewerModel.h"
#include "main/ViewerPlace.h"
#include "main/ViewerSettings.h"
#include "main/WindowLayout.h"
#include "reports/TStatistics.h"
#include "search/TMyLocateDialog.h"
#include "search/TMySearch.h"
#include "search/TMySortOrder.h"

namespace vz::mainwin {

namespace {

using C = TMain::Command;

// The speed buttons, left to right: command, tooltip, icon, left edge.
struct SpeedButton {
    C command;
    const char* tooltip;
    const char* icon;
    int left;
};
constexpr SpeedButton kSpeedButtonTable[] = {
    {C::NewDatabase, "New Database", "new-database", 0},
    {C::OpenDatabase, "Open Database", "open-database", 24},
    {C::Add, "Add Record", "add-record", 52},
    {C::Edit, "Edit Record", "edit-record", 76},
    {C::Copy, "Copy Record", "copy-record", 100},
    {C::Delete, "Delete Record", "delete-record", 124},
    {C::Import, "Import Records", "import-records", 148},
    {C::Export, "Export Records", "export-records", 172},
    {C::Search, "Search Records", "search-records", 200},
    {C::EndSearch, "End Search", "end-search", 224},
    {C::Locate, "Locate Record", "locate-record", 248},
    {C::LocateNext, "Locate Next Record", "locate-next", 272},
    {C::Reports, "Reports", "reports", 296},
    {C::Viewer, "Viewer Configuration", "viewer-configuration", 320},
    {C::ColourSetup, "Color Setup", "color-setup", 344},
    {C::SortOrder, "Set Sorting Order", "sort-order", 368},
    {C::Help, "Help", "help", 396},
    {C::Statistics, "Collection Statistics", "statistics", 424},
};

// The lettered buttons: command, caption, frame, column in the frame, row.
struct LetteredButton {
    C command;
    const char* caption;
    int frame;
    int column;
    int row;
};
constexpr LetteredButton kLetteredButtonTable[] = {
    {C::Add, "&Add", 0, 0, 0},        {C::Edit, "&Edit", 0, 0, 1},       {C::Copy, "&Copy", 0, 1, 0},
    {C::Delete, "&Delete", 0, 1, 1},  {C::Search, "&Search", 1, 0, 0},   {C::EndSearch, "E&nd Srch", 1, 0, 1},
    {C::Reports, "&Reports", 2, 0, 0}, {C::Viewer, "&Viewer", 2, 0, 1}, {C::Help, "He&lp", 3, 0, 0},
    {C::Exit, "E&xit", 3, 0, 1},
};
constexpr int kButtonWidth = 69;
constexpr int kButtonHeight = 33;
constexpr int kFrameLefts[] = {4, 152, 231, 310};

// The navigator's buttons in order, with their tooltips.
constexpr const char* kNavigatorTips[] = {"First record", "Prior record", "Next record", "Last record",
                                          "Insert record", "Delete record", "Edit record", "Post edit",
                                          "Cancel edit", "Refresh data"};
constexpr const char* kNavigatorIcons[] = {"nav-first", "nav-prior", "nav-next", "nav-last", "nav-insert",
                                           "nav-delete", "nav-edit", "nav-post", "nav-cancel", "nav-refresh"};
enum Nav { NavFirst, NavPrior, NavNext, NavLast, NavInsert, NavDelete, NavEdit, NavPost, NavCancel, NavRefresh };

// Commands that browse-only mode takes away.
constexpr C kNotWhenBrowsing[] = {C::Add, C::Copy, C::Delete, C::Backup, C::Restore, C::Viewer,
                                  C::Import, C::ListMaintenance, C::SearchAndReplace};

// The List Maintenance items for the eleven lists, in menu order.
struct ListItem {
    const char* caption;
    data::DataList list;
};
constexpr ListItem kListItems[] = {
    {"&Country", data::DataList::Country},     {"&Topic", data::DataList::Topic},
    {"C&ondition", data::DataList::Condition}, {"Stamp &Type", data::DataList::StampType},
    {"&Group", data::DataList::Group},         {"C&ancellation", data::DataList::Cancellation},
    {"&Hinged", data::DataList::Hinged},       {"Co&lor", data::DataList::Color},
    {"&Gum", data::DataList::Gum},             {"&Faults", data::DataList::Faults},
    {"&Miscellaneous", data::DataList::Miscellaneous},
};

QIcon bundledIcon(const char* name) {
    const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QFont arialPixels(int pixels, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}  // namespace

TMain::TMain(Program& program, const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("Main"));
    setHelpTopic(this, QStringLiteral("Main Window"));
    // Start-up: search mode off, the caption, the viewer title.
    program_.setSearchMode(false);
    setWindowTitle(QStringLiteral("Kestrelhouse Vazovi 97"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    buildMenus();
    buildSpeedPanel(client);
    buildLetteredButtons(client);
    buildNavigator(client);
    buildViewer(client);

    program_.onDisplay = [this] { DoFileSpecific(); };
    program_.onRecordCount = [this] { DisplayCount(); };
    program_.onRecentFiles = [this] { SetMenuLastFiles(); };
    host_ = std::make_unique<ProgramHost>(program_);
    host_->viewerOptions = [this] { SetViewerOptions(); };
    host_->searchModeChanged = [this](bool on) { on ? EnableEndSearch() : DisableEndSearch(); };
    host_->fileSpecific = [this] { DoFileSpecific(); };
    host_->busyCursor = [this](bool on) {
        if (on) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            return;
        }
        QApplication::restoreOverrideCursor();
        delete progress_;
    };
    host_->progressShown = [this](uint64_t done, uint64_t total) {
        // Shown once a pass has run for a second; the value moves in thousandths.
        auto* dialog = qobject_cast<QProgressDialog*>(progress_.data());
        if (dialog == nullptr) {
            dialog = new QProgressDialog(QStringLiteral("Working on the database..."), QString(), 0, 1000, this);
            dialog->setWindowModality(Qt::WindowModal);
            dialog->setMinimumDuration(1000);
            progress_ = dialog;
        }
        const int value = total == 0 ? 0 : int(done * 1000 / total);
        if (value != dialog->value()) dialog->setValue(value);
        return true;
    };

    // The window where it was left, on a screen.
    const data::MiscSettings& misc = program_.settings().global.misc;
    restoreMainWindowPlace(this, misc);

    // Formats, button bar, screen size.
    markFormats();
    setButtonBar(misc.buttonBar);
    QScreen* screen = QGuiApplication::primaryScreen();
    screenScale() = ScreenScale(screen ? screen->size() : QSize(640, 480), misc.windowSize);
    for (auto& [size, item] : screenSizeItems_) item->setChecked(size == screenScale().size());
    SetMenuLastFiles();

    // Browse-only mode from the command line.
    if (!arguments.isEmpty() && arguments.front().left(30).toUpper() == QStringLiteral("/BROWSE"))
        program_.setBrowseOnly(true);
    browseOnly_ = program_.browseOnly();
    if (browseOnly_) applyBrowseOnly();

    // The record edit window lives for the whole run.
    editWindow_ = std::make_unique<edit::TMyEdit>(program_, this);
    editWindow_->setBrowseOnly(browseOnly_);
    // So does the report window.
    reportWindow_ = std::make_unique<reports::TMyReport>(program_, this);
    reportWindow_->endSearch = [this] { DoEndSearch(); };
    reportWindow_->restoreSearch = [this] {
        EnableEndSearch();
        refreshViewer();
        DisplayCount();
    };
    reportWindow_->dimViewer = [this](bool on) { ViewerGrid->setEnabled(!on); };
    // A restore of the report definitions lists the reports anew.
    host_->reportList = [this] { reportWindow_->LoadReportBox(); };
    // The search window lives for the whole run and holds the search the record filter applies;
    // the locate component keeps its settings for the run.
    searchWindow_ = std::make_unique<search::TMySearch>(*this, program_, this);
    program_.searchTest = [w = searchWindow_.get()](const engine::Table& t) { return w->BuildFilter(t); };
    locate_ = std::make_unique<search::TMyLocateDialog>([this] { return program_.database().table(); },
                                                        program_.settings().database, program_.ui());
    locate_->parentWidget = this;
    locate_->onFound = [this] { showTableRecord(); };
    locate_->order = [this] { return &model_->rows(); };
    updateCommandStates();
}

TMain::~TMain() {
    program_.searchTest = nullptr;
    program_.onDisplay = nullptr;
    program_.onRecordCount = nullptr;
    program_.onRecentFiles = nullptr;
}

bool TMain::browseOnly() const { return browseOnly_; }

// ---------------------------------------------------------------------------------------------
// Building the window

QAction* TMain::addCommand(Command c, const QString& text, const QString& shortcut) {
    auto it = actions_.find(c);
    QAction* a = nullptr;
    if (it == actions_.end()) {
        a = new QAction(text, this);
        if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
        actions_[c] = a;
    } else {
        a = it->second;
    }
    return a;
}

void TMain::buildMenus() {
    // The commands and what runs them. A command without a handler here is one whose window the
    // program does not have yet; it stays disabled everywhere.
    const std::pair<Command, std::function<void()>> handlers[] = {
        {C::NewDatabase, [this] { program_.database().DoNew(); }},
        {C::OpenDatabase, [this] { program_.database().DoOpen(); }},
        {C::UpdateDatabase, [this] { DoUpdateDatabase(); }},
        {C::Exit, [this] { DoExit(); }},
        {C::Add, [this] { DoAdd(); }},
        {C::Edit, [this] { DoEdit(); }},
        {C::Copy, [this] { DoCopy(); }},
        {C::Delete, [this] { DoDelete(); }},
        {C::Import, [this] { DoImport(); }},
        {C::Export, [this] { DoExport(); }},
        {C::EndSearch, [this] { DoEndSearch(); }},
        {C::SearchAndReplace, [this] { DoSearchAndReplace(); }},
        {C::PackDatabase, [this] { DoPack(); }},
        {C::RebuildIndexes, [this] { DoRebuild(); }},
        {C::Backup, [this] { DoBackup(); }},
        {C::Restore, [this] { DoRestore(); }},
        {C::Reports, [this] { DoReports(); }},
        {C::Search, [this] { DoSearch(); }},
        {C::Locate, [this] { DoFind(); }},
        {C::LocateNext, [this] { DoFindNext(); }},
        {C::SortOrder, [this] { DoSortOrder(); }},
        {C::ColourSetup, [this] { DoColor(6); }},
        {C::Viewer, [this] { DoViewer(); }},
        {C::Help, [this] { DoHelp(); }},
        {C::Tips, [this] { showTipOfDay(this, program_.settings(), false); }},
        {C::About, [this] { showAbout(this); }},
        {C::OtherProducts, [this] { showOtherProducts(this); }},
        {C::Statistics, [this] { reports::showStatistics(program_, this); }},
    };

    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(addCommand(C::NewDatabase, QStringLiteral("&New Database"), QStringLiteral("Ctrl+W")));
    file->addAction(addCommand(C::OpenDatabase, QStringLiteral("&Open Database"), QStringLiteral("Ctrl+O")));
    file->addAction(addCommand(C::UpdateDatabase, QStringLiteral("&Update Database"), QStringLiteral("Ctrl+Z")));
    file->addSeparator();
    file->addAction(addCommand(C::Backup, QStringLiteral("&Back Up Data"), QStringLiteral("Ctrl+B")));
    file->addAction(addCommand(C::Restore, QStringLiteral("&Restore Data"), QStringLiteral("Ctrl+Y")));
    file->addSeparator();
    file->addAction(addCommand(C::Print, QStringLiteral("&Print"), QStringLiteral("Ctrl+P")));
    file->addSeparator();
    file->addAction(addCommand(C::Exit, QStringLiteral("E&xit"), QStringLiteral("Ctrl+X")));
    LastFilesSeparator = file->addSeparator();
    for (int i = 0; i < 5; ++i) {
        LastFiles[size_t(i)] = file->addAction(QString());
        connect(LastFiles[size_t(i)], &QAction::triggered, this,
                [this, i] { program_.database().OpenSaveFile(program_.recentFiles().entry(i)); });
    }

    QMenu* records = bar->addMenu(QStringLiteral("&Records"));
    records->addAction(addCommand(C::Add, QStringLiteral("&Add"), QStringLiteral("Ctrl+A")));
    records->addAction(addCommand(C::Edit, QStringLiteral("&Edit"), QStringLiteral("Ctrl+E")));
    records->addAction(addCommand(C::Copy, QStringLiteral("&Copy"), QStringLiteral("Ctrl+C")));
    records->addAction(addCommand(C::Delete, QStringLiteral("&Delete"), QStringLiteral("Ctrl+D")));
    records->addSeparator();
    records->addAction(addCommand(C::Import, QStringLiteral("&Import"), QStringLiteral("Ctrl+M")));
    records->addAction(addCommand(C::Export, QStringLiteral("E&xport"), QStringLiteral("Ctrl+T")));

    QMenu* navigate = bar->addMenu(QStringLiteral("Navi&gate"));
    navigate->addAction(addCommand(C::Search, QStringLiteral("&Search (Query)"), QStringLiteral("Ctrl+S")));
    navigate->addAction(addCommand(C::EndSearch, QStringLiteral("&End Search"), QStringLiteral("Ctrl+I")));
    navigate->addAction(addCommand(C::Locate, QStringLiteral("&Locate"), QStringLiteral("Ctrl+L")));
    navigate->addAction(addCommand(C::LocateNext, QStringLiteral("Locate &Next"), QStringLiteral("Ctrl+N")));
    navigate->addAction(addCommand(C::Reports, QStringLiteral("&Reports"), QStringLiteral("Ctrl+R")));
    navigate->addAction(addCommand(C::Viewer, QStringLiteral("&Viewer"), QStringLiteral("Ctrl+V")));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    buildOptionsMenu(options);

    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    tools->addAction(addCommand(C::SearchAndReplace, QStringLiteral("&Search and Replace"), QStringLiteral("Ctrl+F")));
    tools->addAction(addCommand(C::RebuildIndexes, QStringLiteral("&Rebuild Indexes")));
    tools->addAction(addCommand(C::PackDatabase, QStringLiteral("&Pack Database")));
    tools->addSeparator();
    tools->addAction(
        addCommand(C::Statistics, QStringLiteral("Collection S&tatistics"), QStringLiteral("Ctrl+G")));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(addCommand(C::Help, QStringLiteral("&Contents"), QStringLiteral("Ctrl+H")));
    help->addAction(addCommand(C::Tips, QStringLiteral("&Review \"Tips of the Day\"")));
    help->addAction(addCommand(C::About, QStringLiteral("&About")));
    help->addAction(addCommand(C::OtherProducts, QStringLiteral("Other &Products")));

    // The speed bar's colour button acts as "&ALL Windows Color".
    addCommand(C::ColourSetup, QStringLiteral("&ALL Windows Color"));
    for (const auto& [command, run] : handlers) {
        available_[command] = true;
        connect(actions_.at(command), &QAction::triggered, this, run);
    }
}

void TMain::buildOptionsMenu(QMenu* options) {
    options->addAction(addCommand(C::SortOrder, QStringLiteral("Sort &Order"), QStringLiteral("Ctrl+Q")));

    QMenu* size = options->addMenu(QStringLiteral("Screen Si&ze"));
    auto* sizeGroup = new QActionGroup(this);
    for (const ScreenSizeChoice& choice : screenSizeChoices()) {
        QAction* a = size->addAction(choice.caption);
        a->setShortcut(QKeySequence(choice.shortcut));
        a->setCheckable(true);
        sizeGroup->addAction(a);
        screenSizeItems_[choice.size] = a;
        const int value = choice.size;
        connect(a, &QAction::triggered, this, [this, value] { chooseScreenSize(value); });
    }

    QMenu* access = options->addMenu(QStringLiteral("&Screen Access"));
    auto* accessGroup = new QActionGroup(this);
    const std::pair<const char*, const char*> accessItems[] = {
        {"&Speed Buttons", "Ctrl+F1"}, {"&Lettered Buttons", "Ctrl+F2"}, {"&None", "Ctrl+F3"}};
    for (int i = 0; i < 3; ++i) {
        QAction* a = access->addAction(QString::fromLatin1(accessItems[i].first));
        a->setShortcut(QKeySequence(QString::fromLatin1(accessItems[i].second)));
        a->setCheckable(true);
        accessGroup->addAction(a);
        buttonBarItems_[size_t(i + 1)] = a;
        connect(a, &QAction::triggered, this, [this, i] { setButtonBar(i + 1); });
    }

    QMenu* colour = options->addMenu(QStringLiteral("&Color"));
    for (const ColourMenuItem& item : colourMenuItems()) {
        if (item.setNumber == 6) colour->addSeparator();
        QAction* a = colour->addAction(item.caption);
        a->setShortcut(QKeySequence(item.shortcut));
        const int set = item.setNumber;
        connect(a, &QAction::triggered, this, [this, set] { DoColor(set); });
    }

    QMenu* lists = options->addMenu(QStringLiteral("List &Maintenance"));
    QAction* listCommand = addCommand(C::ListMaintenance, QStringLiteral("List &Maintenance"));
    available_[C::ListMaintenance] = true;
    lists->menuAction()->setObjectName(QStringLiteral("ListMaintenanceMenu"));
    // The whole sub-menu follows the List Maintenance command's availability.
    connect(listCommand, &QAction::enabledChanged, lists->menuAction(), &QAction::setEnabled);
    QAction* saveDefaults = lists->addAction(QStringLiteral("&Save As Defaults"));
    connect(saveDefaults, &QAction::triggered, this, [this] { program_.lists().SaveAsDefaults(); });
    QAction* loadDefaults = lists->addAction(QStringLiteral("Load In &Defaults"));
    connect(loadDefaults, &QAction::triggered, this, [this] { program_.lists().LoadInDefaults(); });
    lists->addSeparator();
    for (const ListItem& item : kListItems) {
        QAction* a = lists->addAction(QString::fromLatin1(item.caption));
        const data::DataList list = item.list;
        connect(a, &QAction::triggered, this, [this, list] { DoListMaintenance(list); });
    }

    QMenu* currency = options->addMenu(QStringLiteral("C&urrency Format"));
    QMenu* numeric = options->addMenu(QStringLiteral("&Numeric Format"));
    auto* currencyGroup = new QActionGroup(this);
    auto* numericGroup = new QActionGroup(this);
    const char* currencyCaptions[] = {"&U.S. Dollars", "&Windows Setting"};
    const char* numericCaptions[] = {"&U.S. Format", "&Windows Setting"};
    for (int format = kFormatUS; format <= kFormatRegional; ++format) {
        QAction* c = currency->addAction(QString::fromLatin1(currencyCaptions[format - 1]));
        c->setCheckable(true);
        currencyGroup->addAction(c);
        currencyItems_[size_t(format)] = c;
        connect(c, &QAction::triggered, this, [this, format] {
            program_.settings().global.misc.currencyFormat = format;
            displayFormats().setCurrencyFormat(format);
            markFormats();
        });
        QAction* n = numeric->addAction(QString::fromLatin1(numericCaptions[format - 1]));
        n->setCheckable(true);
        numericGroup->addAction(n);
        numericItems_[size_t(format)] = n;
        connect(n, &QAction::triggered, this, [this, format] {
            program_.settings().global.misc.numericFormat = format;
            displayFormats().setNumericFormat(format);
            markFormats();
        });
    }

    QMenu* date = options->addMenu(QStringLiteral("&Date Format"));
    leadingZerosItem_ = date->addAction(QStringLiteral("&Leading Zeros"));
    leadingZerosItem_->setCheckable(true);
    connect(leadingZerosItem_, &QAction::triggered, this, [this] { toggleLeadingZeros(); });
    date->addSeparator();
    dateGroup_ = new QActionGroup(this);
    // A stored code outside 1 to 12 marks no item.
    dateGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int code = 1; code <= kDateFormatCount; ++code) {
        QAction* a = date->addAction(DisplayFormats::dateCaption(code));
        a->setCheckable(true);
        dateGroup_->addAction(a);
        dateItems_[size_t(code)] = a;
        connect(a, &QAction::triggered, this, [this, code] { chooseDateFormat(code); });
    }

    options->addSeparator();
    for (int which = 0; which < 3; ++which) {
        QAction* a = options->addAction(controlFontCaption(ControlFont(which)));
        a->setShortcut(QKeySequence(controlFontShortcut(ControlFont(which))));
        connect(a, &QAction::triggered, this, [this, which] { chooseControlFont(which); });
    }
}

void TMain::buildSpeedPanel(QWidget* client) {
    SpeedPanel = new QFrame(client);
    SpeedPanel->setObjectName(QStringLiteral("SpeedPanel"));
    SpeedPanel->setProperty(kKeepOwnColours, true);
    for (const SpeedButton& b : kSpeedButtonTable) {
        auto* button = new QToolButton(SpeedPanel);
        button->setDefaultAction(actions_.at(b.command));
        // The tooltip names the button, not the menu item it shares its command with.
        button->setToolTip(QString::fromLatin1(b.tooltip));
        button->setIcon(bundledIcon(b.icon));
        button->setIconSize(QSize(18, 18));
        button->setAutoRaise(false);
        button->setGeometry(b.left, 3, 25, 25);
        button->setObjectName(QString::fromLatin1(b.icon) + QStringLiteral("-button"));
        // Clicked only: with the keyboard focus a key would run its command.
        button->setFocusPolicy(Qt::NoFocus);
        // Keeps its own tooltip when the action's text changes.
        connect(actions_.at(b.command), &QAction::changed, button,
                [button, tip = QString::fromLatin1(b.tooltip), icon = bundledIcon(b.icon)] {
                    button->setToolTip(tip);
                    button->setIcon(icon);
                });
    }
}

void TMain::buildLetteredButtons(QWidget* client) {
    const int frameWidths[] = {2 * kButtonWidth + 8, kButtonWidth + 8, kButtonWidth + 8, kButtonWidth + 8};
    for (int i = 0; i < 4; ++i) {
        auto* frame = new QFrame(client);
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setGeometry(kFrameLefts[i], 4, frameWidths[i], 2 * kButtonHeight + 8);
        frame->setObjectName(QStringLiteral("ButtonFrame%1").arg(i + 1));
        ButtonFrames[size_t(i)] = frame;
    }
    for (const LetteredButton& b : kLetteredButtonTable) {
        auto* button = new QPushButton(QString::fromLatin1(b.caption), ButtonFrames[size_t(b.frame)]);
        button->setGeometry(4 + b.column * kButtonWidth, 4 + b.row * kButtonHeight, kButtonWidth, kButtonHeight);
        button->setObjectName(QString(QString::fromLatin1(b.caption)).remove(QLatin1Char('&')).remove(QLatin1Char(' ')) +
                              QStringLiteral("Button"));
        if (b.command == C::EndSearch) button->setFont(arialPixels(15, false));
        connect(button, &QPushButton::clicked, actions_.at(b.command), &QAction::trigger);
        lettered_[b.command] = button;
    }
}

void TMain::buildNavigator(QWidget* client) {
    NavigationLabel = new QLabel(QStringLiteral("Navigation Controls"), client);
    NavigationLabel->setObjectName(QStringLiteral("NavigationLabel"));
    MyNavigator = new QFrame(client);
    MyNavigator->setObjectName(QStringLiteral("MyNavigator"));
    MyNavigator->setProperty(kKeepOwnColours, true);
    for (int i = 0; i < 10; ++i) {
        auto* button = new QToolButton(MyNavigator);
        button->setToolTip(QString::fromLatin1(kNavigatorTips[i]));
        button->setIcon(bundledIcon(kNavigatorIcons[i]));
        button->setObjectName(QString::fromLatin1(kNavigatorIcons[i]));
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, i] { navigate(i); });
        navigatorButtons_[size_t(i)] = button;
    }
}

void TMain::buildViewer(QWidget* client) {
    ViewerBevel = new QFrame(client);
    ViewerBevel->setObjectName(QStringLiteral("ViewerBevel"));
    ViewerBevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ViewerTitle = new QLabel(QStringLiteral("Stamp Viewer"), client);
    ViewerTitle->setObjectName(QStringLiteral("ViewerTitle"));
    ViewerTitle->setFont(arialPixels(23, true));
    ViewerTitle->adjustSize();
    SearchOnLabel = new QLabel(QStringLiteral("SEARCH ON"), client);
    SearchOnLabel->setObjectName(QStringLiteral("SearchOnLabel"));
    SearchOnLabel->setFont(arialPixels(18, true));
    SearchOnLabel->adjustSize();
    SearchOnLabel->hide();
    CountLabel = new QLabel(client);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    CountLabel->setFont(arialPixels(11, false));
    CountLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    CountWordLabel = new QLabel(QStringLiteral("Vazovi"), client);
    CountWordLabel->setObjectName(QStringLiteral("CountWordLabel"));
    CountWordLabel->setFont(arialPixels(11, false));
    CountWordLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    ViewerGrid = new QTableView(client);
    ViewerGrid->setObjectName(QStringLiteral("ViewerGrid"));
    model_ = new ViewerModel([this] { return program_.database().table(); },
                             [this](const QString& message) { reportCellProblem(message); }, this);
    ViewerGrid->setModel(model_);
    delegate_ = new ViewerDelegate(
        [this](int column) { return model_->fieldOfColumn(column); },
        [this](int field) -> QAbstractItemModel* {
            for (const data::DataListInfo& info : data::dataListTable())
                if (info.fieldNumber == field && data::isDatabaseList(info.list))
                    return program_.lists().model(info.list);
            return nullptr;
        },
        this);
    ViewerGrid->setItemDelegate(delegate_);
    ViewerGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ViewerGrid->setShowGrid(false);  // the delegate draws the lines that are switched on
    ViewerGrid->setWordWrap(false);
    ViewerGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ViewerGrid->horizontalHeader()->setSectionsMovable(false);
    ViewerGrid->horizontalHeader()->setHighlightSections(false);
    ViewerGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ViewerGrid->verticalHeader()->setSectionsMovable(false);
    ViewerGrid->verticalHeader()->setFixedWidth(12);
    ViewerGrid->installEventFilter(this);
    // The grid keeps its own font; the headings take part of the label font (applyMainFonts),
    // the count labels all of it.
    for (QWidget* w : std::initializer_list<QWidget*>{ViewerTitle, SearchOnLabel, ViewerGrid})
        w->setProperty(kKeepFontProperty, true);
    connect(ViewerGrid, &QTableView::doubleClicked, this, [this](const QModelIndex&) {
        if (!model_->editable()) DoEdit();
    });
    connect(ViewerGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                model_->setCurrentRow(current.row());
                syncTableToGrid();
            });
    connect(model_, &ViewerModel::recordStored, this, [this](quint32 recNo) {
        // A stored cell may move its record in the order: read the rows anew and follow it.
        engine::Table* t = program_.database().table();
        if (t != nullptr && !t->activeTag().empty()) {
            QTimer::singleShot(0, this, [this, recNo] {
                if (engine::Table* table = program_.database().table()) (void)table->go(recNo);
                refreshViewer();
            });
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Start-up and the window's life

void TMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        DoFileSpecific();
        ViewerGrid->setFocus(Qt::OtherFocusReason);
        // The tips follow the first showing, once the window is up behind them. Not the first
        // activation: a window manager may give a new window the focus late or never (focus
        // stealing prevention, no window manager at all), and the tips would not show.
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+Delete in the grid deletes the current record, asking first.
    if (watched == ViewerGrid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            if (action(C::Delete)->isEnabled()) DoDelete();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMain::FormActivate() {
    if (program_.settings().global.misc.showTips) showTipOfDay(this, program_.settings(), true);
}

void TMain::DoFileSpecific() {
    applyCaption();
    applyMainFonts();
    SetViewerOptions();
    applyColours();
    DisplayCount();
    SetMenuLastFiles();
}

void TMain::applyCaption() {
    setWindowTitle(program_.database().caption().isEmpty() ? QStringLiteral("Kestrelhouse Vazovi 97")
                                                            : program_.database().caption());
}

void TMain::applyColours() {
    // "Stamp Viewer" (and "SEARCH ON") in Major Title; "Navigation Controls" and the count are
    // ordinary labels in Minor Title; all on the window's background.
    applyColourSet(this, program_.settings().database.colourSet(data::WindowGroup::Main),
                   {ViewerTitle, SearchOnLabel});
}

void TMain::applyBrowseOnly() {
    // Field editing is off for the run (the program keeps each database's own value aside).
    for (int i = NavInsert; i <= NavRefresh; ++i) navigatorButtons_[size_t(i)]->hide();
}

void TMain::updateCommandStates() {
    for (auto& [command, a] : actions_) {
        bool on = available_.count(command) != 0 && available_.at(command);
        if (browseOnly_ && std::find(std::begin(kNotWhenBrowsing), std::end(kNotWhenBrowsing), command) !=
                               std::end(kNotWhenBrowsing))
            on = false;
        if (command == C::EndSearch) on = on && program_.searchMode();
        a->setEnabled(on);
    }
    const bool letteredShown = program_.settings().global.misc.buttonBar == kLetteredButtons;
    for (auto& [command, button] : lettered_) button->setEnabled(letteredShown && actions_.at(command)->isEnabled());
}

void TMain::closeEvent(QCloseEvent* event) {
    if (!shutDown_) {
        shutDown_ = true;
        DisableEndSearch();
        saveMainWindowPlace(this, program_.settings().global.misc);
        program_.shutDown();
    }
    event->accept();
}

void TMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMain::FormResize() {
    QWidget* client = centralWidget();
    if (client == nullptr) return;
    const int choice = program_.settings().global.misc.buttonBar;
    const TopLayout l = topLayout(choice, client->width(), client->height(), ViewerTitle->width());
    SpeedPanel->setVisible(l.speedPanel);
    SpeedPanel->setGeometry(0, 0, client->width(), 31);
    for (QFrame* f : ButtonFrames) f->setVisible(l.letteredButtons);
    NavigationLabel->setVisible(l.navigationLabel);
    NavigationLabel->adjustSize();
    NavigationLabel->move(l.navigatorLeft + (l.navigatorWidth - NavigationLabel->width()) / 2, l.navigationLabelTop);
    MyNavigator->setGeometry(l.navigatorLeft, l.navigatorTop, l.navigatorWidth, 25);
    QList<QToolButton*> shown;
    for (QToolButton* b : navigatorButtons_)
        if (!b->isHidden()) shown << b;
    for (int i = 0; i < shown.size(); ++i) {
        const int left = l.navigatorWidth * i / int(shown.size());
        const int right = l.navigatorWidth * (i + 1) / int(shown.size());
        shown[i]->setGeometry(left, 0, right - left, 25);
    }
    ViewerBevel->setGeometry(3, l.frameTop, l.frameWidth, l.frameHeight);
    ViewerTitle->move(l.titleLeft, l.titleTop);
    SearchOnLabel->move(l.searchOnLeft, l.searchOnTop);
    CountLabel->setGeometry(l.countLeft, l.countTop, kCountWidth, 14);
    CountWordLabel->setGeometry(l.countLeft, l.countWordTop, kCountWidth, 14);
    ViewerGrid->setGeometry(7, l.gridTop, l.gridWidth, std::max(0, l.gridHeight));
    ViewerBevel->lower();
}

void TMain::setButtonBar(int choice) {
    if (choice < kSpeedButtons || choice > kNoButtons) choice = kSpeedButtons;
    program_.settings().global.misc.buttonBar = choice;
    buttonBarItems_[size_t(choice)]->setChecked(true);
    FormResize();
    updateCommandStates();
}

// ---------------------------------------------------------------------------------------------
// The viewer

void TMain::SetViewerOptions() {
    const uint32_t current = program_.database().table() ? program_.database().table()->recNo() : 0;
    const ViewerPlace place = ViewerPlace::of(ViewerGrid, *model_);
    applyViewerLayout();
    model_->reload();
    if (engine::Table* t = program_.database().table(); t != nullptr && current != 0)
        (void)t->go(current);
    showCurrentRecord(place);
    ViewerGrid->viewport()->update();
}

void TMain::applyViewerLayout() {
    const ViewerPlace place = ViewerPlace::of(ViewerGrid, *model_);
    applyViewerSettings(*ViewerGrid, *model_, *delegate_, program_.settings().database, browseOnly_);
    showCurrentRecord(place);
    ViewerGrid->viewport()->update();
}

void TMain::refreshViewer() {
    engine::Table* t = program_.database().table();
    const uint32_t current = t ? t->recNo() : 0;
    const ViewerPlace place = ViewerPlace::of(ViewerGrid, *model_);
    if (t != nullptr) {
        engine::Status s = t->refresh();
        if (!s) program_.ui().error(QString::fromStdString(s.message()));
    }
    model_->reload();
    if (t != nullptr && current != 0) (void)t->go(current);
    showCurrentRecord(place);
}

void TMain::showCurrentRecord(const ViewerPlace& place) {
    engine::Table* t = program_.database().table();
    const int row = t ? model_->rowOfRecord(t->recNo()) : -1;
    place.restore(ViewerGrid, *model_, std::max(0, row));
}

void TMain::syncTableToGrid() {
    engine::Table* t = program_.database().table();
    if (t == nullptr || t->state() != engine::Table::State::Browse) return;
    const uint32_t recNo = model_->recordOfRow(ViewerGrid->currentIndex().row());
    if (recNo != 0 && recNo != t->recNo()) {
        engine::Status s = t->go(recNo);
        if (!s) program_.ui().error(QString::fromStdString(s.message()));
    }
}

void TMain::reportCellProblem(const QString& message) {
    program_.ui().error(message);
    // The cell's editor closes once the message is answered; the focus goes back to the grid
    // then, not to whatever control comes next (a speed button that the next key would press).
    QTimer::singleShot(0, ViewerGrid,
                       [grid = ViewerGrid] { grid->setFocus(Qt::OtherFocusReason); });
}

void TMain::DisplayCount() { CountLabel->setText(QString::number(model_->rowCount())); }

void TMain::SetMenuLastFiles() {
    const data::RecentFiles::Menu m = program_.recentFiles().SetMenuLastFiles();
    LastFilesSeparator->setVisible(m.separatorVisible);
    for (size_t i = 0; i < LastFiles.size(); ++i) {
        LastFiles[i]->setVisible(m.visible[i]);
        LastFiles[i]->setText(m.captions[i]);
    }
}

QWidget* TMain::openCellEditor() const {
    // Editors live on the grid's viewport; the focus may be inside one (a drop-down's text).
    for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget())
        if (w->parentWidget() == ViewerGrid->viewport()) return w;
    return nullptr;
}

void TMain::navigate(int button) {
    const int rows = model_->rowCount();
    const int row = ViewerGrid->currentIndex().row();
    auto go = [&](int r) {
        if (rows == 0) return;
        r = std::clamp(r, 0, rows - 1);
        ViewerGrid->setCurrentIndex(model_->index(r, std::max(0, ViewerGrid->currentIndex().column())));
        ViewerGrid->scrollTo(ViewerGrid->currentIndex());
    };
    switch (button) {
    case NavFirst: go(0); break;
    case NavPrior: go(row - 1); break;
    case NavNext: go(row + 1); break;
    case NavLast: go(rows - 1); break;
    case NavInsert: DoAdd(); break;
    case NavDelete: DoDelete(); break;
    case NavEdit: DoEdit(); break;
    case NavPost:
    case NavCancel:
        if (QWidget* editor = openCellEditor()) {
            if (button == NavPost) emit delegate_->commitData(editor);
            emit delegate_->closeEditor(editor, button == NavPost ? QAbstractItemDelegate::NoHint
                                                                  : QAbstractItemDelegate::RevertModelCache);
        }
        break;
    case NavRefresh: refreshViewer(); break;
    default: break;
    }
    DisplayCount();
}

// ---------------------------------------------------------------------------------------------
// The commands

void TMain::runEditWindow(int mode) {
    if (!editWindow_ || program_.database().table() == nullptr) return;
    syncTableToGrid();
    if (mode != edit::TMyEdit::NewRecord && model_->rowCount() == 0) return;
    editWindow_->setEditMode(mode);
    editWindow_->exec();
    refreshViewer();
    DisplayCount();
}

void TMain::DoReports() {
    if (!reportWindow_ || program_.database().table() == nullptr) return;
    syncTableToGrid();
    reportWindow_->exec();
    refreshViewer();
    DisplayCount();
}

void TMain::DoAdd() { runEditWindow(edit::TMyEdit::NewRecord); }
void TMain::DoEdit() { runEditWindow(edit::TMyEdit::ExistingRecord); }
void TMain::DoCopy() { runEditWindow(edit::TMyEdit::CopyRecord); }

void TMain::DoDelete() {
    engine::Table* t = program_.database().table();
    if (t == nullptr || browseOnly_ || model_->rowCount() == 0) return;
    syncTableToGrid();
    if (!program_.ui().confirm(QStringLiteral("Confirm"), QStringLiteral("Delete this record?"))) return;
    const int row = ViewerGrid->currentIndex().row();
    const ViewerPlace place = ViewerPlace::of(ViewerGrid, *model_);
    engine::Status s = t->deleteRecord();
    if (!s) program_.ui().error(QString::fromStdString(s.message()));
    model_->reload();
    if (model_->rowCount() > 0) {
        const int next = std::clamp(row, 0, model_->rowCount() - 1);
        (void)t->go(model_->recordOfRow(next));
    }
    showCurrentRecord(place);
    DisplayCount();
}

void TMain::EnableEndSearch() {
    program_.setSearchMode(true);
    SearchOnLabel->show();
    updateCommandStates();
}

void TMain::DisableEndSearch() {
    program_.setSearchMode(false);
    SearchOnLabel->hide();
    updateCommandStates();
}

void TMain::DoEndSearch() {
    DisableEndSearch();
    // Reopened, the table reads its records anew without the search.
    program_.database().closeTable();
    program_.database().openTable(engine::OpenMode::Shared);
    SetViewerOptions();
    DisplayCount();
}

void TMain::DoUpdateDatabase() {
    const bool searching = program_.searchMode();
    if (searching) DoEndSearch();
    program_.saveDatabaseSettings(program_.database().settingsPath());
    program_.database().closeTable();
    if (searching) EnableEndSearch();
    program_.database().openTable(engine::OpenMode::Shared);
    SetViewerOptions();
    DisplayCount();
}

void TMain::DoSearch() {
    if (program_.database().table() == nullptr) return;
    syncTableToGrid();
    searchWindow_->run();
    DisplayCount();
}

void TMain::DoFind() {
    syncTableToGrid();
    locate_->DoFind();
}

void TMain::DoFindNext() {
    syncTableToGrid();
    locate_->DoFindNext();
}

void TMain::DoSortOrder() {
    if (program_.database().table() == nullptr) return;
    syncTableToGrid();
    search::runSortOrder(*this, program_);
    DisplayCount();
}

void TMain::showTableRecord() { showCurrentRecord(ViewerPlace::of(ViewerGrid, *model_)); }

void TMain::DoHelp() { program_.ui().help(QString()); }

void TMain::DoImport() {
    if (browseOnly_) return;
    exchange::runImport(this, program_);
    refreshViewer();
    DisplayCount();
}

void TMain::DoExport() {
    exchange::runExport(this, program_);
    refreshViewer();
    DisplayCount();
}

void TMain::DoExit() { close(); }

void TMain::DoColor(int setNumber) {
    if (runColourConfig(this, program_.ui(), program_.settings(), setNumber) && (setNumber == 1 || setNumber == 6))
        applyColours();
}

void TMain::DoViewer() {
    if (browseOnly_) return;
    syncTableToGrid();
    const bool captionsChanged = runViewerConfig(this, program_.ui(), program_.settings().database);
    applyViewerLayout();
    if (captionsChanged) emit fieldCaptionsChanged();
}

void TMain::DoListMaintenance(data::DataList list) {
    if (browseOnly_) return;
    edit::runListEditor(this, program_, list);
}

void TMain::DoSearchAndReplace() {
    if (browseOnly_) return;
    search::runSearchAndReplaceWindow(this, program_, *host_);
    DisplayCount();
}

void TMain::DoPack() {
    data::MenuPackClick(*host_, program_.ui());
    DisplayCount();
}

void TMain::DoRebuild() {
    data::MenuRebuildClick(*host_, program_.ui());
    DisplayCount();
}

void TMain::DoBackup() {
    if (browseOnly_) return;
    backup::runBackupWindow(this, program_, *host_);
    DisplayCount();
}

void TMain::DoRestore() {
    if (browseOnly_) return;
    backup::runRestoreWindow(this, program_, *host_);
    DisplayCount();
}

void TMain::markFormats() {
    const data::MiscSettings& misc = program_.settings().global.misc;
    for (int code = 1; code <= kDateFormatCount; ++code) dateItems_[size_t(code)]->setChecked(code == misc.dateFormat);
    leadingZerosItem_->setChecked(misc.dateLeadingZeros);
    const int currency = misc.currencyFormat == kFormatRegional ? kFormatRegional : kFormatUS;
    const int numeric = misc.numericFormat == kFormatRegional ? kFormatRegional : kFormatUS;
    currencyItems_[size_t(currency)]->setChecked(true);
    numericItems_[size_t(numeric)]->setChecked(true);
}

void TMain::chooseDateFormat(int code) {
    data::MiscSettings& misc = program_.settings().global.misc;
    if (code == misc.dateFormat) {
        dateItems_[size_t(code)]->setChecked(true);  // choosing the marked item changes nothing
        return;
    }
    misc.dateFormat = code;
    displayFormats().setDateFormat(code, misc.dateLeadingZeros);
    markFormats();
    model_->repaintAll();
}

void TMain::toggleLeadingZeros() {
    data::MiscSettings& misc = program_.settings().global.misc;
    misc.dateLeadingZeros = !misc.dateLeadingZeros;
    // The pattern follows the switch for the code in force, whatever the stored code.
    displayFormats().setDateFormat(displayFormats().dateCode(), misc.dateLeadingZeros);
    markFormats();
    model_->repaintAll();
}

void TMain::chooseScreenSize(int size) {
    const ScreenScale::Result r = screenScale().choose(size);
    if (r.outcome == ScreenScale::Outcome::Refused) program_.ui().error(r.refusal);
    if (r.outcome == ScreenScale::Outcome::Changed) program_.settings().global.misc.windowSize = size;
    for (auto& [s, item] : screenSizeItems_) item->setChecked(s == screenScale().size());
}

void TMain::chooseControlFont(int which) {
    if (vz::mainwin::chooseControlFont(program_.ui(), program_.settings().database, ControlFont(which)))
        applyMainFonts();
}

void TMain::applyMainFonts() {
    const data::DatabaseSettings& s = program_.settings().database;
    applyFonts(this, s);
    for (QLabel* heading : {ViewerTitle, SearchOnLabel}) {
        heading->setFont(withHeadingFont(heading->font(), s.labelFont));
        heading->adjustSize();
    }
    FormResize();
}

}  // namespace vz::mainwin
