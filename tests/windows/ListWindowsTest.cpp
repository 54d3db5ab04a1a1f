#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTimer>

#include "common/ScriptedInteraction.h"
#include "data/ListFile.h"
#include "edit/TMyEditBox.h"
#include "edit/TMyMiscellaneous.h"
#include "app/Program.h"

using namespace vz;

namespace {

struct Fixture {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    mainwin::Program program{dir.path(), dir.filePath("DUZEZIVA.INI"), ui};

    Fixture() { EXPECT_TRUE(program.startUp()); }
    QString programFile(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QStringList fileEntries(const QString& path) const { return data::readListFile(path).entries; }
};

QStringList listed(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
    return texts;
}

QStringList selected(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected()) texts << list->item(row)->text();
    return texts;
}

}  // namespace

// "Łódź" was taken, shown, and written to the list file as "?ód?". It is refused by name and
// stays in the box to be corrected.
TEST(ListEditorWindow, TextTheListFileCannotHoldIsRefusedWithAMessage) {
    Fixture f;
    f.program.lists().model(data::DataList::Country)->setStringList({"Peru"});
    edit::TMyEditBox window(f.program, data::DataList::Country);
    window.show();
    const QString lodz = QString::fromUtf8("\xc5\x81\xc3\xb3\x64\xc5\xba");
    window.AddInfo->setText(lodz);
    window.AddButton->click();
    ASSERT_EQ(f.ui.messages().size(), 1u);
    EXPECT_EQ(f.ui.messages()[0].caption, "Error");
    EXPECT_TRUE(f.ui.messages()[0].text.contains(QString::fromUtf8("\"\xc5\x81\" (U+0141)")))
        << f.ui.messages()[0].text.toStdString();
    EXPECT_EQ(window.AddInfo->text(), lodz);
    EXPECT_EQ(listed(window.TheList), (QStringList{"Peru"}));
    window.OkButton->click();
    EXPECT_EQ(f.fileEntries(f.program.lists().baseName() + ".001"), (QStringList{"Peru"}));
}

TEST(ListEditorWindow, OkHandsTheEntriesToTheSharedListAndSavesTheDatabaseLists) {
    Fixture f;
    QStringListModel* model = f.program.lists().model(data::DataList::Condition);
    model->setStringList({"Used", "Mint"});

    edit::TMyEditBox window(f.program, data::DataList::Condition);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Edit \"Condition\" List");
    EXPECT_EQ(window.AddInfo->maxLength(), 9);
    EXPECT_EQ(window.TheList->currentRow(), 0);

    window.AddInfo->setText("  ");
    window.AddButton->click();
    window.AddInfo->setText(" Mint ");
    window.AddButton->click();
    EXPECT_TRUE(window.AddInfo->text().isEmpty());
    EXPECT_EQ(listed(window.TheList), (QStringList{"Used", "Mint", "Mint"}));
    // Nothing reaches the shared list before Ok.
    EXPECT_EQ(model->stringList(), (QStringList{"Used", "Mint"}));

    f.ui.answers.push_back(Answer::Yes);
    window.SortButton->click();
    ASSERT_EQ(f.ui.messages().size(), 1u);
    EXPECT_EQ(f.ui.messages()[0].caption, "Confirm");
    EXPECT_EQ(f.ui.messages()[0].text, "Are you sure you want to sort the data?  Sorting cannot be undone.");
    EXPECT_EQ(f.ui.messages()[0].defaultButton, Answer::Yes);
    EXPECT_EQ(listed(window.TheList), (QStringList{"Mint", "Mint", "Used"}));

    window.TheList->setCurrentRow(2);
    window.DeleteButton->click();
    EXPECT_EQ(listed(window.TheList), (QStringList{"Mint", "Mint"}));
    EXPECT_EQ(window.TheList->currentRow(), 1);

    window.OkButton->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(model->stringList(), (QStringList{"Mint", "Mint"}));
    const QString base = f.program.lists().baseName();
    EXPECT_EQ(f.fileEntries(base + ".003"), (QStringList{"Mint", "Mint"}));
    EXPECT_TRUE(QFile::exists(base + ".001"));
}

TEST(ListEditorWindow, CancelAfterSortChangesNothing) {
    Fixture f;
    QStringListModel* model = f.program.lists().model(data::DataList::Gum);
    model->setStringList({"b", "a"});
    const QString base = f.program.lists().baseName();
    QFile::remove(base + ".007");

    edit::TMyEditBox window(f.program, data::DataList::Gum);
    window.show();
    f.ui.answers.push_back(Answer::Yes);
    window.SortButton->click();
    window.CancelButton->click();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(model->stringList(), (QStringList{"b", "a"}));
    EXPECT_FALSE(QFile::exists(base + ".007"));

    // Answering No to the question leaves the order alone.
    edit::TMyEditBox again(f.program, data::DataList::Gum);
    f.ui.answers.push_back(Answer::No);
    again.SortButton->click();
    EXPECT_EQ(listed(again.TheList), (QStringList{"b", "a"}));
}

TEST(ListEditorWindow, FaultsOkRewritesItsFileAndTheNineDatabaseLists) {
    Fixture f;
    ASSERT_EQ(data::writeListFile(f.programFile("FAULTS.LST"), {"thin", "crease"}).outcome,
              data::ListFileWrite::Outcome::Written);
    f.program.lists().model(data::DataList::Hinged)->setStringList({"NH"});

    edit::TMyEditBox window(f.program, data::DataList::Faults);
    EXPECT_EQ(window.windowTitle(), "Edit \"Faults\" List");
    EXPECT_EQ(listed(window.TheList), (QStringList{"thin", "crease"}));
    window.AddInfo->setText("toned");
    window.AddButton->click();
    window.OkButton->click();

    EXPECT_EQ(f.fileEntries(f.programFile("FAULTS.LST")), (QStringList{"thin", "crease", "toned"}));
    EXPECT_EQ(f.fileEntries(f.program.lists().baseName() + ".009"), (QStringList{"NH"}));
}

TEST(ListEditorWindow, RunsModallyFromTheMenuEntryPoint) {
    Fixture f;
    f.program.lists().model(data::DataList::Topic)->setStringList({"Ships"});
    QTimer::singleShot(0, [] {
        auto* window = qobject_cast<edit::TMyEditBox*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        window->AddInfo->setText("Birds");
        window->AddButton->click();
        window->OkButton->click();
    });
    EXPECT_TRUE(edit::runListEditor(nullptr, f.program, data::DataList::Topic));
    EXPECT_EQ(f.program.lists().model(data::DataList::Topic)->stringList(), (QStringList{"Ships", "Birds"}));
}

TEST(ValueSelectionWindow, OpensWithTheBoxValuesSelectedAndJoinsThemOnOk) {
    Fixture f;
    ASSERT_EQ(data::writeListFile(f.programFile("MISC.LST"), {"Used", "Mint", "cover"}).outcome,
              data::ListFileWrite::Outcome::Written);
    edit::TMyMiscellaneous window(f.program, data::DataList::Miscellaneous, "Mint, Used, Plate Block", 110);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Miscellaneous");
    EXPECT_EQ(listed(window.TheList), (QStringList{"cover", "Mint", "Plate Block", "Used"}));
    EXPECT_EQ(selected(window.TheList), (QStringList{"Mint", "Plate Block", "Used"}));

    window.OkButton->click();
    ASSERT_TRUE(window.joinedText().has_value());
    EXPECT_EQ(*window.joinedText(), "Mint, Plate Block, Used");
    // The added value stays out of the file.
    EXPECT_EQ(f.fileEntries(f.programFile("MISC.LST")), (QStringList{"Used", "Mint", "cover"}));
}

TEST(ValueSelectionWindow, ASelectionTooLongForTheFieldIsRefusedNotCut) {
    Fixture f;
    ASSERT_EQ(data::writeListFile(f.programFile("FAULTS.LST"), {"short perforations", "thin spot"}).outcome,
              data::ListFileWrite::Outcome::Written);
    edit::TMyMiscellaneous window(f.program, data::DataList::Faults, "short perforations, thin spot", 20);
    window.show();
    window.OkButton->click();
    EXPECT_FALSE(window.joinedText().has_value());
    ASSERT_EQ(f.ui.messages().size(), 1u);
    EXPECT_EQ(f.ui.messages()[0].caption, "Error");
    EXPECT_EQ(f.ui.messages()[0].text,
              "The selected values take 29 characters, but the Faults field holds only 20.  "
              "Please select fewer values.");

    window.TheList->item(1)->setSelected(false);
    window.OkButton->click();
    ASSERT_TRUE(window.joinedText().has_value());
    EXPECT_EQ(*window.joinedText(), "short perforations");
}

TEST(ValueSelectionWindow, CancelKeepsTheBoxAndNothingSelectedEmptiesIt) {
    Fixture f;
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("CancelButton")->click(); });
    EXPECT_EQ(edit::selectValues(nullptr, f.program, data::DataList::Faults, "thin", 90), std::nullopt);

    QTimer::singleShot(0, [] {
        auto* window = qobject_cast<edit::TMyMiscellaneous*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        window->TheList->clearSelection();
        window->OkButton->click();
    });
    EXPECT_EQ(edit::selectValues(nullptr, f.program, data::DataList::Faults, "thin", 90), QString());
}
