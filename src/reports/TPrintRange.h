// TPrintRange: the pages of a previewed report to print, first to last.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vz {
class Interaction;
}

namespace vz::reports {

class TPrintRange : public QDialog {
    Q_OBJECT
public:
    // `pageCount` pages are recorded; `ui` must outlive the window.
    TPrintRange(int pageCount, Interaction& ui, QWidget* parent = nullptr);

    // The refusal of a range, or empty when `first` to `last` is one: the first page from 1 to
    // the page count, the last from the first to the page count.
    static QString rangeProblem(const QString& first, const QString& last, int pageCount,
                                bool* firstIsWrong = nullptr);

    void PrintButtonClick();
    int firstPage() const;
    int lastPage() const;
    QLineEdit* startField() const { return StartPage; }
    QLineEdit* endField() const { return EndPage; }

private:
    int pageCount_;
    Interaction& ui_;
    QLineEdit* StartPage = nullptr;
    QLineEdit* EndPage = nullptr;
};

}  // namespace vz::reports
