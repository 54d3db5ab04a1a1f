#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "common/PrintJob.h"
#include "reports/PageEngine.h"
#include "reports/PageStream.h"
#include "reports/PageStreamView.h"

using namespace vz::reports;

namespace {

// Three Letter pages, each with a black bar one line high across its top.
struct ThreePages : PageJob {
    bool page(PageEngine& e) override {
        e.setSectionTop(0);
        e.gotoSectionTop();
        e.addTab(Justify::Left, e.pageWidth(), 0, 0, 100, 0.0);
        e.printTabs(QString());
        return e.pageNumber() < 3;
    }
};

}  // namespace

TEST(PageStreamView, PagesThroughTheStreamWithinItsPages) {
    PageStream stream;
    PageEngine engine(stream);
    ThreePages job;
    ASSERT_EQ(engine.run(job), PageEngine::Outcome::Completed);
    PageStreamView view(stream);
    EXPECT_EQ(view.pageLabel(), "Page 1 of 3");
    EXPECT_FALSE(view.previousPage());
    EXPECT_TRUE(view.nextPage());
    view.lastPage();
    EXPECT_EQ(view.currentPage(), 3);
    EXPECT_FALSE(view.nextPage());
    EXPECT_FALSE(view.goToPage(0));
    EXPECT_FALSE(view.goToPage(4));
    EXPECT_EQ(view.pageLabel(), "Page 3 of 3");

    PageStream empty;
    PageStreamView none(empty);
    EXPECT_EQ(none.currentPage(), 0);
    EXPECT_EQ(none.pageLabel(), "Page 0 of 0");
}

TEST(PageStreamView, ZoomFitsThePageAndStaysInItsRange) {
    PageStream stream;  // Letter: 8.5 x 11 inches
    PageStreamView view(stream);
    view.zoomToPageWidth(QSizeF(425, 300), 100);
    EXPECT_DOUBLE_EQ(view.zoom(), 50);
    view.zoomToWholePage(QSizeF(850, 550), 100);
    EXPECT_DOUBLE_EQ(view.zoom(), 50);  // the height decides
    view.zoomIn();
    EXPECT_DOUBLE_EQ(view.zoom(), 62.5);
    view.setZoom(1e9);
    EXPECT_DOUBLE_EQ(view.zoom(), PageStreamView::kMaxZoom);
    view.setZoom(std::nan(""));
    EXPECT_DOUBLE_EQ(view.zoom(), PageStreamView::kMaxZoom);
    view.setZoom(0);
    EXPECT_DOUBLE_EQ(view.zoom(), PageStreamView::kMinZoom);
}

// At 50 % on a 100-dpi screen the page is 425 pixels wide; without
// colour it comes out grey.
TEST(PageStreamView, PaintsTheCurrentPageAtTheZoom) {
    PageStream stream;
    PageEngine engine(stream);
    ThreePages job;
    ASSERT_EQ(engine.run(job), PageEngine::Outcome::Completed);
    PageStreamView view(stream);
    view.setZoom(50);
    EXPECT_EQ(view.pageSizePixels(100).toSize(), QSize(425, 550));
    for (bool colour : {true, false}) {
        view.setColour(colour);
        QImage image(500, 600, QImage::Format_RGB32);
        image.fill(Qt::red);
        {
            QPainter p(&image);
            view.paint(p, QPointF(0, 0), 100);
        }
        EXPECT_EQ(qGray(image.pixel(200, 3)), 0) << colour;      // the bar
        EXPECT_EQ(image.pixel(200, 100), qRgb(255, 255, 255));    // paper
        EXPECT_EQ(image.pixel(450, 100), qRgb(255, 0, 0));        // beside the page
    }
}

TEST(PageStream, PrintsNothingWhileAnotherPrintJobRuns) {
    PageStream stream;
    PageEngine engine(stream);
    ThreePages job;
    ASSERT_EQ(engine.run(job), PageEngine::Outcome::Completed);
    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath("p.pdf"));
    QString error;
    {
        vz::PrintJob other;
        EXPECT_TRUE(PageStream::printing());
        EXPECT_FALSE(stream.print(writer, 1, 3, 1, &error));
        EXPECT_EQ(error, "Previous print job has not yet finished.");
    }
    EXPECT_FALSE(stream.print(writer, 3, 2, 1, &error));  // an empty range
    EXPECT_TRUE(stream.print(writer, 1, 3, 1, &error));
    EXPECT_FALSE(PageStream::printing());
}
