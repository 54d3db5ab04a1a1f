// TSearchOptions: the small pick list the search window opens from a row's button cell, either to
// choose the row's comparison operator (operator mode) or to pick a criterion from the field's
// data list (list mode). Created for one use; the search window applies the choice.
#pragma once

#include <QDialog>
#include <QStringList>

#include "search/SearchItems.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace vz::data {
struct DatabaseSettings;
}

namespace vz::search {

class TSearchOptions : public QDialog {
    Q_OBJECT
public:
    // `settings` gives the fonts and the "Search Window Color" set; it must outlive the window.
    TSearchOptions(const data::DatabaseSettings& settings, const QString& caption,
                   QWidget* parent = nullptr);

    // Operator mode: the four operators, with `current` selected.
    void loadOperators(RowOperator current);
    // List mode: every entry of `entries`, in order, nothing selected.
    void LoadList(const QStringList& entries);
    bool operatorMode() const { return operatorMode_; }

    QListWidget* list() const { return ListBox1; }
    // The selected entry's position (0 first), -1 when none.
    int selectedIndex() const;
    QString selectedText() const;

    // The operator choice texts, in the order of the operator codes 1 to 4.
    static QStringList operatorChoices();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    const data::DatabaseSettings& settings_;
    bool operatorMode_ = false;
    QLabel* FieldNameLabel = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

}  // namespace vz::search
