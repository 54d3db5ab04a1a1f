// Outputs are never written over the files a collection or the program lives on.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TempFolder.h"
#include "common/FileReplacement.h"
#include "common/ProgramFolder.h"
#include "data/OwnFiles.h"

using namespace vz;
using namespace vz::data;

namespace {

void touch(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(OwnFiles, TheCollectionsAndTheProgramsFilesAreRefusedUnderEveryName) {
    test::TempFolder coll, program, config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QString table = coll.file("A.B.DBF");
    touch(table);
    touch(coll.file("A.B.MDX"));
    ASSERT_TRUE(QDir(coll.path()).mkdir("sub"));
    ASSERT_EQ(::link(QFile::encodeName(table).constData(),
                     QFile::encodeName(coll.file("sub/hard")).constData()),
              0);

    for (const char* name : {"A.B.DBF", "a.b.dbf", "A.B.MDX", "A.B.mdx", "A.B.INI", "A.B.001",
                             "A.B.009", "A.INI", "A.005", "sub/../A.B.DBF", "sub/hard"})
        EXPECT_FALSE(protectedFileReason(coll.file(name), table, program.path()).isEmpty()) << name;
    for (const char* name : {"DUZEZIVA.URP", "STAMP.URP", "COUNTRY.LST", "FAULTS.LST", "MISC.LST"})
        EXPECT_FALSE(protectedFileReason(program.file(name), table, program.path()).isEmpty())
            << name;
    EXPECT_TRUE(
        protectedFileReason(globalSettingsPath(), QString(), QString()).contains("settings file"));
    EXPECT_TRUE(protectedFileReason(coll.file("A.B.MDX"), table, QString())
                    .contains("the index of A.B.DBF"));

    for (const char* name : {"A.B.txt", "A.B.pdf", "A.B.010", "A.C.INI", "B.INI", "sub/A.B.INI"})
        EXPECT_EQ(protectedFileReason(coll.file(name), table, program.path()), QString()) << name;
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(FileReplacement, TheOldFileStaysUntilTheNewOneIsCommitted) {
    test::TempFolder dir;
    const QString target = dir.file("out.pdf");
    touch(target, "old");
    ASSERT_TRUE(QFile::link(target, dir.file("link.pdf")));
    {
        FileReplacement unfinished(dir.file("link.pdf"));
        ASSERT_FALSE(unfinished.tempPath().isEmpty());
        touch(unfinished.tempPath(), "half");
    }
    EXPECT_EQ(bytesOf(target), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
    {
        FileReplacement done(dir.file("link.pdf"));
        touch(done.tempPath(), "new");
        EXPECT_EQ(bytesOf(target), "old");
        ASSERT_TRUE(done.commit()) << done.error().toStdString();
    }
    EXPECT_EQ(bytesOf(target), "new");
    EXPECT_TRUE(QFileInfo(dir.file("link.pdf")).isSymLink());

    FileReplacement nowhere(dir.file("no/such/folder/x.pdf"));
    EXPECT_TRUE(nowhere.tempPath().isEmpty());
    EXPECT_TRUE(nowhere.error().contains("x.pdf"));
    EXPECT_FALSE(nowhere.commit());
}

}  // namespace
