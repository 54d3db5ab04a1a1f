#include "main/TTipOfDay.h"

#include <QCheckBox>
#include <QDate>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Settings.h"

namespace vz::mainwin {
namespace {

// The tip last shown in this run, so that the Help menu goes on where the collector left off.
int lastShownTip = -1;

int wrapped(int index, int count) { return count == 0 ? 0 : ((index % count) + count) % count; }

}  // namespace

const QStringList& TTipOfDay::tips() {
    static const QStringList list = {
        QStringLiteral(
            "<b>Search by filling in a form.</b> <i>Navigate, Search (Query)</i> (Ctrl+S) shows one row per "
            "field. Type what you are looking for beside any fields: a stamp is shown when it matches all "
            "of them. Text matches anywhere in the field and in any letter case, so <i>mint</i> finds "
            "\"Mint\" and \"MINT NH\" alike."),
        QStringLiteral(
            "<b>Either this or that.</b> In the search window, <i>Find More</i> starts a new level of "
            "criteria (up to ten). A stamp is shown when it matches every criterion of any one level: "
            "Country France on level 1 and Country Belgium on level 2 finds the stamps of both."),
        QStringLiteral(
            "<b>Ranges of numbers and dates.</b> In the search window, click the grey <b>...</b> cell of a "
            "number or date row to choose equal, greater than, less than or a range (&gt; X &lt;). Both ends "
            "of a range are left out: a year range of 1939 to 1946 finds 1940 to 1945."),
        QStringLiteral(
            "<b>Pick a search value from your lists.</b> For Country, Topic, Condition and the other list "
            "fields, the <b>...</b> cell in the search window offers the entries of that field's list, so you "
            "need not remember how you spelled them."),
        QStringLiteral(
            "<b>The search stays on.</b> While \"SEARCH ON\" shows above the viewer, the viewer, "
            "<i>Locate</i>, reports (<i>Print Search Criteria</i>) and export (<i>Export Search "
            "Criteria</i>) see only the stamps found. <i>End Search</i> (Ctrl+I) shows the whole "
            "collection again."),
        QStringLiteral(
            "<b>Four sort levels.</b> <i>Options, Sort Order</i> (Ctrl+Q) orders the viewer and your reports "
            "by up to four fields, for example Country, then Year, then Numeric Catalog. Text is sorted "
            "without regard to letter case, and each collection keeps its own order."),
        QStringLiteral(
            "<b>Catalogue numbers that sort properly.</b> Alpha Catalog keeps the number as written, letters "
            "and all (\"C23a\"), and so sorts 10 before 9. Put the plain number into Numeric Catalog as well "
            "and sort on that field to get 9, 10, 100."),
        QStringLiteral(
            "<b>Jump to a stamp without hiding the others.</b> <i>Navigate, Locate</i> (Ctrl+L) moves to the "
            "next stamp whose field starts with, contains or equals what you type; <i>Locate Next</i> "
            "(Ctrl+N) moves on to the one after it."),
        QStringLiteral(
            "<b>Your lists grow as you type.</b> A new Country, Topic or Condition typed in the input window "
            "is added to its list when you store the stamp. Tidy, sort or add to any list under <i>Options, "
            "List Maintenance</i>."),
        QStringLiteral(
            "<b>Lists for every new collection.</b> <i>Options, List Maintenance, Save As Defaults</i> makes "
            "your current lists the starting lists of every collection you create from now on. <i>Load In "
            "Defaults</i> brings them back into the open collection."),
        QStringLiteral(
            "<b>Several faults at once.</b> The <i>Select</i> buttons beside Faults and Miscellaneous in the "
            "input window let you tick several entries of their lists; they are stored together, separated "
            "by commas."),
        QStringLiteral(
            "<b>Keep a want list.</b> Tick <i>Wanted</i> for a stamp you are still looking for: its quantity "
            "becomes 0, so your totals count only what you own. Search for Yes in the Wanted row and print "
            "a report to take to the next stamp fair."),
        QStringLiteral(
            "<b>Entering a whole set?</b> Copy a stamp (<i>Records, Copy</i>, Ctrl+C) and change only the "
            "catalogue number, face value and colour. In the input window, <i>Update</i> stores a stamp and "
            "keeps the window open for the next one."),
        QStringLiteral(
            "<b>Saved defaults.</b> In the input window, <i>Defaults, Save Current Values As Defaults</i> "
            "remembers what is in the boxes. Switch on <i>Load Defaults With Add</i> and every new stamp "
            "starts with those values: handy for a long run of stamps of one country."),
        QStringLiteral(
            "<b>What is it worth?</b> The input window shows the quantity times the purchase price and times "
            "the market value beside those boxes. For the whole collection, print the <i>Statistic/Summary "
            "Report</i>."),
        QStringLiteral(
            "<b>Reports on screen, on paper or in a file.</b> <i>Navigate, Reports</i> (Ctrl+R): <i>View</i> "
            "previews the pages, <i>Print</i> prints them and <i>Print To File</i> writes plain text. Reports "
            "follow the sort order, and can group and total by the first sort level."),
        QStringLiteral(
            "<b>Design your own reports.</b> In the report window, <i>New Report</i> lets you choose the "
            "fields, their widths, titles, fonts, grouping and totals. Your reports are kept in "
            "DUZEZIVA.URP in the program folder, so back that file up too."),
        QStringLiteral(
            "<b>Back up all four kinds.</b> <i>File, Back Up Data</i> (Ctrl+B) copies one kind of file at a "
            "time: the collection itself, its data lists, its settings, and your report definitions. Back up "
            "each kind to keep everything."),
        QStringLiteral(
            "<b>Make the viewer yours.</b> <i>Navigate, Viewer</i> (Ctrl+V) chooses which fields show as "
            "columns, their widths, order and names. A field you rename there is called by that name "
            "everywhere: in the input window, the search window and your reports."),
        QStringLiteral(
            "<b>Edit right in the grid.</b> Tick <i>Allow field editing</i> on the <i>Look and Feel</i> page "
            "of the viewer configuration to change values in the viewer itself; the list fields then drop "
            "down their lists there too."),
        QStringLiteral(
            "<b>Let others look without touching.</b> Start the program as <tt>vazovi /BROWSE</tt>: the "
            "collection can be searched, sorted and printed, but not changed."),
        QStringLiteral(
            "<b>To a spreadsheet and back.</b> <i>Records, Export</i> (Ctrl+T) writes delimited text that "
            "spreadsheets read, or a dBase table; <i>Records, Import</i> (Ctrl+M) adds stamps from either "
            "kind of file."),
        QStringLiteral(
            "<b>Deleted stamps still take room.</b> A deleted stamp disappears from the viewer but stays in "
            "the file until <i>Tools, Pack Database</i> removes it for good. If stamps are ever missing from "
            "the viewer or a report, try <i>Tools, Rebuild Indexes</i>."),
        QStringLiteral(
            "<b>More than one collection.</b> <i>File, New Database</i> (Ctrl+W) starts another collection "
            "with its own lists, sort order, colours and viewer layout. The File menu lists the last five "
            "you used."),
        QStringLiteral(
            "<b>Dates your way.</b> <i>Options, Date Format</i> picks day-month or month-day order and two- "
            "or four-digit years; <i>Screen Size</i>, the font items and <i>Color</i> make the windows easier "
            "on the eyes."),
        QStringLiteral(
            "<b>Without opening the program.</b> The command-line tool <tt>vazovi-cli</tt> checks a "
            "collection file, lists its stamps as text, packs and re-indexes it and prints a report to a "
            "text or PDF file. Run <tt>vazovi-cli --help</tt> to see how."),
    };
    return list;
}

TTipOfDay::TTipOfDay(data::Settings& settings, int firstTip, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("TTipOfDay"));
    setWindowTitle(QStringLiteral("Tips of the Day"));

    auto* heading = new QLabel(QStringLiteral("Did you know..."), this);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    headingFont.setBold(true);
    heading->setFont(headingFont);

    TipText = new QLabel(this);
    TipText->setObjectName(QStringLiteral("TipText"));
    TipText->setTextFormat(Qt::RichText);
    TipText->setWordWrap(true);
    TipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TipText->setFrameShape(QFrame::StyledPanel);
    TipText->setMargin(10);
    TipText->setMinimumSize(420, 130);

    TipNumber = new QLabel(this);
    TipNumber->setObjectName(QStringLiteral("TipNumber"));

    ShowTipsCheck = new QCheckBox(QStringLiteral("&Show Tips"), this);
    ShowTipsCheck->setObjectName(QStringLiteral("ShowTipsCheck"));
    ShowTipsCheck->setToolTip(QStringLiteral("Show a tip each time the program starts"));
    ShowTipsCheck->setChecked(settings_.global.misc.showTips);
    connect(ShowTipsCheck, &QCheckBox::toggled, this, [this](bool on) { settings_.global.misc.showTips = on; });

    PreviousButton = new QPushButton(QStringLiteral("&Previous Tip"), this);
    PreviousButton->setObjectName(QStringLiteral("PreviousButton"));
    connect(PreviousButton, &QPushButton::clicked, this, &TTipOfDay::PreviousButtonClick);
    NextButton = new QPushButton(QStringLiteral("&Next Tip"), this);
    NextButton->setObjectName(QStringLiteral("NextButton"));
    NextButton->setDefault(true);
    connect(NextButton, &QPushButton::clicked, this, &TTipOfDay::NextButtonClick);
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ShowTipsCheck);
    bottom->addStretch();
    bottom->addWidget(PreviousButton);
    bottom->addWidget(NextButton);
    bottom->addWidget(CloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(TipText, 1);
    layout->addWidget(TipNumber);
    layout->addLayout(bottom);

    showTip(firstTip);
}

void TTipOfDay::showTip(int index) {
    const QStringList& all = tips();
    current_ = wrapped(index, int(all.size()));
    TipText->setText(all.value(current_));
    TipNumber->setText(QStringLiteral("Tip %1 of %2").arg(current_ + 1).arg(all.size()));
}

void TTipOfDay::NextButtonClick() { showTip(current_ + 1); }

void TTipOfDay::PreviousButtonClick() { showTip(current_ - 1); }

void showTipOfDay(QWidget* parent, data::Settings& settings, bool atStartUp) {
    if (atStartUp && !settings.global.misc.showTips) return;
    const int count = int(TTipOfDay::tips().size());
    const int first = lastShownTip < 0 ? QDate::currentDate().dayOfYear() % count : lastShownTip + 1;
    TTipOfDay window(settings, first, parent);
    window.exec();
    lastShownTip = window.currentTip();
}

}  // namespace vz::mainwin
