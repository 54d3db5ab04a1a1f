#include "reports/TReportFonts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/HelpKeys.h"
#include "common/Interaction.h"

namespace vz::reports {

TReportFonts::TReportFonts(ReportDefinition& def, Interaction& ui, QWidget* parent)
    : QDialog(parent), def_(def), ui_(ui) {
    setWindowTitle(QStringLiteral("Report Fonts"));
    setHelpTopic(this, QStringLiteral("User Defined Reports"));
    auto* grid = new QGridLayout(this);
    const char* rows[] = {"Titles Font", "Column Header Font", "Report Body Font", "Footnote Font"};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(new QLabel(QString::fromLatin1(rows[r]), this), r, 0);
        Fields[size_t(r)] = new QLineEdit(this);
        Fields[size_t(r)]->setReadOnly(true);
        Fields[size_t(r)]->setMinimumWidth(180);
        grid->addWidget(Fields[size_t(r)], r, 1);
        auto* b = new QPushButton(QStringLiteral("New Font"), this);
        b->setAutoDefault(false);
        grid->addWidget(b, r, 2);
        connect(b, &QPushButton::clicked, this, [this, r] { NewFontClick(r); });
        show(r);
    }
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setDefault(true);
    grid->addWidget(ok, 4, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

ReportFontSpec& TReportFonts::spec(int row) {
    switch (row) {
        case 0:
            return def_.titleFont;
        case 1:
            return def_.columnHeaderFont;
        case 2:
            return def_.bodyFont;
        default:
            return def_.footnoteFont;
    }
}

void TReportFonts::show(int row) {
    const ReportFontSpec& f = spec(row);
    Fields[size_t(row)]->setText(QStringLiteral("%1 %2pt").arg(f.faceName).arg(f.size));
}

void TReportFonts::NewFontClick(int row) {
    ReportFontSpec& f = spec(row);
    QFont initial(f.faceName);
    initial.setPointSize(std::max(1, f.size));
    initial.setBold(f.bold);
    initial.setItalic(f.italic);
    initial.setUnderline(f.underline);
    initial.setStrikeOut(f.strikeout);
    const std::optional<QFont> chosen = ui_.chooseFont(initial, QStringLiteral("Font"));
    if (!chosen) return;
    f.faceName = chosen->family().left(kFaceNameLength);
    f.size = std::clamp(chosen->pointSize() > 0 ? chosen->pointSize() : f.size, kMinFontSize,
                        kMaxFontSize);
    f.bold = chosen->bold();
    f.italic = chosen->italic();
    f.underline = chosen->underline();
    f.strikeout = chosen->strikeOut();
    show(row);
}

}  // namespace vz::reports
