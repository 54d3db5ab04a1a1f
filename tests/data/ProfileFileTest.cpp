#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FileSizeLimit.h"
#include "TempFolder.h"
#include "common/ProfileFile.h"

using vz::ProfileFile;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(ProfileFile, NamesMatchWithoutRegardToCaseOrBlanksAndMissingGivesTheFallback) {
    const ProfileFile p =
        ProfileFile::parse("[misc]\n  show TIPS =  yes \n[ Grid Font ]\r\nSize=\r\n");
    EXPECT_EQ(p.value("MISC", "Show Tips", "x"), "yes");
    EXPECT_EQ(p.value("Grid Font", "size", "10"), "");  // present but empty is not missing
    EXPECT_EQ(p.value("Misc", "Size", "10"), "10");
    EXPECT_EQ(p.value("Reports", "Size", "10"), "10");
}

TEST(ProfileFile, WritingReplacesInPlaceAppendsToItsSectionAndKeepsEveryOtherLine) {
    ProfileFile p = ProfileFile::parse(
        "; written by hand\n"
        "[Misc]\n"
        "button bar = 2\n"
        "Date Format\n"
        "Window Size=800\n"
        "\n"
        "[Reports]\n"
        "Last Report=3\n");
    EXPECT_FALSE(p.contains("Misc", "Date Format"));  // no "=": not a key
    p.setValue("MISC", "Button Bar", "3");
    p.setValue("Misc", "Date Format", "7");
    p.setValue("Reports", "Printer Index", "1");
    p.setValue("Grid Font", "Size", "10");
    EXPECT_EQ(
        p.toBytes(),
        "; written by hand\r\n[Misc]\r\nbutton bar=3\r\nDate Format\r\nWindow Size=800\r\nDate "
        "Format=7\r\n"
        "\r\n[Reports]\r\nLast Report=3\r\nPrinter Index=1\r\n\r\n[Grid Font]\r\nSize=10\r\n");
}

TEST(ProfileFile, FirstOfDuplicateSectionsAndKeysIsReadAndWritten) {
    ProfileFile p = ProfileFile::parse(
        "[Misc]\nDate Format=2\nDate Format=3\n[misc]\nDate Format=4\nShow Tips=No\n");
    EXPECT_EQ(p.value("Misc", "Date Format"), "2");
    EXPECT_FALSE(p.contains("Misc", "Show Tips"));  // the second section is never looked at
    p.setValue("Misc", "Date Format", "5");
    p.setValue("Misc", "Show Tips", "Yes");
    EXPECT_EQ(p.toBytes(),
              "[Misc]\r\nDate Format=5\r\nDate Format=3\r\nShow Tips=Yes\r\n"
              "[misc]\r\nDate Format=4\r\nShow Tips=No\r\n");
}

TEST(ProfileFile, TextIsWindows1252AndNoValueCanBreakIntoLines) {
    EXPECT_EQ(ProfileFile::parse("[A]\nB=\xC9tat \x80\n").value("A", "B"),
              QString::fromUtf8("État €"));
    ProfileFile p;
    EXPECT_TRUE(p.setValue("A", "B", QString::fromUtf8("méga € ÿ")));
    EXPECT_TRUE(p.setValue("A", "C", "/tmp/a\r\n[A]\nD=No"));
    // A character Windows-1252 lacks was written as "?"; the value is refused instead.
    EXPECT_FALSE(p.setValue("A", "B", QString::fromUtf8("Ωméga")));
    EXPECT_FALSE(p.setValue("A", "E", QString::fromUtf8("🦅")));
    EXPECT_FALSE(p.setValue(QString::fromUtf8("Ł"), "B", "x"));
    EXPECT_EQ(p.toBytes(), "[A]\r\nB=m\xE9ga \x80 \xFF\r\nC=/tmp/a  [A] D=No\r\n");
}

TEST(ProfileFile, AnyBytesAndVeryLongLinesAreReadSensiblyAndWrittenBackUnchanged) {
    QByteArray binary;
    for (int b = 0; b < 256; ++b)
        if (b != '\n' && b != '\r') binary.append(char(b));
    const QByteArray longValue(100000, 'x');
    const QByteArray head = "[Misc]\r\n" + QByteArray(100000, 'y') + "\r\nLast Database=";
    const QByteArray tail = "\r\nJunk=" + binary + "\r\n" + binary + "\r\nShow Tips=Yes\r\r\n";
    ProfileFile p = ProfileFile::parse(head + longValue + tail);
    EXPECT_EQ(p.value("Misc", "Last Database"), QString::fromLatin1(longValue));
    const QString junk = p.value("Misc", "Junk");
    ASSERT_EQ(junk.size(), binary.size());
    EXPECT_EQ(junk.front(), QChar(0));
    EXPECT_EQ(junk.back(), QChar(0xFF));
    EXPECT_EQ(p.value("Misc", "Show Tips"), "Yes");
    EXPECT_EQ(p.toBytes(), head + longValue + tail);
    p.setValue("Misc", "Last Database", "/tmp/MINE.DBF");
    EXPECT_EQ(p.toBytes(), head + "/tmp/MINE.DBF" + tail);
}

TEST(ProfileFile, FailedSaveLeavesWhatWasThereAndSaysSo) {
    vz::test::TempFolder dir;
    const QString path = dir.file("MINE.INI");
    ProfileFile old;
    old.setValue("Misc", "Show Tips", "No");
    ASSERT_TRUE(old.save(path));
    ProfileFile p;
    p.setValue("Misc", "Last Database", QString(200, 'x'));
    {
        vz::test::FileSizeLimit full(100);  // a full disk
        EXPECT_FALSE(p.save(path));
    }
    EXPECT_EQ(readBytes(path), "[Misc]\r\nShow Tips=No\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"MINE.INI"});

    // A file where the folder should be.
    EXPECT_FALSE(p.save(path + "/kestrelhouse/MINE.INI"));
    EXPECT_EQ(readBytes(path), "[Misc]\r\nShow Tips=No\r\n");

    // A file too large to read is never replaced by what little is known of it.
    ASSERT_TRUE(QFile::resize(path, ProfileFile::kMaxFileSize + 1));  // sparse: costs no disk
    ProfileFile huge = ProfileFile::load(path);
    EXPECT_EQ(huge.source(), ProfileFile::Source::Unreadable);
    EXPECT_FALSE(huge.contains("Misc", "Show Tips"));
    huge.setValue("Misc", "Show Tips", "Yes");
    EXPECT_FALSE(huge.save(path));
    EXPECT_EQ(QFileInfo(path).size(), ProfileFile::kMaxFileSize + 1);
}
