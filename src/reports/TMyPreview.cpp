#include "reports/TMyPreview.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "common/PrintJob.h"
#include "data/Settings.h"
#include "reports/PageStream.h"
#include "reports/ReportDevice.h"
#include "reports/TPrintRange.h"

namespace vz::reports {

namespace {
constexpr int kPaperGap = 8;  // pixels of grey around the page
}

// The page in view, drawn from its recorded picture at the zoom in force.
class PreviewPage : public QWidget {
public:
    PreviewPage(const PageStreamView& view, QWidget* parent) : QWidget(parent), view_(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    double dpi() const { return logicalDpiX() > 0 ? logicalDpiX() : 96; }
    void fit() {
        const QSizeF page = view_.pageSizePixels(dpi());
        resize(int(std::ceil(page.width())) + 2 * kPaperGap,
               int(std::ceil(page.height())) + 2 * kPaperGap);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
        if (view_.pageCount() == 0) return;
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        view_.paint(p, QPointF(kPaperGap, kPaperGap), dpi(), event->rect());
    }

private:
    const PageStreamView& view_;
};

TMyPreview::TMyPreview(PageStream& stream, const QString& caption, Context context, QWidget* parent)
    : QDialog(parent), stream_(stream), context_(context), view_(stream) {
    setWindowTitle(caption);
    setHelpTopic(this, QStringLiteral("Report Preview"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QWidget(this);
    buildToolBar(bar);
    layout->addWidget(bar);
    Scroller = new QScrollArea(this);
    Scroller->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Scroller->setBackgroundRole(QPalette::Dark);
    Page = new PreviewPage(view_, Scroller);
    Scroller->setWidget(Page);
    layout->addWidget(Scroller, 1);
    NoteLabel = new QLabel(this);
    NoteLabel->setWordWrap(true);
    NoteLabel->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(NoteLabel);
    buildMenus();

    const data::ReportSettings& s = context_.settings;
    resize(std::max(200, s.viewerWidth), std::max(150, s.viewerHeight));
    move(s.viewerLeft, s.viewerTop);
    pagesGrew();
    zoomChanged();
}

TMyPreview::~TMyPreview() = default;

void TMyPreview::buildToolBar(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    auto button = [&](const QString& text, auto slot) {
        auto* b = new QToolButton(bar);
        b->setText(text);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, slot);
        row->addWidget(b);
        return b;
    };
    button(QStringLiteral("Zoom In"), &TMyPreview::ZoomIn);
    button(QStringLiteral("Zoom Out"), &TMyPreview::ZoomOut);
    row->addWidget(new QLabel(QStringLiteral("Zoom %"), bar));
    ZoomEdit = new QLineEdit(bar);
    ZoomEdit->setMaxLength(10);
    ZoomEdit->setFixedWidth(60);
    row->addWidget(ZoomEdit);
    button(QStringLiteral("Prev Page"), &TMyPreview::PrevPage);
    button(QStringLiteral("Next Page"), &TMyPreview::NextPage);
    row->addWidget(new QLabel(QStringLiteral("Page #"), bar));
    PageEdit = new QLineEdit(bar);
    PageEdit->setFixedWidth(50);
    row->addWidget(PageEdit);
    PageLabel = new QLabel(QStringLiteral("Page 1 of 1"), bar);
    PageLabel->setMinimumWidth(110);
    row->addWidget(PageLabel);
    button(QStringLiteral("Done"), [this] { close(); });
    button(QStringLiteral("Print Page"), &TMyPreview::PrintPage);
    button(QStringLiteral("Zoom Page Width"), &TMyPreview::ZoomPageWidth);
    button(QStringLiteral("Zoom Whole Page"), &TMyPreview::ZoomWholePage);
    row->addStretch();
    connect(ZoomEdit, &QLineEdit::editingFinished, this, &TMyPreview::zoomFieldDone);
    connect(PageEdit, &QLineEdit::editingFinished, this, &TMyPreview::pageFieldDone);
}

void TMyPreview::buildMenus() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    auto item = [this](QMenu* menu, const QString& text, const QString& keys, auto slot) {
        QAction* a = menu->addAction(text);
        if (!keys.isEmpty()) a->setShortcut(QKeySequence(keys));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    item(file, QStringLiteral("&Print Page"), QStringLiteral("Ctrl+P"), &TMyPreview::PrintPage);
    item(file, QStringLiteral("Print &Report"), QStringLiteral("Ctrl+R"), &TMyPreview::PrintReport);
    item(file, QStringLiteral("Print Ran&ge"), QStringLiteral("Ctrl+G"), &TMyPreview::PrintRange);
    file->addSeparator();
    item(file, QStringLiteral("E&xit"), QStringLiteral("Ctrl+X"), [this] { close(); });
    QMenu* nav = bar->addMenu(QStringLiteral("&Navigate"));
    item(nav, QStringLiteral("&Previous Page"), QStringLiteral("Ctrl+E"), &TMyPreview::PrevPage);
    item(nav, QStringLiteral("&Next Page"), QStringLiteral("Ctrl+N"), &TMyPreview::NextPage);
    nav->addSeparator();
    item(nav, QStringLiteral("&First Page"), QStringLiteral("Ctrl+F"), &TMyPreview::FirstPage);
    item(nav, QStringLiteral("&Last Page"), QStringLiteral("Ctrl+L"), &TMyPreview::LastPage);
    QMenu* viewMenu = bar->addMenu(QStringLiteral("&View"));
    UseColorItem = viewMenu->addAction(QStringLiteral("Use Color"));
    UseColorItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    UseColorItem->setCheckable(true);
    UseColorItem->setChecked(view_.colour());
    connect(UseColorItem, &QAction::triggered, this, &TMyPreview::UseColor);
    viewMenu->addSeparator();
    QMenu* in = viewMenu->addMenu(QStringLiteral("Zoom &In"));
    item(in, QStringLiteral("&1 : 1"), QString(), [this] { setZoom(100); });
    item(in, QStringLiteral("&2 : 1"), QString(), [this] { setZoom(200); });
    QMenu* out = viewMenu->addMenu(QStringLiteral("Zoom &Out"));
    item(out, QStringLiteral("1 : &1"), QString(), [this] { setZoom(100); });
    item(out, QStringLiteral("1 : &2"), QString(), [this] { setZoom(50); });
    item(out, QStringLiteral("1 : &3"), QString(), [this] { setZoom(100.0 / 3); });
    item(out, QStringLiteral("1 : &4"), QString(), [this] { setZoom(25); });
    item(out, QStringLiteral("1 : &5"), QString(), [this] { setZoom(20); });
    // The menus' shortcuts step the zoom; their entries choose a ratio.
    auto* stepIn = new QAction(this);
    stepIn->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    connect(stepIn, &QAction::triggered, this, &TMyPreview::ZoomIn);
    auto* stepOut = new QAction(this);
    stepOut->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    connect(stepOut, &QAction::triggered, this, &TMyPreview::ZoomOut);
    addAction(stepIn);
    addAction(stepOut);
    item(viewMenu, QStringLiteral("Zoom &Page Width"), QStringLiteral("Ctrl+Z"),
         &TMyPreview::ZoomPageWidth);
    item(viewMenu, QStringLiteral("Zoom &Whole Page"), QStringLiteral("Ctrl+W"),
         &TMyPreview::ZoomWholePage);
}

// --- State shown

QString TMyPreview::pageLabel() const {
    return PageLabel->text();
}
QString TMyPreview::zoomText() const {
    return ZoomEdit->text();
}
QString TMyPreview::note() const {
    return NoteLabel->text();
}

void TMyPreview::pageChanged() {
    PageEdit->setText(QString::number(view_.currentPage()));
    PageLabel->setText(
        QStringLiteral("Page %1 of %2").arg(view_.currentPage()).arg(view_.pageCount()));
    Page->update();
}

void TMyPreview::zoomChanged() {
    ZoomEdit->setText(QString::number(view_.zoom(), 'f', 1).left(10));
    Page->fit();
}

void TMyPreview::pagesGrew() {
    const int shown = view_.currentPage();
    PageLabel->setText(QStringLiteral("Page %1 of %2").arg(shown).arg(view_.pageCount()));
    PageEdit->setText(QString::number(shown));
    if (layingOut_)
        NoteLabel->setText(
            QStringLiteral("Laying out the report: %1 pages so far...").arg(view_.pageCount()));
    Page->update();
}

void TMyPreview::layoutEnded(const QString& note) {
    layingOut_ = false;
    note_ = note;
    NoteLabel->setText(note);
    NoteLabel->setVisible(!note.isEmpty());
    pageChanged();
}

// --- Paging and zoom

void TMyPreview::goToPage(int number) {
    if (number != view_.currentPage() && view_.goToPage(number)) {
        Scroller->verticalScrollBar()->setValue(0);
        pageChanged();
    }
}
void TMyPreview::PrevPage() {
    goToPage(view_.currentPage() - 1);
}
void TMyPreview::NextPage() {
    goToPage(view_.currentPage() + 1);
}
void TMyPreview::FirstPage() {
    goToPage(1);
}
void TMyPreview::LastPage() {
    goToPage(view_.pageCount());
}

void TMyPreview::setZoom(double percent) {
    view_.setZoom(percent);
    zoomChanged();
}
void TMyPreview::ZoomIn() {
    view_.zoomIn();
    zoomChanged();
}
void TMyPreview::ZoomOut() {
    view_.zoomOut();
    zoomChanged();
}

double TMyPreview::screenDpi() const {
    return Page->dpi();
}

QSizeF TMyPreview::viewport() const {
    const QSize v = Scroller->viewport()->size();
    return QSizeF(
        std::max(1, v.width() - 2 * kPaperGap - Scroller->verticalScrollBar()->sizeHint().width()),
        std::max(1, v.height() - 2 * kPaperGap));
}

void TMyPreview::ZoomPageWidth() {
    view_.zoomToPageWidth(viewport(), screenDpi());
    zoomChanged();
}
void TMyPreview::ZoomWholePage() {
    view_.zoomToWholePage(viewport(), screenDpi());
    zoomChanged();
}

void TMyPreview::UseColor(bool on) {
    view_.setColour(on);
    UseColorItem->setChecked(on);
    Page->update();
}

void TMyPreview::zoomFieldDone() {
    bool ok = false;
    const double z = ZoomEdit->text().trimmed().toDouble(&ok);
    if (ok && std::isfinite(z) && std::abs(z - view_.zoom()) > 1e-9) setZoom(z);
}

void TMyPreview::pageFieldDone() {
    bool ok = false;
    const int n = PageEdit->text().trimmed().toInt(&ok);
    if (ok && n != view_.currentPage()) goToPage(n);
    pageChanged();  // a page that is not there puts the current one back in the field
}

// --- Printing

bool TMyPreview::printPages(int first, int last) {
    if (PrintJob::inProgress()) {
        context_.ui.message(
            {QStringLiteral("Error"),
             QStringLiteral("Previous print job has not yet finished.  Try again later."),
             Buttons::Ok, Answer::Ok, MessageIcon::Error, false});
        return false;
    }
    ReportDevice device;
    if (!device.open(context_.settings, context_.ui, context_.tablePath, context_.programFolder))
        return false;
    QString why;
    const bool ok = stream_.print(device.printer(), first, last, 1, &why);
    if (!ok)
        context_.ui.error(why.isEmpty() ? QStringLiteral("The report could not be printed.") : why);
    return device.finish(ok, context_.ui) && ok;
}

void TMyPreview::PrintPage() {
    printPages(view_.currentPage(), view_.currentPage());
}
void TMyPreview::PrintReport() {
    printPages(1, view_.pageCount());
}

void TMyPreview::PrintRange() {
    if (PrintJob::inProgress()) {
        printPages(0, 0);  // says the previous job has not finished
        return;
    }
    TPrintRange range(view_.pageCount(), context_.ui, this);
    if (range.exec() == QDialog::Accepted) printPages(range.firstPage(), range.lastPage());
}

void TMyPreview::done(int result) {
    data::ReportSettings& s = context_.settings;
    const QRect r = geometry();
    s.viewerLeft = r.left();
    s.viewerTop = r.top();
    s.viewerWidth = r.width();
    s.viewerHeight = r.height();
    QDialog::done(result);
}

}  // namespace vz::reports
