// TMyPreview: the pages of a report recorded for viewing: paging, zoom, colour or grey, and
// printing the page in view, a range of pages or the whole report.
//
// The window may open while the job still records pages: it shows the pages finished so far,
// is told of new ones through pagesGrew() and of the end through layoutEnded(), whose note it
// shows when the job did not complete. Pages are drawn from the recorded pictures at the zoom in
// force, never scaled from a bitmap, so they stay sharp at any zoom.
#pragma once

#include <QDialog>
#include <QString>

#include "reports/PageStreamView.h"

class QAction;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace vz {
class Interaction;
}
namespace vz::data {
struct ReportSettings;
}

namespace vz::reports {

class PageStream;
class PreviewPage;

class TMyPreview : public QDialog {
    Q_OBJECT
public:
    // What the preview prints with: the report settings (printer, window place), the collection
    // table's path and the program folder (files no PDF may be written over). All must outlive
    // the window.
    struct Context {
        Interaction& ui;
        data::ReportSettings& settings;
        QString tablePath;
        QString programFolder;
    };

    TMyPreview(PageStream& stream, const QString& caption, Context context,
               QWidget* parent = nullptr);
    ~TMyPreview() override;

    // The job recorded more pages / has ended; `note` is shown when it is not empty (why the
    // report is incomplete).
    void pagesGrew();
    void layoutEnded(const QString& note);
    bool layingOut() const { return layingOut_; }

    PageStreamView& view() { return view_; }
    QString pageLabel() const;
    QString zoomText() const;
    QString note() const;

    // The commands.
    void goToPage(int number);
    void PrevPage();
    void NextPage();
    void FirstPage();
    void LastPage();
    void ZoomIn();
    void ZoomOut();
    void setZoom(double percent);
    void ZoomPageWidth();
    void ZoomWholePage();
    void UseColor(bool on);
    void PrintPage();
    void PrintReport();
    void PrintRange();
    // Prints pages `first` to `last` on the printer the settings choose; false when nothing was
    // printed (a message said why, or the collector cancelled).
    bool printPages(int first, int last);

    QLineEdit* zoomField() const { return ZoomEdit; }
    QLineEdit* pageField() const { return PageEdit; }
    QAction* colourItem() const { return UseColorItem; }

protected:
    void done(int result) override;

private:
    void buildMenus();
    void buildToolBar(QWidget* bar);
    void zoomFieldDone();
    void pageFieldDone();
    void pageChanged();
    void zoomChanged();
    QSizeF viewport() const;
    double screenDpi() const;

    PageStream& stream_;
    Context context_;
    PageStreamView view_;
    bool layingOut_ = true;
    QString note_;

    QScrollArea* Scroller = nullptr;
    PreviewPage* Page = nullptr;
    QLineEdit* ZoomEdit = nullptr;
    QLineEdit* PageEdit = nullptr;
    QLabel* PageLabel = nullptr;
    QLabel* NoteLabel = nullptr;
    QAction* UseColorItem = nullptr;
};

}  // namespace vz::reports
