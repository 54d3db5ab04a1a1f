#include "search/TMyLocateDlg.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "common/HelpKeys.h"
#include "data/Settings.h"
#include "main/ApplyColours.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"
#include "search/TMyLocateDialog.h"

namespace vz::search {

TMyLocateDlg::TMyLocateDlg(const data::DatabaseSettings& settings, const QString& caption,
                           QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("MyLocateDlg"));
    setWindowTitle(caption);
    setHelpTopic(this, QStringLiteral("Locate Field Value"));
    resize(380, 262);

    auto* type = new QGroupBox(QStringLiteral("&Search Type"), this);
    type->setGeometry(8, 8, 364, 92);
    CaseSensitiveCheckBox = new QCheckBox(QStringLiteral("&Case-sensitive"), type);
    CaseSensitiveCheckBox->setObjectName(QStringLiteral("CaseSensitiveCheckBox"));
    CaseSensitiveCheckBox->setGeometry(8, 20, 150, 20);
    ExactMatchBtn = new QRadioButton(QStringLiteral("&Exact Match"), type);
    ExactMatchBtn->setObjectName(QStringLiteral("ExactMatchBtn"));
    ExactMatchBtn->setGeometry(170, 20, 190, 20);
    PartialMatchStartBtn = new QRadioButton(QStringLiteral("&Partial Match at Beginning"), type);
    PartialMatchStartBtn->setObjectName(QStringLiteral("PartialMatchStartBtn"));
    PartialMatchStartBtn->setGeometry(170, 44, 190, 20);
    PartialMatchAnyBtn = new QRadioButton(QStringLiteral("Partial Match &Anywhere"), type);
    PartialMatchAnyBtn->setObjectName(QStringLiteral("PartialMatchAnyBtn"));
    PartialMatchAnyBtn->setGeometry(170, 68, 190, 20);

    auto* fieldGroup = new QGroupBox(QStringLiteral("&Field To Search On"), this);
    fieldGroup->setGeometry(8, 106, 364, 52);
    FieldNameComboBox = new QComboBox(fieldGroup);
    FieldNameComboBox->setObjectName(QStringLiteral("FieldNameComboBox"));
    FieldNameComboBox->setEditable(false);
    FieldNameComboBox->setGeometry(8, 20, 348, 24);
    type->setFocusProxy(CaseSensitiveCheckBox);
    fieldGroup->setFocusProxy(FieldNameComboBox);

    auto* valueGroup = new QGroupBox(QStringLiteral("Search &Value"), this);
    valueGroup->setGeometry(8, 164, 364, 52);
    SearchValue = new QLineEdit(valueGroup);
    SearchValue->setObjectName(QStringLiteral("SearchValue"));
    SearchValue->setMaxLength(TMyLocateDialog::kMaxValueLength);
    SearchValue->setGeometry(8, 20, 348, 24);
    valueGroup->setFocusProxy(SearchValue);

    FirstButton = new QPushButton(QStringLiteral("Fi&rst"), this);
    FirstButton->setObjectName(QStringLiteral("FirstButton"));
    FirstButton->setGeometry(8, 224, 110, 32);
    NextButton = new QPushButton(QStringLiteral("&Next"), this);
    NextButton->setObjectName(QStringLiteral("NextButton"));
    NextButton->setGeometry(135, 224, 110, 32);
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(262, 224, 110, 32);
    for (QPushButton* b : {FirstButton, NextButton, BitBtn1}) b->setAutoDefault(false);
    connect(FirstButton, &QPushButton::clicked, this, [this] { FirstButtonClick(); });
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(FieldNameComboBox, qOverload<int>(&QComboBox::activated), this,
            [this] { fieldChosen(); });
    FieldNameComboBox->installEventFilter(this);
    FieldNameComboBox->view()->installEventFilter(this);
    setNextDefault(true);
}

void TMyLocateDlg::setFields(const QStringList& captions) {
    FieldNameComboBox->clear();
    FieldNameComboBox->addItems(captions);
    FieldNameComboBox->setCurrentIndex(-1);
}

QString TMyLocateDlg::fieldCaption() const {
    return FieldNameComboBox->currentText();
}

void TMyLocateDlg::selectField(const QString& caption) {
    FieldNameComboBox->setCurrentIndex(caption.isEmpty() ? -1
                                                         : FieldNameComboBox->findText(caption));
    chosenField_ = FieldNameComboBox->currentIndex();
}

QString TMyLocateDlg::value() const {
    return SearchValue->text();
}
void TMyLocateDlg::setValue(const QString& value) {
    SearchValue->setText(value);
}
bool TMyLocateDlg::caseSensitive() const {
    return CaseSensitiveCheckBox->isChecked();
}
void TMyLocateDlg::setCaseSensitive(bool on) {
    CaseSensitiveCheckBox->setChecked(on);
}

LocateMatch TMyLocateDlg::match() const {
    if (ExactMatchBtn->isChecked()) return LocateMatch::Exact;
    if (PartialMatchAnyBtn->isChecked()) return LocateMatch::PartialAny;
    return LocateMatch::PartialStart;
}

void TMyLocateDlg::setMatch(LocateMatch m) {
    ExactMatchBtn->setChecked(m == LocateMatch::Exact);
    PartialMatchStartBtn->setChecked(m == LocateMatch::PartialStart);
    PartialMatchAnyBtn->setChecked(m == LocateMatch::PartialAny);
}

void TMyLocateDlg::setNextDefault(bool next) {
    nextDefault_ = next;
    NextButton->setDefault(next);
    FirstButton->setDefault(!next);
}

bool TMyLocateDlg::nextIsDefault() const {
    return NextButton->isDefault();
}
bool TMyLocateDlg::firstIsDefault() const {
    return FirstButton->isDefault();
}

void TMyLocateDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    mainwin::showNewWindow(this, &settings_, mainwin::screenScale().factor());
    setFixedSize(size());
    mainwin::applyColourSet(this, settings_.colourSet(data::WindowGroup::Configure));
    SearchValue->setFocus(Qt::OtherFocusReason);
}

bool TMyLocateDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FieldNameComboBox) {
        // While the field list has the focus, Enter starts no locate.
        if (event->type() == QEvent::FocusIn) {
            NextButton->setDefault(false);
            FirstButton->setDefault(false);
        } else if (event->type() == QEvent::FocusOut) {
            setNextDefault(nextDefault_);
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
        }
    } else if (watched == FieldNameComboBox->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter in the dropped-down list takes the entry, closes the list and moves on to the
            // value box.
            const QModelIndex index = FieldNameComboBox->view()->currentIndex();
            if (index.isValid()) FieldNameComboBox->setCurrentIndex(index.row());
            FieldNameComboBox->hidePopup();
            if (FieldNameComboBox->currentIndex() != chosenField_) SearchValue->clear();
            chosenField_ = FieldNameComboBox->currentIndex();
            SearchValue->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMyLocateDlg::fieldChosen() {
    if (FieldNameComboBox->currentIndex() == chosenField_) return;
    chosenField_ = FieldNameComboBox->currentIndex();
    SearchValue->clear();
    if (!FieldNameComboBox->view()->isVisible()) SearchValue->setFocus(Qt::OtherFocusReason);
}

void TMyLocateDlg::locate(bool fromFirst) {
    if (onLocate && onLocate(fromFirst)) accept();
}

}  // namespace vz::search
