// TMyLocateDlg: the locate window. It shows the locate settings, lets the collector choose the
// field, type the value and pick the match type, and asks its owner (TMyLocateDialog) to run the
// locate when First or Next is pressed. Created for each opening.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "search/Locate.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vz::data {
struct DatabaseSettings;
}

namespace vz::search {

class TMyLocateDlg : public QDialog {
    Q_OBJECT
public:
    // `settings` gives the fonts and the "Configure Window Color" set; it must outlive the window.
    TMyLocateDlg(const data::DatabaseSettings& settings, const QString& caption,
                 QWidget* parent = nullptr);

    // Asked when First (fromFirst) or Next is pressed; answers true when a record was found, and
    // the window then closes.
    std::function<bool(bool fromFirst)> onLocate;

    void setFields(const QStringList& captions);
    // The chosen field's caption; empty when none is chosen.
    QString fieldCaption() const;
    void selectField(const QString& caption);
    QString value() const;
    void setValue(const QString& value);
    bool caseSensitive() const;
    void setCaseSensitive(bool on);
    LocateMatch match() const;
    void setMatch(LocateMatch m);
    // Which button answers Enter: Next (true) or First.
    void setNextDefault(bool next);
    bool nextIsDefault() const;
    bool firstIsDefault() const;

    QComboBox* fieldList() const { return FieldNameComboBox; }
    QLineEdit* valueBox() const { return SearchValue; }

    void FirstButtonClick() { locate(true); }
    void NextButtonClick() { locate(false); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void locate(bool fromFirst);
    void fieldChosen();

    const data::DatabaseSettings& settings_;
    bool nextDefault_ = true;
    int chosenField_ = -1;  // the entry chosen last, to tell another choice
    QCheckBox* CaseSensitiveCheckBox = nullptr;
    QRadioButton* ExactMatchBtn = nullptr;
    QRadioButton* PartialMatchStartBtn = nullptr;
    QRadioButton* PartialMatchAnyBtn = nullptr;
    QComboBox* FieldNameComboBox = nullptr;
    QLineEdit* SearchValue = nullptr;
    QPushButton* FirstButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

}  // namespace vz::search
