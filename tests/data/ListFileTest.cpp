#include <gtest/gtest.h>

#include <QFile>

#include "TempFolder.h"
#include "data/ListFile.h"

using namespace vz;
using namespace vz::data;

namespace {

QStringList entriesOf(const QByteArray& bytes) {
    test::TempFolder dir;
    QFile f(dir.file("MINE.001"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ListFileRead r = readListFile(f.fileName());
    EXPECT_EQ(r.outcome, ListFileRead::Outcome::Read);
    return r.entries;
}

}  // namespace

TEST(ListFile, SkipsBlankLinesAndKeepsEveryOtherLineUntrimmed) {
    // LF and CR LF mixed, blank lines of both kinds, a last line without a line end.
    EXPECT_EQ(entriesOf("Mint\r\n\r\n   \n  Mint \r\n\tUsed\nCTO\r\n \r\nOn Piece"),
              QStringList({"Mint", "  Mint ", "\tUsed", "CTO", "On Piece"}));
    EXPECT_TRUE(entriesOf("\r\n\r\n\n").isEmpty());
}

TEST(ListFile, TakesAtMost255CharactersOfALine) {
    const QStringList entries =
        entriesOf(QByteArray(300, 'a') + "\r\n" + QByteArray(255, 'b') + "\r\n" +
                  QByteArray(254, 'c') + "\r\n" + QByteArray(100000, 'h') + "\nAfter\n" +
                  QByteArray(300, ' ') + "x\r\n" + QByteArray(256, 'd') + "\r");
    ASSERT_EQ(entries.size(), 6);
    EXPECT_EQ(entries[0], QString(255, 'a'));
    EXPECT_EQ(entries[1], QString(255, 'b'));  // the CR after 255 characters is not taken
    EXPECT_EQ(entries[2], QString(254, 'c'));
    EXPECT_EQ(entries[3], QString(255, 'h'));
    EXPECT_EQ(entries[4], "After");  // the rest of the long line does not spill over
    // 300 blanks and an x: the 255 characters taken are blanks, so the line is skipped.
    EXPECT_EQ(entries[5], QString(255, 'd'));
}

TEST(ListFile, EveryByteSurvivesAReadAndAWrite) {
    EXPECT_EQ(entriesOf("C\xF4te d'Ivoire\r\n\x80 5\r\n"),
              QStringList({QString::fromUtf8("Côte d'Ivoire"), QString::fromUtf8("€ 5")}));

    // A binary file: every byte value but the line ends, NULs and the five bytes Windows-1252
    // leaves undefined included.
    QByteArray file;
    for (int b = 0; b < 256; ++b) {
        if (b != '\n' && b != '\r' && b != ' ') file.append(static_cast<char>(b));
        if (b % 50 == 49) file += "\r\n";
    }
    file += "\r\n";
    test::TempFolder dir;
    ASSERT_EQ(writeListFile(dir.file("copy"), entriesOf(file)).outcome,
              ListFileWrite::Outcome::Written);
    QFile copy(dir.file("copy"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), file);
}

// "Łódź" was written as "?ód?" while the window went on showing "Łódź". The writer refuses it
// and leaves the file as it was.
TEST(ListFile, AnEntryWindows1252CannotHoldIsRefusedAndNothingIsWritten) {
    test::TempFolder dir;
    const QString path = dir.file("MINE.001");
    ASSERT_EQ(writeListFile(path, {"Peru"}).outcome, ListFileWrite::Outcome::Written);
    const ListFileWrite w =
        writeListFile(path, {"Chile", QString::fromUtf8("\xc5\x81\xc3\xb3\x64\xc5\xba")});
    EXPECT_EQ(w.outcome, ListFileWrite::Outcome::NotAnsi);
    EXPECT_TRUE(w.error.contains("U+0141")) << w.error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "Peru\r\n");
    EXPECT_EQ(writeListFile(path, {QString::fromUtf8("Malm\xc3\xb6 \xe2\x82\xac")}).outcome,
              ListFileWrite::Outcome::Written);
}

TEST(ListFile, WritesWhatWindows1252CannotHoldAsQuestionMarks) {
    EXPECT_EQ(encodeListEntry(QString::fromUtf8("Ωmega €")), QByteArray("?mega \x80"));
    EXPECT_EQ(encodeListEntry(QString::fromUtf8("Stamp 😀 x")), QByteArray("Stamp ? x"));
    // An entry never becomes two lines.
    EXPECT_EQ(encodeListEntry("Plate\r\nBlock\nX"), QByteArray("Plate  Block X"));
}
