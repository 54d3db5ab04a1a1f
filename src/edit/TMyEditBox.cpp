#include "edit/TMyEditBox.h"

#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::edit {

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& at) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(at);
    // Enter in the text box adds its entry; it must never press Ok or another button.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

TMyEditBox::TMyEditBox(mainwin::Program& program, data::DataList list, QWidget* parent)
    : QDialog(parent), program_(program), editor_(list, program.lists().entries(list)) {
    setObjectName(QStringLiteral("MyEditBox"));
    setHelpTopic(this, QStringLiteral("List Editor"));
    setWindowTitle(editor_.caption());
    setFont(QFont(QStringLiteral("Arial"), 8));
    resize(262, 442);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setGeometry(8, 8, 246, 376);

    AddInfo = new QLineEdit(this);
    AddInfo->setObjectName(QStringLiteral("AddInfo"));
    AddInfo->setGeometry(16, 16, 150, 24);
    AddInfo->setMaxLength(editor_.maxLength());
    AddButton = makeButton(this, "AddButton", QStringLiteral("&Add"), {174, 15, 72, 26});

    TheList = new QListWidget(this);
    TheList->setObjectName(QStringLiteral("TheList"));
    TheList->setGeometry(16, 48, 230, 290);
    TheList->setSelectionMode(QAbstractItemView::SingleSelection);

    DeleteButton = makeButton(this, "DeleteButton", QStringLiteral("&Delete"), {16, 346, 100, 27});
    SortButton = makeButton(this, "SortButton", QStringLiteral("&Sort"), {146, 346, 100, 27});
    OkButton = makeButton(this, "OkButton", QStringLiteral("&Ok"), {16, 400, 100, 27});
    CancelButton = makeButton(this, "CancelButton", QStringLiteral("&Cancel"), {146, 400, 100, 27});

    connect(AddButton, &QPushButton::clicked, this, &TMyEditBox::AddButtonClick);
    connect(AddInfo, &QLineEdit::returnPressed, this, &TMyEditBox::AddButtonClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TMyEditBox::DeleteButtonClick);
    connect(SortButton, &QPushButton::clicked, this, &TMyEditBox::SortButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TMyEditBox::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(TheList, &QListWidget::currentRowChanged, this, [this](int row) { editor_.setCurrent(row); });

    showEntries();
}

void TMyEditBox::showEvent(QShowEvent* event) {
    const data::DatabaseSettings& settings = program_.settings().database;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    mainwin::showNewWindow(this, &settings, mainwin::screenScale().factor());
    setFixedSize(size());
    mainwin::applyColourSet(this, settings.colourSet(data::WindowGroup::Configure));
    QDialog::showEvent(event);
    TheList->setFocus();
    if (!editor_.entries().isEmpty()) {
        editor_.setCurrent(0);
        showEntries();
    }
}

void TMyEditBox::showEntries() {
    const QSignalBlocker block(TheList);
    TheList->clear();
    TheList->addItems(editor_.entries());
    TheList->setCurrentRow(editor_.current());
    if (editor_.current() < 0) TheList->clearSelection();
}

void TMyEditBox::AddButtonClick() {
    // Text the list file cannot hold is refused by name and stays in the box to be corrected.
    if (const QString refusal = editor_.refusal(AddInfo->text()); !refusal.isEmpty()) {
        program_.ui().error(refusal);
        AddInfo->setFocus();
        return;
    }
    if (editor_.add(AddInfo->text())) {
        showEntries();
        TheList->scrollToBottom();
    }
    AddInfo->clear();
    AddInfo->setFocus();
}

void TMyEditBox::DeleteButtonClick() {
    if (editor_.current() < 0) return;
    editor_.removeCurrent();
    showEntries();
}

void TMyEditBox::SortButtonClick() {
    const Answer a = program_.ui().message({QStringLiteral("Confirm"), ListEditor::sortQuestion(), Buttons::YesNo,
                                            Answer::Yes, MessageIcon::Question, false});
    if (a != Answer::Yes) return;
    editor_.sort();
    showEntries();
}

void TMyEditBox::OkButtonClick() {
    // A file that cannot be written is left as it was; the database lists are saved regardless.
    (void)program_.lists().applyListEditor(editor_.list(), editor_.entries());
    accept();
}

bool runListEditor(QWidget* parent, mainwin::Program& program, data::DataList list) {
    TMyEditBox window(program, list, parent);
    return window.exec() == QDialog::Accepted;
}

}  // namespace vz::edit
