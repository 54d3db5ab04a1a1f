// What the desktop program makes of its arguments, and a collection named on the command line
// opened at start-up in place of the one used last.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TempFolder.h"
#include "common/ScriptedInteraction.h"
#include "main/CommandLine.h"
#include "app/Program.h"

using namespace vz;
using mainwin::parseCommandLine;

TEST(CommandLine, BrowseModeFirstThenOneCollection) {
    EXPECT_TRUE(parseCommandLine({}).database.isEmpty());

    const mainwin::CommandLine named = parseCommandLine({"/home/ann/stamps/MINE.DBF"});
    EXPECT_FALSE(named.browseOnly);
    EXPECT_EQ(named.database, "/home/ann/stamps/MINE.DBF");  // an absolute path is not an option
    EXPECT_TRUE(named.error.isEmpty());

    const mainwin::CommandLine browse = parseCommandLine({"/browse", "MINE.DBF"});
    EXPECT_TRUE(browse.browseOnly);
    EXPECT_EQ(browse.database, "MINE.DBF");
    // "/BROWSE" counts only first; later it is a file name.
    EXPECT_FALSE(parseCommandLine({"MINE.DBF", "/BROWSE"}).error.isEmpty());

    EXPECT_FALSE(parseCommandLine({"A.DBF", "B.DBF"}).error.isEmpty());
    EXPECT_FALSE(parseCommandLine({"--frobnicate"}).error.isEmpty());
    EXPECT_EQ(parseCommandLine({"--", "-odd.DBF"}).database, "-odd.DBF");
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
    EXPECT_TRUE(parseCommandLine({"MINE.DBF", "--help"}).help);
    EXPECT_TRUE(mainwin::versionLine("vazovi").startsWith("vazovi (Kestrelhouse Vazovi 97) "));
}

namespace {

// Starts a program over `dir` whose last database is `last`, asked to open `named`.
struct StartRun {
    ScriptedInteraction ui;
    mainwin::Program program;
    bool started;
    StartRun(const test::TempFolder& dir, const QString& named)
        : program(dir.path(), dir.file("config/DUZEZIVA.INI"), ui) {
        program.setStartDatabase(named);
        started = program.startUp();
    }
};

// Makes MASTER.DBF (the first run's collection) and MINE.DBF, and leaves MASTER.DBF the last
// database.
void makeTwoCollections(const test::TempFolder& dir) {
    ScriptedInteraction ui;
    mainwin::Program first(dir.path(), dir.file("config/DUZEZIVA.INI"), ui);
    ASSERT_TRUE(first.startUp());
    ui.fileNames.push_back(dir.file("MINE.DBF"));
    first.database().DoNew();
    ui.fileNames.push_back(dir.file("MASTER.DBF"));
    first.database().DoOpen();
    first.shutDown();
    ASSERT_EQ(first.lastDatabase(), dir.file("MASTER.DBF"));
}

}  // namespace

TEST(CommandLine, TheNamedCollectionOpensAndTheLastOneMovesToRecentFiles) {
    test::TempFolder dir;
    makeTwoCollections(dir);
    // Named relative to the current folder, as a shell passes it.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    StartRun run(dir, "MINE.DBF");
    QDir::setCurrent(before);
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.ui.messages().empty());
    EXPECT_EQ(run.program.database().baseName(), dir.file("MINE"));
    EXPECT_EQ(run.program.lastDatabase(), dir.file("MINE.DBF"));
    EXPECT_EQ(run.program.recentFiles().entry(0), dir.file("MASTER.DBF"));
}

TEST(CommandLine, AMissingOrForeignFileIsReportedAndTheLastCollectionOpens) {
    test::TempFolder dir;
    makeTwoCollections(dir);
    QFile notes(dir.file("NOTES.TXT"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a table");
    notes.close();
    QFile foreign(dir.file("OTHER.DBF"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("not a table either");
    foreign.close();

    for (const QString& named :
         {dir.file("GONE.DBF"), dir.file("NOTES.TXT"), dir.file("OTHER.DBF")}) {
        SCOPED_TRACE(named.toStdString());
        StartRun run(dir, named);
        ASSERT_TRUE(run.started);
        ASSERT_FALSE(run.ui.messages().empty());
        EXPECT_EQ(run.program.database().baseName(), dir.file("MASTER"));
        EXPECT_EQ(run.program.lastDatabase(), dir.file("MASTER.DBF"));
        EXPECT_TRUE(run.program.recentFiles().entry(0).isEmpty() ||
                    run.program.recentFiles().entry(0) == dir.file("MINE.DBF"));
    }
    StartRun gone(dir, dir.file("GONE.DBF"));
    EXPECT_TRUE(gone.ui.messages().front().text.contains(dir.file("GONE.DBF")));
}
