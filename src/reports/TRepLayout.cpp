#include "reports/TRepLayout.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/HelpKeys.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "reports/TReportPart.h"

namespace vz::reports {

namespace {

constexpr int kLeft = 4, kRight = 629;
constexpr int kLinesTop = 75, kLineHeight = 20;
constexpr int kTotalsTop = 355, kTotalsBottom = 376;

QString captionOf(const ReportItem& item, const data::DatabaseSettings& settings, bool totals) {
    if (totals) return item.kind;
    for (int n = 1; n <= data::kFieldCount; ++n) {
        const auto& f = data::schemaField(n);
        if (item.kind == QString::fromLatin1(f.storedName.data(), qsizetype(f.storedName.size())))
            return settings.field(n).caption;
    }
    return item.kind;
}

void addLine(std::vector<TRepLayout::Box>& out, const ReportLine& line, int lineNumber, int top,
             int bottom, int width, const data::DatabaseSettings& settings) {
    const int used = std::max(1, usedItemCount(line));
    int sum = 0;
    int left = kLeft;
    for (int j = 0; j < used; ++j) {
        const ReportItem& item = line[size_t(j)];
        sum += std::max(0, item.width);
        const bool last = j == used - 1;
        int right = last ? kRight : kLeft + int((kRight - kLeft) * double(sum) / width);
        right = std::clamp(right, left, kRight);
        TRepLayout::Box b{lineNumber, j,         QRect(QPoint(left, top), QPoint(right, bottom)),
                          {},         Qt::black, Qt::AlignLeft};
        if (item.isFiller()) {
            b.text = QStringLiteral("Filler");
            b.colour = Qt::darkGreen;
            b.align = Qt::AlignHCenter;
        } else if (item.isLabel()) {
            b.text = item.labelText;
            b.colour = Qt::red;
            b.align = Qt::AlignRight;
        } else {
            b.text = captionOf(item, settings, lineNumber == 0);
        }
        out.push_back(b);
        left = right;
    }
}

}  // namespace

// The boxes, drawn and clicked.
class LayoutArea : public QWidget {
public:
    LayoutArea(TRepLayout& owner, const data::DatabaseSettings& settings)
        : QWidget(&owner), owner_(owner), settings_(settings) {
        setFixedSize(kRight + 8, kTotalsBottom + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(8);
        p.setFont(font);
        const QFontMetrics m(font);
        const ReportDefinition& def = owner_.copy();
        if (def.numberOfLines > 0)
            p.drawText(QPoint(kLeft, kLinesTop - 6), QStringLiteral("Report Body"));
        if (def.useTotals)
            p.drawText(QPoint(kLeft, kTotalsTop - 6), QStringLiteral("Report Totals"));
        for (const TRepLayout::Box& b : TRepLayout::boxes(def, settings_)) {
            p.fillRect(b.rect, Qt::white);
            p.setPen(Qt::black);
            p.drawRect(b.rect);
            QString text = b.text;
            Qt::Alignment align = b.align;
            const int room = b.rect.width() - 4;
            if (m.horizontalAdvance(text) > room) {
                while (!text.isEmpty() && m.horizontalAdvance(text) > room) text.chop(1);
                align = Qt::AlignLeft;
            }
            p.setPen(b.colour);
            p.drawText(b.rect.adjusted(2, 0, -2, 0), int(align | Qt::AlignVCenter), text);
        }
    }
    void mousePressEvent(QMouseEvent* e) override { pressed_ = hit(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const auto released = hit(e->position().toPoint());
        if (pressed_.first >= 0 && released == pressed_)
            owner_.editItem(released.first, released.second);
        pressed_ = {-1, -1};
    }

private:
    std::pair<int, int> hit(QPoint at) const {
        for (const TRepLayout::Box& b : TRepLayout::boxes(owner_.copy(), settings_))
            if (b.rect.contains(at)) return {b.line, b.item};
        return {-1, -1};
    }
    TRepLayout& owner_;
    const data::DatabaseSettings& settings_;
    std::pair<int, int> pressed_{-1, -1};
};

std::vector<TRepLayout::Box> TRepLayout::boxes(const ReportDefinition& def,
                                               const data::DatabaseSettings& settings) {
    std::vector<Box> out;
    const int width = def.width > 0 ? def.width : kWidth90;
    for (int l = 0; l < std::clamp(def.numberOfLines, 0, kMaxReportLines); ++l)
        addLine(out, def.reportLines[size_t(l)], l + 1, kLinesTop + kLineHeight * l,
                kLinesTop + kLineHeight * (l + 1), width, settings);
    if (def.useTotals) addLine(out, def.totalsLine, 0, kTotalsTop, kTotalsBottom, width, settings);
    return out;
}

TRepLayout::TRepLayout(ReportDefinition& def, const data::DatabaseSettings& settings,
                       Interaction& ui, QWidget* parent)
    : QDialog(parent), def_(def), settings_(settings), ui_(ui), copy_(def) {
    setWindowTitle(QStringLiteral("Specify Report Layout"));
    setHelpTopic(this, QStringLiteral("User Defined Reports"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Report: ") + def.name.left(38), this));
    layout->addWidget(new QLabel(
        QStringLiteral("Using the left mouse button, click on the area where you would like "
                       "to add or change the report layout."),
        this));
    Area = new LayoutArea(*this, settings);
    layout->addWidget(Area);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TRepLayout::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TRepLayout::editItem(int line, int item) {
    if (item < 0 || item >= kItemsPerLine || line < 0 || line > kMaxReportLines) return;
    ReportLine& target = line == 0 ? copy_.totalsLine : copy_.reportLines[size_t(line - 1)];
    TReportPart part(target, line, item, copy_.width, settings_, ui_, this);
    part.exec();
    Area->update();
}

void TRepLayout::OkButtonClick() {
    def_ = copy_;
    accept();
}

}  // namespace vz::reports
