#include "common/FontStyleDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vz {

FontStyleDialog::FontStyleDialog(const QFont& initial, const QString& title, QWidget* parent)
    : QDialog(parent), initial_(initial) {
    setObjectName(QStringLiteral("FontStyleDialog"));
    setWindowTitle(title);

    families_ = new QListWidget(this);
    families_->setObjectName(QStringLiteral("Families"));
    QStringList names = QFontDatabase::families();
    const QString current = initial.family();
    if (!current.isEmpty() && !names.contains(current, Qt::CaseInsensitive)) names << current;
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    families_->addItems(names);
    for (int i = 0; i < families_->count(); ++i)
        if (families_->item(i)->text().compare(current, Qt::CaseInsensitive) == 0) {
            families_->setCurrentRow(i);
            break;
        }

    bold_ = new QCheckBox(QStringLiteral("&Bold"), this);
    bold_->setObjectName(QStringLiteral("Bold"));
    bold_->setChecked(initial.bold());
    italic_ = new QCheckBox(QStringLiteral("&Italic"), this);
    italic_->setObjectName(QStringLiteral("Italic"));
    italic_->setChecked(initial.italic());
    sample_ = new QLabel(QStringLiteral("AaBbYyZz 0123"), this);
    sample_->setObjectName(QStringLiteral("Sample"));
    sample_->setMinimumHeight(40);
    sample_->setAlignment(Qt::AlignCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* styles = new QVBoxLayout;
    styles->addWidget(bold_);
    styles->addWidget(italic_);
    styles->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(families_, 1);
    top->addLayout(styles);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sample_);
    layout->addWidget(buttons);

    connect(families_, &QListWidget::currentRowChanged, this, [this] { showSample(); });
    connect(bold_, &QCheckBox::toggled, this, [this] { showSample(); });
    connect(italic_, &QCheckBox::toggled, this, [this] { showSample(); });
    showSample();
    resize(420, 320);
}

QFont FontStyleDialog::chosenFont() const {
    QFont f = initial_;
    if (const QListWidgetItem* item = families_->currentItem()) f.setFamily(item->text());
    f.setBold(bold_->isChecked());
    f.setItalic(italic_->isChecked());
    return f;
}

void FontStyleDialog::showSample() {
    QFont f = chosenFont();
    f.setPointSize(12);
    sample_->setFont(f);
}

}  // namespace vz
