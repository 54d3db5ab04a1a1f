#include "edit/TMyMiscellaneous.h"

#include <QListWidget>
#include <QPushButton>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::edit {

TMyMiscellaneous::TMyMiscellaneous(mainwin::Program& program, data::DataList list, const QString& boxText,
                                   int fieldLength, QWidget* parent)
    : QDialog(parent),
      program_(program),
      selection_(program.lists().entries(list), boxText),
      fieldLength_(fieldLength) {
    setObjectName(QStringLiteral("MyMiscellaneous"));
    setHelpTopic(this, QStringLiteral("Value Selection"));
    setWindowTitle(QLatin1String(data::dataListInfo(list).title));
    setFont(QFont(QStringLiteral("Arial"), 8));
    resize(334, 376);

    TheList = new QListWidget(this);
    TheList->setObjectName(QStringLiteral("TheList"));
    TheList->setGeometry(8, 8, 318, 320);
    // Each click turns one entry's selection on or off.
    TheList->setSelectionMode(QAbstractItemView::MultiSelection);
    TheList->addItems(selection_.entries());
    for (int row = 0; row < TheList->count(); ++row) TheList->item(row)->setSelected(selection_.isSelected(row));

    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(72, 338, 89, 27);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(173, 338, 89, 27);
    for (QPushButton* b : {OkButton, CancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    connect(OkButton, &QPushButton::clicked, this, &TMyMiscellaneous::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TMyMiscellaneous::showEvent(QShowEvent* event) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    mainwin::showNewWindow(this, &program_.settings().database, mainwin::screenScale().factor());
    setFixedSize(size());
    QDialog::showEvent(event);
    TheList->setFocus();
}

void TMyMiscellaneous::OkButtonClick() {
    for (int row = 0; row < TheList->count(); ++row) selection_.setSelected(row, TheList->item(row)->isSelected());
    const JoinedValues joined = selection_.join(fieldLength_);
    if (!joined.fits()) {
        // Cutting the text would lose values without a word; the collector chooses which go.
        program_.ui().error(QStringLiteral("The selected values take %1 characters, but the %2 field holds only "
                                           "%3.  Please select fewer values.")
                                .arg(joined.text.size())
                                .arg(windowTitle())
                                .arg(joined.fieldLength));
        return;
    }
    result_ = joined.text;
    accept();
}

std::optional<QString> selectValues(QWidget* parent, mainwin::Program& program, data::DataList list,
                                    const QString& boxText, int fieldLength) {
    TMyMiscellaneous window(program, list, boxText, fieldLength, parent);
    if (window.exec() != QDialog::Accepted) return std::nullopt;
    return window.joinedText();
}

}  // namespace vz::edit
