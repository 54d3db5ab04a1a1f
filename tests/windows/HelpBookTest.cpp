#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// The help book as the program ships it, compiled into its resources.
QString helpBook() {
    QFile file(QStringLiteral(":/help/help.html"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

// The anchors the help window can scroll to: those Qt's own HTML reader finds in the book.
QSet<QString> anchorsOf(const QString& html) {
    QTextDocument doc;
    doc.setHtml(html);
    QSet<QString> names;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            for (const QString& n : it.fragment().charFormat().anchorNames()) names.insert(n);
    return names;
}

// The topic of a help keyword, as the help window looks it up.
QString anchorOf(const QString& keyword) {
    return keyword.isEmpty() ? QStringLiteral("contents") : keyword.trimmed().toLower().replace(' ', '-');
}

}  // namespace

TEST(HelpBook, EveryWindowKeywordLandsOnATopic) {
    const QString html = helpBook();
    ASSERT_FALSE(html.isEmpty()) << "the help book is missing from the resources";
    const QSet<QString> anchors = anchorsOf(html);
    const QStringList keywords = {
        QString(),  // the contents page
        "Main Window", "Input Window", "Search Window", "Report Window", "Export Window", "Import Window",
        "Backup and Restore", "User Defined Reports", "List Editor",
        "Viewer Configuration Title", "Viewer Configuration Look", "Viewer Configuration Show",
        "Viewer Configuration Widths", "Viewer Configuration Order", "Viewer Configuration Names",
        "Sort Order", "Color Configuration", "Search Options", "Search and Replace", "Locate", "Locate Field Value",
        "Value Selection", "Display Options", "Browse-only Mode", "Command-line Tool",
    };
    for (const QString& k : keywords)
        EXPECT_TRUE(anchors.contains(anchorOf(k))) << "no topic for \"" << k.toStdString() << "\"";
}

// Links between topics must land somewhere, and the book must stand alone: no pictures, style
// sheets or pages from outside the program.
TEST(HelpBook, LinksStayInsideTheBookAndReachTheirTopics) {
    const QString html = helpBook();
    ASSERT_FALSE(html.isEmpty());
    const QSet<QString> anchors = anchorsOf(html);
    QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    int links = 0;
    for (auto it = href.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        ++links;
        ASSERT_TRUE(target.startsWith('#')) << target.toStdString();
        EXPECT_TRUE(anchors.contains(target.mid(1))) << "broken link " << target.toStdString();
    }
    EXPECT_GT(links, 20);
    // Every anchor written must survive Qt's reading, or the help window cannot scroll to it.
    QRegularExpression name(QStringLiteral("<a name=\"([^\"]+)\""));
    for (auto it = name.globalMatch(html); it.hasNext();) {
        const QString written = it.next().captured(1);
        EXPECT_TRUE(anchors.contains(written)) << "anchor lost: " << written.toStdString();
    }
    EXPECT_FALSE(html.contains(QStringLiteral("src="), Qt::CaseInsensitive));
}
