#include "search/TSearchOptions.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>

#include "common/HelpKeys.h"
#include "data/Settings.h"
#include "main/ApplyColours.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::search {

TSearchOptions::TSearchOptions(const data::DatabaseSettings& settings, const QString& caption,
                               QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("SearchOptions"));
    setWindowTitle(QStringLiteral("Search Options"));
    setHelpTopic(this, QStringLiteral("Search Options"));
    resize(240, 292);
    FieldNameLabel = new QLabel(caption, this);
    FieldNameLabel->setObjectName(QStringLiteral("FieldNameLabel"));
    FieldNameLabel->setAlignment(Qt::AlignCenter);
    FieldNameLabel->setAutoFillBackground(true);
    FieldNameLabel->setGeometry(8, 8, 224, 22);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setGeometry(8, 36, 224, 200);
    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(8, 244, 108, 40);
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(124, 244, 108, 40);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

QStringList TSearchOptions::operatorChoices() {
    return {QStringLiteral(" = "), QStringLiteral(" > "), QStringLiteral(" < "),
            QStringLiteral(" > X < ")};
}

void TSearchOptions::loadOperators(RowOperator current) {
    operatorMode_ = true;
    ListBox1->clear();
    ListBox1->addItems(operatorChoices());
    ListBox1->setCurrentRow(int(current) - 1);
}

void TSearchOptions::LoadList(const QStringList& entries) {
    operatorMode_ = false;
    ListBox1->clear();
    ListBox1->addItems(entries);
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
}

int TSearchOptions::selectedIndex() const {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.first());
}

QString TSearchOptions::selectedText() const {
    const int i = selectedIndex();
    return i < 0 ? QString() : ListBox1->item(i)->text();
}

void TSearchOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TSearchOptions::FormShow() {
    mainwin::showNewWindow(this, &settings_, mainwin::screenScale().factor());
    setFixedSize(size());
    mainwin::applyColourSet(this, settings_.colourSet(data::WindowGroup::Search));
}

}  // namespace vz::search
