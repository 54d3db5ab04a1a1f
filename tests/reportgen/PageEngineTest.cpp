#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <functional>
#include <limits>

#include "reports/PageEngine.h"
#include "reports/PageStream.h"

using namespace vz::reports;

namespace {

PageFont arial(double points) {
    PageFont f;
    f.points = points;
    return f;
}

// A job that runs one step on its only page.
struct OnePage : PageJob {
    std::function<void(PageEngine&)> step;
    bool page(PageEngine& e) override {
        step(e);
        return false;
    }
};

}  // namespace

TEST(PageEngine, TabCellsFollowOneAnotherUnlessPlaced) {
    PageStream stream;
    PageEngine e(stream);
    e.setMargins(0.5, 0.5, 0.75, 0.5);
    e.addTab(Justify::Left, 1.0, 2, 0, 0);
    e.addTab(Justify::Right, 2.0, 10, kBorderAll, 0);
    e.addTab(Justify::Centre, 0.01, 2, 0, 0);
    EXPECT_EQ(e.tabCount(), 3);
    EXPECT_DOUBLE_EQ(e.tabUsableWidth(0), 0.96);
    EXPECT_DOUBLE_EQ(e.tabUsableWidth(1), 1.8);
    EXPECT_DOUBLE_EQ(e.tabUsableWidth(2), 0);  // narrower than its margins: no room, not negative
    EXPECT_DOUBLE_EQ(e.tabUsableWidth(3), 0);
    e.clearTabs();
    EXPECT_EQ(e.tabCount(), 0);
}

TEST(PageEngine, LinesLeftCountsWholeLinesAndNeverDividesByZero) {
    PageStream stream;
    PageEngine e(stream);
    e.setFont(arial(10));
    const double h = e.lineHeight();
    e.setSectionTop(1);
    e.setSectionBottom(1 + 3.5 * h);
    e.gotoSectionTop();
    EXPECT_EQ(e.linesLeft(), 3);
    e.endLine();
    e.endLine();
    e.endLine();
    EXPECT_EQ(e.linesLeft(), 0);
    e.endLine();
    EXPECT_EQ(e.linesLeft(), 0);  // past the bottom: none left, not a negative count

    e.setFont(arial(0));
    EXPECT_GE(e.lineHeight(), PageEngine::kMinLineHeight);
    e.setFont(arial(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_GT(e.lineHeight(), 0);
}

TEST(PageEngine, EndLineMovesByTheTallestFontOnTheLine) {
    PageStream stream;
    PageEngine e(stream);
    OnePage job;
    double small = 0, large = 0, moved = 0;
    job.step = [&](PageEngine& e) {
        e.setFont(arial(8));
        small = e.lineHeight();
        e.setFont(arial(20));
        large = e.lineHeight();
        e.setSectionTop(1);
        e.gotoSectionTop();
        e.addTab(Justify::Left, 2, 2, 0, 0);
        e.printTabs("Big");
        e.setFont(arial(8));
        e.endLine();
        moved = e.position() - 1;
    };
    ASSERT_EQ(e.run(job), PageEngine::Outcome::Completed);
    EXPECT_GT(large, small);
    EXPECT_DOUBLE_EQ(moved, large);
}

// A right-justified cell puts its text against the cell's right edge less the inner margin.
TEST(PageEngine, RightJustifiedTextEndsAtTheInnerMargin) {
    PageStream stream;
    PageEngine e(stream);
    OnePage job;
    job.step = [](PageEngine& e) {
        e.setFont(arial(12));
        e.setSectionTop(2);
        e.gotoSectionTop();
        e.addTab(Justify::Left, 1.0, 2, 0, 0, 1.0);
        e.addTab(Justify::Right, 2.0, 10, 0, 0);
        e.printTabs("\tMMMM");
    };
    ASSERT_EQ(e.run(job), PageEngine::Outcome::Completed);
    ASSERT_EQ(stream.pageCount(), 1);
    QImage image(850, 1100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        stream.drawPage(p, 1, QPointF(0, 0), 100);  // 100 pixels per inch
    }
    int rightmost = -1, leftmost = 10000;
    for (int y = 150; y < 300; ++y)
        for (int x = 0; x < 850; ++x)
            if (qGray(image.pixel(x, y)) < 128) rightmost = std::max(rightmost, x), leftmost = std::min(leftmost, x);
    // The second cell runs from 2 to 4 inches; text ends at 4 - 0.1 inch.
    EXPECT_NEAR(rightmost, 390, 3);
    EXPECT_GT(leftmost, 200);
}

TEST(PageEngine, StatusTextFillsThePattern) {
    PageStream stream;
    PageEngine e(stream);
    e.setStatusPattern("Printing Page %p\r%0\r%1");
    e.setStatusLine(0, "Full Report");
    OnePage job;
    QString seen;
    job.step = [&](PageEngine& e) { seen = e.statusText(); };
    ASSERT_EQ(e.run(job), PageEngine::Outcome::Completed);
    EXPECT_EQ(seen, "Printing Page 1\nFull Report");
}

namespace {

// Records `count` pages, page k holding one black square k tenths of an inch from the left.
void recordSquares(PageStream& stream, int count) {
    ASSERT_TRUE(stream.begin());
    for (int k = 1; k <= count; ++k) {
        if (k > 1) {
            ASSERT_TRUE(stream.newPage());
        }
        const double dpi = stream.resolution();
        stream.painter().fillRect(QRectF(k * dpi / 10, dpi, dpi / 20, dpi / 20), Qt::black);
    }
    ASSERT_TRUE(stream.end());
}

// The tenth of an inch, from the left, where page `number` drawn at 100 pixels an inch is black.
int squareOf(const PageStream& stream, int number) {
    QImage image(900, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    stream.drawPage(p, number, QPointF(0, 0), 100);
    p.end();
    for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, 102)) < 128) return (x + 2) / 10;
    return 0;
}

}  // namespace

TEST(PageStream, EveryPageComesBackAsRecordedWhereverItIsKept) {
    PageStream stream;
    recordSquares(stream, 80);
    EXPECT_EQ(stream.finishedPages(), 80);
    for (int number : {1, 2, 40, 80, 2, 1}) EXPECT_EQ(squareOf(stream, number), number);
    EXPECT_EQ(squareOf(stream, 81), 0);  // past the end: nothing drawn

    // With no temporary folder to spool into, pages stay in memory and read back the same.
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent-folder-for-page-spool");
    PageStream inMemory;
    recordSquares(inMemory, 12);
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
    for (int number : {12, 3, 1}) EXPECT_EQ(squareOf(inMemory, number), number);

    // A new job starts from no pages.
    recordSquares(stream, 3);
    EXPECT_EQ(stream.finishedPages(), 3);
    EXPECT_EQ(squareOf(stream, 3), 3);
}
