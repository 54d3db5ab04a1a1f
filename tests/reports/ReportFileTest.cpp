// The report definitions file: its bytes, its store operations and what it does with damage.
#include "reports/ReportFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "../data/FileSizeLimit.h"
#include "../data/TempFolder.h"
#include "reports/BuiltInReports.h"

namespace vz::reports {
namespace {

using Bytes = std::string;

Bytes readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}
void writeFile(const QString& path, const Bytes& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qint64(bytes.size()));
}

int le16(const Bytes& b, size_t off) {
    return int16_t(uint8_t(b[off]) | uint8_t(b[off + 1]) << 8);
}
uint32_t le32(const Bytes& b, size_t off) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(b[off + size_t(i)]);
    return v;
}
double leDouble(const Bytes& b, size_t off) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | uint8_t(b[off + size_t(i)]);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}
std::string shortString(const Bytes& b, size_t off) {
    return b.substr(off + 1, uint8_t(b[off]));
}
void set16(Bytes& b, size_t off, int v) {
    b[off] = char(v & 0xFF);
    b[off + 1] = char((v >> 8) & 0xFF);
}
void setDouble(Bytes& b, size_t off, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i) b[off + size_t(i)] = char(v >> (8 * i));
}
void setString(Bytes& b, size_t off, const std::string& s) {
    b[off] = char(s.size());
    b.replace(off + 1, s.size(), s);
}

// A definition in which every field holds a value distinct from its neighbours and the defaults.
ReportDefinition distinctDefinition() {
    ReportDefinition d;
    d.name = QStringLiteral("Distinct Ä");
    d.width = 150;
    ReportFontSpec* fonts[] = {&d.titleFont, &d.columnHeaderFont, &d.bodyFont, &d.fourthFont,
                               &d.footnoteFont};
    for (int i = 0; i < 5; ++i) {
        fonts[i]->faceName = QStringLiteral("Face %1").arg(i);
        fonts[i]->size = 10 + i;
        fonts[i]->bold = i == 0;
        fonts[i]->italic = i == 1;
        fonts[i]->underline = i == 2;
        fonts[i]->strikeout = i == 3;
        fonts[i]->colour = 0x00102030u + uint32_t(i);
    }
    d.columnHeaders = false;
    d.pageNumbers = true;
    d.landscape = true;
    d.dateOnPages = false;
    d.useTotals = true;
    d.numberOfLines = 7;
    d.totalsLine[0] = {QStringLiteral("Quantity"), 3, 21, {}};
    d.totalsLine[19] = {QString::fromLatin1(kLabelKind), 0, 22, QStringLiteral("End of totals")};
    d.topMargin = 0.25;
    d.bottomMargin = 0.75;
    d.leftMargin = 1.125;
    d.rightMargin = 1.5;
    d.verticalLines = true;
    d.horizontalLines = false;
    d.titles = {QStringLiteral("Title one"), QStringLiteral("Title two"),
                QString(80, QLatin1Char('x'))};
    for (int l = 0; l < kMaxReportLines; ++l)
        for (int j = 0; j < kItemsPerLine; ++j) {
            ReportItem& it = d.reportLines[size_t(l)][size_t(j)];
            it.width = 1 + (l + j) % 7;
            if (j % 3 == 0) it = {QStringLiteral("Country"), 3, it.width, {}};
            if (j % 3 == 1)
                it = {QString::fromLatin1(kLabelKind), 0, it.width,
                      QStringLiteral("L%1.%2").arg(l).arg(j)};
        }
    d.groupByLevel1 = false;
    d.groupByLevel2 = true;
    return d;
}

TEST(ReportRecord, EveryFieldSurvivesAWriteAndARead) {
    test::TempFolder dir;
    const QString file = dir.file(QStringLiteral("DUZEZIVA.URP"));
    const ReportDefinition d = distinctDefinition();
    auto index = SaveReport(file, d);
    ASSERT_TRUE(index) << index.status().message();
    EXPECT_EQ(*index, 0);
    auto back = LoadReport(file, 0);
    ASSERT_TRUE(back) << back.status().message();
    EXPECT_EQ(*back, d);
    EXPECT_EQ(QFileInfo(file).size(), kReportRecordSize);
}

TEST(ReportRecord, FieldsLieAtTheirOffsets) {
    auto encoded = encodeReport(distinctDefinition());
    ASSERT_TRUE(encoded);
    const Bytes& b = *encoded;
    ASSERT_EQ(b.size(), 20622u);
    EXPECT_EQ(shortString(b, 0), "Distinct \xC4");  // Windows-1252
    EXPECT_EQ(le16(b, 31), 150);
    const size_t fontAt[] = {33, 94, 155, 216, 277};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const size_t f = fontAt[i];
        EXPECT_EQ(shortString(b, f), "Face " + std::to_string(i));
        EXPECT_EQ(le16(b, f + 51), 10 + i);
        EXPECT_EQ(b[f + 53], char(i == 0));
        EXPECT_EQ(b[f + 54], char(i == 1));
        EXPECT_EQ(b[f + 55], char(i == 2));
        EXPECT_EQ(b[f + 56], char(i == 3));
        EXPECT_EQ(le32(b, f + 57), 0x00102030u + uint32_t(i));
    }
    EXPECT_EQ(b.substr(338, 5), Bytes("\0\1\1\0\1", 5));
    EXPECT_EQ(le16(b, 343), 7);
    EXPECT_EQ(shortString(b, 345), "Quantity");
    EXPECT_EQ(uint8_t(b[345 + 31]), 3);
    EXPECT_EQ(le16(b, 345 + 32), 21);
    EXPECT_EQ(shortString(b, 345 + 19 * 75), "<LABEL>");
    EXPECT_EQ(le16(b, 345 + 19 * 75 + 32), 22);
    EXPECT_EQ(shortString(b, 345 + 19 * 75 + 34), "End of totals");
    EXPECT_EQ(leDouble(b, 1845), 0.25);
    EXPECT_EQ(leDouble(b, 1853), 0.75);
    EXPECT_EQ(leDouble(b, 1861), 1.125);
    EXPECT_EQ(leDouble(b, 1869), 1.5);
    EXPECT_EQ(b[1877], 1);
    EXPECT_EQ(b[1878], 0);
    EXPECT_EQ(shortString(b, 1879), "Title one");
    EXPECT_EQ(shortString(b, 1960), "Title two");
    EXPECT_EQ(shortString(b, 2041), std::string(80, 'x'));
    for (int l = 1; l <= 12; ++l)
        for (int j = 1; j <= 20; ++j) {
            const size_t at = 2122 + size_t(l - 1) * 1500 + size_t(j - 1) * 75;
            EXPECT_EQ(le16(b, at + 32), 1 + (l - 1 + j - 1) % 7) << l << "," << j;
            if ((j - 1) % 3 == 1) {
                EXPECT_EQ(shortString(b, at + 34),
                          "L" + std::to_string(l - 1) + "." + std::to_string(j - 1));
            }
            if ((j - 1) % 3 == 0) {
                EXPECT_EQ(shortString(b, at), "Country");
                EXPECT_EQ(uint8_t(b[at + 31]), 3);
            }
        }
    EXPECT_EQ(b[20122], 0);
    EXPECT_EQ(b[20123], 1);
    EXPECT_EQ(b.substr(20124), Bytes(498, '\0'));
}

TEST(ReportRecord, TextsAreCutToTheirFieldsAndUnstorableCharactersRefused) {
    ReportDefinition d;
    d.name = QString(45, QLatin1Char('n'));
    d.titles[0] = QStringLiteral("a\tb");
    d.reportLines[0][0].labelText = QString(60, QLatin1Char('l'));
    auto encoded = encodeReport(d);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(shortString(*encoded, 0), std::string(30, 'n'));
    EXPECT_EQ(shortString(*encoded, 1879), "a b");
    EXPECT_EQ(shortString(*encoded, 2122 + 34), std::string(40, 'l'));

    d.name = QStringLiteral("Stamps \u4E2D");
    auto refused = encodeReport(d);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.status().message().find("report name"), std::string::npos);
}

// ---- The store operations ----

class ReportStore : public ::testing::Test {
protected:
    void SetUp() override { file = dir.file(QStringLiteral("DUZEZIVA.URP")); }
    void saveNamed(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            ReportDefinition d;
            d.name = QString::fromLatin1(n);
            ASSERT_TRUE(SaveReport(file, d));
        }
    }
    test::TempFolder dir;
    QString file;
};

TEST_F(ReportStore, DeletingMovesTheLaterRecordsUp) {
    saveNamed({"A", "B", "C"});
    ASSERT_TRUE(DeleteReport(file, 0));
    EXPECT_EQ(ListReports(file), QStringList({"B", "C"}));
    EXPECT_EQ(QFileInfo(file).size(), 2 * kReportRecordSize);

    ASSERT_TRUE(DeleteReport(file, 1));  // the last one
    EXPECT_EQ(ListReports(file), QStringList({"B"}));

    ASSERT_TRUE(DeleteReport(file, 0));  // the only one
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_TRUE(ListReports(file).isEmpty());
}

TEST_F(ReportStore, DeletingAReportThatIsNotThereChangesNothing) {
    saveNamed({"A", "B"});
    const Bytes before = readFile(file);
    EXPECT_FALSE(DeleteReport(file, 2));
    EXPECT_FALSE(DeleteReport(file, -1));
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(DeleteReport(dir.file(QStringLiteral("none.urp")), 0).code(),
              engine::Status::Code::NotFound);
}

TEST_F(ReportStore, SavingAppendsOrOverwritesInPlace) {
    saveNamed({"A", "B"});
    ReportDefinition d;
    d.name = QStringLiteral("B renamed");
    auto appended = SaveReport(file, d);
    ASSERT_TRUE(appended);
    EXPECT_EQ(*appended, 2);
    d.name = QStringLiteral("A2");
    auto overwritten = SaveReport(file, d, 0);
    ASSERT_TRUE(overwritten);
    EXPECT_EQ(*overwritten, 0);
    EXPECT_EQ(ListReports(file), QStringList({"A2", "B", "B renamed"}));

    const Bytes before = readFile(file);
    EXPECT_EQ(SaveReport(file, d, 3).status().code(), engine::Status::Code::InvalidArgument);
    EXPECT_EQ(readFile(file), before);
}

TEST_F(ReportStore, SaveNeverEmptiesAFileItCannotRead) {
    saveNamed({"A", "B"});
    const Bytes before = readFile(file);
    if (geteuid() != 0) {
        ::chmod(file.toLocal8Bit().constData(), 0);
        ReportDefinition d;
        EXPECT_FALSE(SaveReport(file, d));
        ::chmod(file.toLocal8Bit().constData(), 0644);
        EXPECT_EQ(readFile(file), before);
    }
    // A folder in the file's place cannot be read either; nothing replaces it.
    const QString folder = dir.file(QStringLiteral("folder.urp"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(SaveReport(folder, ReportDefinition{}));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(ReportStore, AFailedWriteLeavesTheOldFileWhole) {
    saveNamed({"A", "B", "C"});
    const Bytes before = readFile(file);
    {
        test::FileSizeLimit full(kReportRecordSize);  // the rewrite cannot grow past one record
        EXPECT_FALSE(SaveReport(file, ReportDefinition{}));
        EXPECT_FALSE(DeleteReport(file, 0));
        EXPECT_FALSE(CreateDefaultReports(file));
    }
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"DUZEZIVA.URP"}));  // no temporary left
}

TEST_F(ReportStore, SavingToAMissingFileCreatesIt) {
    auto index = SaveReport(file, ReportDefinition{});
    ASSERT_TRUE(index);
    EXPECT_EQ(*index, 0);
    EXPECT_EQ(reportCount(file), 1);
    EXPECT_FALSE(SaveReport(dir.file(QStringLiteral("other.urp")), ReportDefinition{}, 0));
}

TEST_F(ReportStore, StartUpWritesTheBuiltInsOnlyWhenTheFileIsMissing) {
    auto first = prepareReportFile(dir.path());
    EXPECT_TRUE(first.wroteBuiltIns);
    EXPECT_TRUE(first.created);
    QStringList names;
    for (const char* n : builtInReportNames()) names << QString::fromLatin1(n);
    EXPECT_EQ(ListReports(file), names);

    ASSERT_TRUE(DeleteReport(file, 0));
    auto second = prepareReportFile(dir.path());
    EXPECT_FALSE(second.wroteBuiltIns);
    EXPECT_EQ(reportCount(file), 5);
}

// ---- The earlier format ----

// One earlier record: name, width, flags, number of lines, titles and items at their offsets.
Bytes earlierRecord(const std::string& name, int width, int lines) {
    Bytes b(19831, '\0');
    setString(b, 0, name);
    set16(b, 31, width);
    b[83] = 1;  // column headers
    b[84] = 0;  // page numbers
    b[85] = 1;  // use totals
    set16(b, 86, lines);
    auto item = [&](size_t at, const std::string& kind, int w, const std::string& label) {
        setString(b, at, kind);
        b[at + 31] = char(0xEE);  // not carried over
        set16(b, at + 32, w);
        setString(b, at + 34, label);
    };
    item(88, "Quantity", 30, "");
    item(88 + 75, "<LABEL>", 20, "Count");
    setString(b, 1588, "Old title 1");
    setString(b, 1669, "Old title 2");
    setString(b, 1750, "Old title 3");
    item(1831, "Country", 40, "");
    item(1831 + 75, "MarketValu", 50, "");
    item(1831 + 1500, "<LABEL>", 90, "Second line");
    return b;
}

TEST_F(ReportStore, EarlierReportsAreConvertedOnceAndTheOldFileDeleted) {
    writeFile(dir.file(QStringLiteral("stamp.urp")),  // another letter case is found too
              earlierRecord("Full Report", 120, 8) + earlierRecord("My Stamps", 90, 2));
    auto prepared = prepareReportFile(dir.path());
    EXPECT_TRUE(prepared.conversion.problems.isEmpty())
        << prepared.conversion.problems.join('\n').toStdString();
    EXPECT_EQ(prepared.conversion.converted, 1);
    EXPECT_EQ(prepared.conversion.skippedBuiltIn, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("stamp.urp"))));
    ASSERT_EQ(reportCount(file), 7);

    auto d = LoadReport(file, 6);
    ASSERT_TRUE(d) << d.status().message();
    EXPECT_EQ(d->name, QStringLiteral("My Stamps"));
    EXPECT_EQ(d->width, 90);
    EXPECT_TRUE(d->columnHeaders);
    EXPECT_FALSE(d->pageNumbers);
    EXPECT_TRUE(d->useTotals);
    EXPECT_EQ(d->numberOfLines, 2);
    EXPECT_FALSE(d->landscape);
    EXPECT_TRUE(d->dateOnPages);
    for (const ReportFontSpec* f :
         {&d->titleFont, &d->columnHeaderFont, &d->bodyFont, &d->fourthFont, &d->footnoteFont}) {
        EXPECT_EQ(f->faceName, QStringLiteral("Courier New"));
        EXPECT_EQ(f->size, 10);
    }
    EXPECT_TRUE(d->titleFont.bold && d->columnHeaderFont.bold && d->footnoteFont.bold);
    EXPECT_FALSE(d->bodyFont.bold || d->fourthFont.bold);
    EXPECT_EQ(d->leftMargin, 0.5);
    EXPECT_FALSE(d->verticalLines || d->horizontalLines);
    EXPECT_TRUE(d->groupByLevel1);
    EXPECT_FALSE(d->groupByLevel2);
    EXPECT_EQ(d->titles[2], QStringLiteral("Old title 3"));
    // Field numbers come from the names.
    EXPECT_EQ(d->totalsLine[0].fieldNumber, kTotalQuantity);
    EXPECT_EQ(d->totalsLine[1].labelText, QStringLiteral("Count"));
    EXPECT_EQ(d->reportLines[0][0].fieldNumber, 3);
    EXPECT_EQ(d->reportLines[0][1].fieldNumber, 5);
    EXPECT_EQ(d->reportLines[0][1].width, 50);
    EXPECT_EQ(d->reportLines[1][0].labelText, QStringLiteral("Second line"));

    // Once: a second start-up finds nothing more to convert.
    EXPECT_EQ(prepareReportFile(dir.path()).conversion.converted, 0);
    EXPECT_EQ(reportCount(file), 7);
}

TEST_F(ReportStore, AnEarlierFileIsKeptWhenItsReportsCannotBeWritten) {
    const QString old = dir.file(QStringLiteral("STAMP.URP"));
    writeFile(old, earlierRecord("Mine", 120, 1));
    ASSERT_TRUE(QDir().mkdir(file));  // the definitions file cannot be read or replaced
    auto result = ConvertEarlierReports(dir.path());
    EXPECT_EQ(result.converted, 0);
    EXPECT_FALSE(result.problems.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(old));
}

TEST_F(ReportStore, EarlierRecordsOfAnyShapeAreConvertedAndTheFileKeptUnlessAllWent) {
    // Odd widths and line counts are made safe, not dropped; the partial record at the end means
    // the earlier file did not wholly go into the new one, so it is kept under another name.
    const QString old = dir.file(QStringLiteral("STAMP.URP"));
    Bytes longName = earlierRecord("Long", 120, 1);
    longName[0] = char(200);  // a name length past its field
    writeFile(old, earlierRecord("Bad", 0, 1) + earlierRecord("Good", 150, 1) +
                       earlierRecord("Wide", 100, 15) + earlierRecord("Negative", 150, -3) +
                       longName + Bytes(100, 'x'));
    auto result = ConvertEarlierReports(dir.path());
    EXPECT_EQ(result.converted, 5);
    EXPECT_TRUE(result.deletedFiles.isEmpty());
    ASSERT_EQ(result.keptFiles.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_EQ(QFileInfo(result.keptFiles[0]).size(), 5 * 19831 + 100);
    QStringList names = ListReports(file);
    ASSERT_EQ(names.size(), 5);
    EXPECT_EQ(names.mid(0, 4), QStringList({"Bad", "Good", "Wide", "Negative"}));
    auto bad = LoadReport(file, 0);
    ASSERT_TRUE(bad) << bad.status().message();
    EXPECT_EQ(bad->width, 90);
    EXPECT_EQ(bad->bodyFont.size, 10);
    auto wide = LoadReport(file, 2);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width, 90);
    EXPECT_EQ(wide->numberOfLines, 12);
    EXPECT_EQ(LoadReport(file, 3)->numberOfLines, 0);
    EXPECT_TRUE(result.problems.join('\n').contains(QStringLiteral("\"Bad\"")));
    EXPECT_TRUE(result.problems.join('\n').contains(QStringLiteral("partial")));
    // The kept file is not converted a second time.
    EXPECT_EQ(ConvertEarlierReports(dir.path()).converted, 0);
    EXPECT_EQ(reportCount(file), 5);
}

TEST_F(ReportStore, NewFilesTakeTheUmaskAndRewritesKeepTheirMode) {
    const mode_t before = ::umask(022);
    ASSERT_TRUE(CreateDefaultReports(file));
    struct stat st {};
    ASSERT_EQ(::stat(file.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_EQ(::chmod(file.toLocal8Bit().constData(), 0640), 0);
    saveNamed({"More"});
    ASSERT_EQ(::stat(file.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ::umask(before);
}

// ---- Damaged files ----

struct Damage {
    const char* what;
    std::function<void(Bytes&)> spoil;
    bool loads;                                          // false: a Corruption naming the record
    std::function<void(const ReportDefinition&)> check;  // when it loads
};

TEST(DamagedReportFile, EveryDefectIsRefusedOrMadeSafe) {
    const Damage cases[] = {
        {"name length past its field", [](Bytes& b) { b[0] = char(200); }, false, nullptr},
        {"label length past its field", [](Bytes& b) { b[2122 + 34] = 41; }, false, nullptr},
        {"face length past its field", [](Bytes& b) { b[33] = 51; }, false, nullptr},
        {"report width 30000", [](Bytes& b) { set16(b, 31, 30000); }, false, nullptr},
        {"report width 0", [](Bytes& b) { set16(b, 31, 0); }, false, nullptr},
        {"13 lines", [](Bytes& b) { set16(b, 343, 13); }, false, nullptr},
        {"-1 lines", [](Bytes& b) { set16(b, 343, -1); }, false, nullptr},
        {"item width 30000", [](Bytes& b) { set16(b, 2122 + 32, 30000); }, true,
         [](const ReportDefinition& d) { EXPECT_EQ(d.reportLines[0][0].width, kMaxItemWidth); }},
        {"negative and huge margins",
         [](Bytes& b) {
             setDouble(b, 1845, -2.0);
             setDouble(b, 1861, 1e300);
         },
         true,
         [](const ReportDefinition& d) {
             EXPECT_EQ(d.topMargin, 0.0);
             EXPECT_EQ(d.leftMargin, kMaxMargin);
         }},
        {"NaN margin",
         [](Bytes& b) { setDouble(b, 1869, std::numeric_limits<double>::quiet_NaN()); }, true,
         [](const ReportDefinition& d) { EXPECT_EQ(d.rightMargin, 0.5); }},
        {"font sizes 0 and 30000",
         [](Bytes& b) {
             set16(b, 155 + 51, 0);
             set16(b, 33 + 51, 30000);
         },
         true,
         [](const ReportDefinition& d) {
             EXPECT_EQ(d.bodyFont.size, kMinFontSize);
             EXPECT_EQ(d.titleFont.size, kMaxFontSize);
         }},
        {"field number 0 on a field item", [](Bytes& b) { b[2122 + 75 + 31] = 0; }, true,
         [](const ReportDefinition& d) { EXPECT_EQ(d.reportLines[0][1].fieldNumber, 3); }},
        {"unknown field with number 99",
         [](Bytes& b) {
             setString(b, 2122, "Nonsense");
             b[2122 + 31] = 99;
         },
         true, [](const ReportDefinition& d) { EXPECT_TRUE(d.reportLines[0][0].isFiller()); }},
        {"total kind 7", [](Bytes& b) { b[345 + 3 * 75 + 31] = 7; }, true,
         [](const ReportDefinition& d) {
             EXPECT_EQ(d.totalsLine[3].fieldNumber, kTotalPurchasePrice);  // from its name
         }},
        {"tab and line break in texts",
         [](Bytes& b) {
             setString(b, 0, "A\tB");
             setString(b, 1879, "x\ny");
         },
         true,
         [](const ReportDefinition& d) {
             EXPECT_EQ(d.name, QStringLiteral("A B"));
             EXPECT_EQ(d.titles[0], QStringLiteral("x y"));
         }},
    };
    auto base = encodeReport(builtInReports()[0]);  // line 1 item 2 is Country
    ASSERT_TRUE(base);
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder dir;
        const QString file = dir.file(QStringLiteral("DUZEZIVA.URP"));
        Bytes second = *base;
        c.spoil(second);
        writeFile(file, *base + second);
        EXPECT_EQ(ListReports(file).size(), 2);  // listed all the same: positions are identities
        auto loaded = LoadReport(file, 1);
        if (!c.loads) {
            ASSERT_FALSE(loaded);
            EXPECT_EQ(loaded.status().code(), engine::Status::Code::Corruption);
            EXPECT_NE(loaded.status().message().find("report 2"), std::string::npos)
                << loaded.status().message();
            EXPECT_TRUE(LoadReport(file, 0));
            EXPECT_TRUE(DeleteReport(file, 1));  // a damaged report can still be removed
            EXPECT_EQ(reportCount(file), 1);
        } else {
            ASSERT_TRUE(loaded) << loaded.status().message();
            c.check(*loaded);
        }
    }
}

// What every definition handed out promises to report generation.
void expectGuarantees(const ReportDefinition& d) {
    EXPECT_TRUE(d.width == 90 || d.width == 120 || d.width == 150);
    EXPECT_GE(d.numberOfLines, 0);
    EXPECT_LE(d.numberOfLines, kMaxReportLines);
    for (double m : {d.topMargin, d.bottomMargin, d.leftMargin, d.rightMargin}) {
        EXPECT_TRUE(std::isfinite(m));
        EXPECT_GE(m, 0.0);
        EXPECT_LE(m, kMaxMargin);
    }
    for (const ReportFontSpec* f :
         {&d.titleFont, &d.columnHeaderFont, &d.bodyFont, &d.fourthFont, &d.footnoteFont}) {
        EXPECT_GE(f->size, kMinFontSize);
        EXPECT_LE(f->size, kMaxFontSize);
        EXPECT_LE(f->faceName.size(), kFaceNameLength);
    }
    EXPECT_LE(d.name.size(), kNameLength);
    EXPECT_FALSE(d.name.contains(QLatin1Char('\t')));
    auto checkLine = [](const ReportLine& line, int maxNumber) {
        for (const ReportItem& it : line) {
            EXPECT_LE(it.width, kMaxItemWidth);
            EXPECT_LE(it.labelText.size(), kLabelLength);
            EXPECT_FALSE(it.labelText.contains(QLatin1Char('\t')));
            if (it.isField()) {
                EXPECT_GE(it.fieldNumber, 1);
                EXPECT_LE(it.fieldNumber, maxNumber);
            }
        }
    };
    checkLine(d.totalsLine, 3);
    for (const ReportLine& line : d.reportLines) checkLine(line, 25);
}

TEST(DamagedReportFile, RandomDamageNeverBreaksTheGuarantees) {
    auto base = encodeReport(builtInReports()[2]);
    ASSERT_TRUE(base);
    uint64_t state = 0x5EED;
    auto next = [&state] {  // splitmix64
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes b = *base;
        const int flips = 1 + int(next() % 40);
        for (int i = 0; i < flips; ++i) b[size_t(next() % b.size())] = char(next());
        auto d = decodeReport(b.data(), QStringLiteral("round %1").arg(round));
        if (!d) {
            ASSERT_EQ(d.status().code(), engine::Status::Code::Corruption);
            continue;
        }
        ++loaded;
        expectGuarantees(*d);
        // What was loaded is written back and read again unchanged.
        auto again = encodeReport(*d);
        ASSERT_TRUE(again) << again.status().message();
        auto d2 = decodeReport(again->data(), QStringLiteral("again"));
        ASSERT_TRUE(d2);
        ASSERT_EQ(*d2, *d) << "round " << round;
        if (HasFailure()) return;
    }
    EXPECT_GT(loaded, 100);  // the damage was not all refused
}

TEST(DamagedReportFile, PartialRecordsAreNeitherListedNorLoaded) {
    test::TempFolder dir;
    const QString file = dir.file(QStringLiteral("DUZEZIVA.URP"));
    auto record = encodeReport(builtInReports()[2]);
    ASSERT_TRUE(record);

    writeFile(file, record->substr(0, 100));  // truncated
    engine::Status problem;
    EXPECT_TRUE(ListReports(file, &problem).isEmpty());
    EXPECT_EQ(problem.code(), engine::Status::Code::Corruption);
    EXPECT_EQ(LoadReport(file, 0).status().code(), engine::Status::Code::NotFound);

    writeFile(file, *record + *record + Bytes(50, '\x7F'));
    EXPECT_EQ(ListReports(file, &problem), QStringList({"Full Report", "Full Report"}));
    EXPECT_FALSE(problem);
    EXPECT_FALSE(LoadReport(file, 2));
    // An append writes whole records only: the partial tail is gone.
    auto index = SaveReport(file, ReportDefinition{});
    ASSERT_TRUE(index);
    EXPECT_EQ(*index, 2);
    EXPECT_EQ(QFileInfo(file).size(), 3 * kReportRecordSize);

    EXPECT_TRUE(ListReports(dir.file(QStringLiteral("missing.urp")), &problem).isEmpty());
    EXPECT_TRUE(problem);  // a missing file is no problem
}

}  // namespace
}  // namespace vz::reports
