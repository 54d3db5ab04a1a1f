// Export and import: the delimited text rules, the grids' layouts and round trips through text
// files and dBase tables.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "TempFolder.h"
#include "common/DisplayFormats.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "exchange/DelimitedReader.h"
#include "exchange/ExportLayout.h"
#include "exchange/Exporter.h"
#include "exchange/ImportLayout.h"
#include "exchange/Importer.h"

using namespace vz;
using namespace vz::exchange;
using engine::Table;

namespace {

std::unique_ptr<Table> newCollection(const QString& path) {
    EXPECT_TRUE(Table::create(path.toStdString(), data::collectionFieldDefs()));
    auto t = Table::open(path.toStdString(), engine::OpenMode::Shared);
    EXPECT_TRUE(t) << t.status().message();
    return t ? std::move(*t) : nullptr;
}

int indexOf(const Table& t, int number) {
    return t.fieldIndex(data::schemaField(number).storedName);
}

// Sets stamp-record fields by number from texts (dates as YYYYMMDD) and posts.
void add(Table& t, const std::map<int, std::string>& values) {
    ASSERT_TRUE(t.append());
    for (const auto& [n, v] : values) {
        if (data::schemaField(n).type == data::FieldTypeCode::Date) {
            engine::Date d;
            ASSERT_TRUE(engine::Date::parse(v, d));
            ASSERT_TRUE(t.setDate(indexOf(t, n), d));
        } else {
            ASSERT_TRUE(t.setText(indexOf(t, n), v)) << v;
        }
    }
    ASSERT_TRUE(t.post());
}

// Records that hold what exports must carry: quotes, commas, accented letters, blank dates and
// numbers, negative amounts, old years.
void fillSample(Table& t, int count) {
    for (int i = 0; i < count; ++i) {
        std::map<int, std::string> v{
            {1, "SC" + std::to_string(100 + i)},
            {2,
             i % 3 == 0 ? "12\" block, \"mint\" pair" : "Plain description " + std::to_string(i)},
            {3, i % 2 ? "Österreich" : "Côte d'Ivoire"},
            {4, "5c"},
            {7, std::to_string(1840 + i * 7 % 180)},
            {9, "Mint"},
            {13, "Ships, boats"},
            {25, i % 2 ? "Yes" : "No"},
        };
        if (i % 4 != 1) v[5] = i % 5 == 0 ? "-3.5" : std::to_string(i) + ".25";
        if (i % 4 != 2) v[6] = std::to_string(i % 7);
        if (i % 3 != 0) v[14] = "1954" + std::string(i % 2 ? "0312" : "1231");
        if (i % 2) v[15] = "0.0625";
        if (i % 5) v[21] = std::to_string(i * 1000);
        add(t, v);
    }
}

std::vector<std::vector<std::string>> records(Table& t) {
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> texts;
    t.setDateFormatter([](const engine::Date& d) { return d.toIso(); });
    for (uint32_t r = 1; r <= t.recordCount(); ++r) {
        EXPECT_TRUE(t.readRecordTexts(r, texts));
        for (std::string& s : texts)
            while (!s.empty() && s.back() == ' ') s.pop_back();
        out.push_back(texts);
    }
    return out;
}

ExportRequest allFields(ExportKind kind, bool firstRow = true) {
    data::DatabaseSettings s;
    s.exportOptions.firstRow = firstRow;
    return exportRequestFrom(s, kind);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<std::string> fieldsOf(std::string_view line, std::vector<FieldEnd>* ends = nullptr) {
    std::vector<std::string> out;
    size_t pos = 0;
    std::string text;
    for (;;) {
        const FieldEnd e = readField(line, pos, text);
        out.push_back(text);
        if (ends) ends->push_back(e);
        if (e != FieldEnd::Comma) break;
    }
    return out;
}

}  // namespace

TEST(DelimitedFields, QuotesCommasAndControlCharacters) {
    using V = std::vector<std::string>;
    EXPECT_EQ(fieldsOf(R"("a","b c","")"), (V{"a", "b c", ""}));
    // Doubled quotes inside quotes are one quote, wherever they stand.
    EXPECT_EQ(fieldsOf(R"("12"" block","say ""hi""","""")"), (V{"12\" block", "say \"hi\"", "\""}));
    // Commas inside quotes are text; outside quotes too, so unquoted values make one field.
    EXPECT_EQ(fieldsOf(R"("a, b",c,d)"), (V{"a, b", "c,d"}));
    // Tabs and other control characters are dropped.
    EXPECT_EQ(fieldsOf("\"a\tb\x01\",\"c\""), (V{"ab", "c"}));
    std::vector<FieldEnd> ends;
    fieldsOf(R"("a"x,"b")", &ends);
    EXPECT_EQ(ends.back(), FieldEnd::StrayAfterQuote);
    ends.clear();
    fieldsOf(R"("a","open)", &ends);
    EXPECT_EQ(ends.back(), FieldEnd::LineEndOpen);
    // 255 characters fit, counted as characters, not bytes; 256 do not.
    const std::string ae255 = [] {
        std::string s;
        for (int i = 0; i < 255; ++i) s += "ä";
        return s;
    }();
    ends.clear();
    EXPECT_EQ(fieldsOf("\"" + ae255 + "\"", &ends)[0], ae255);
    EXPECT_EQ(ends.back(), FieldEnd::LineEnd);
    ends.clear();
    fieldsOf("\"" + ae255 + "x\"", &ends);
    EXPECT_EQ(ends.back(), FieldEnd::TooLong);
}

TEST(DelimitedFields, FirstLineReasonCodes) {
    FirstLine ok = checkFirstLine(R"("Alpha Catalog","","A name longer than twenty")", false);
    EXPECT_EQ(ok.reason, 0);
    EXPECT_EQ(ok.names,
              (std::vector<QString>{"Alpha Catalog", "<BLANK FIELD>", "A name longer than t"}));
    EXPECT_EQ(checkFirstLine("", true).reason, 2);              // an empty file
    EXPECT_EQ(checkFirstLine(R"(a,b,c)", false).reason, 2);     // no quotes
    EXPECT_EQ(checkFirstLine(R"("a","b)", false).reason, 2);    // unmatched quote
    EXPECT_EQ(checkFirstLine(R"("a","b",)", false).reason, 2);  // a comma at the end
    EXPECT_EQ(checkFirstLine(R"("a"x,"b")", false).reason, 2);  // text after a closing quote
    EXPECT_EQ(checkFirstLine("\"" + std::string(256, 'x') + "\"", false).reason, 1);
    auto line = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += (i ? ",\"f" : "\"f") + std::to_string(i) + "\"";
        return s;
    };
    EXPECT_EQ(checkFirstLine(line(35), false).reason, 0);
    EXPECT_EQ(checkFirstLine(line(35), false).names.size(), 35u);
    EXPECT_EQ(checkFirstLine(line(36), false).reason, 3);
    EXPECT_TRUE(firstLineMessage(3).endsWith(
        "There are at least 10 more fields than are required by Kestrelhouse."));
    EXPECT_TRUE(
        firstLineMessage(1).startsWith("The file selected does not appear to be an ASCII delimited "
                                       "text file.  An ASCII delimited file requires"));
}

TEST(DelimitedFile, ReadsUtf8AndWindows1252AndEveryLineEnd) {
    test::TempFolder dir;
    struct Case {
        QByteArray bytes;
        TextEncoding encoding;
    } cases[] = {
        {"\"\xC3\x96sterreich\"\r\n\"b\"\r\n", TextEncoding::Utf8},
        {"\xEF\xBB\xBF\"\xC3\x96sterreich\"\n\"b\"", TextEncoding::Utf8},
        {"\"\xD6sterreich\"\r\"b\"\r", TextEncoding::Windows1252},
        // One byte that is no UTF-8 makes the whole file Windows-1252.
        {"\"\xD6sterreich\"\n\"b \xC3\x96\"\n", TextEncoding::Windows1252},
    };
    for (const Case& c : cases) {
        const QString path = dir.file("in.txt");
        writeFile(path, c.bytes);
        DelimitedFile f;
        QString error;
        ASSERT_TRUE(f.open(path, error)) << error.toStdString();
        EXPECT_EQ(f.encoding(), c.encoding);
        std::string line;
        ASSERT_TRUE(f.nextLine(line));
        EXPECT_EQ(line, "\"Österreich\"");
        ASSERT_TRUE(f.nextLine(line));
        EXPECT_EQ(line.substr(0, 2), "\"b");
        EXPECT_EQ(f.lineNumber(), 2);
        EXPECT_FALSE(f.nextLine(line));
    }
    DelimitedFile missing;
    QString error;
    EXPECT_FALSE(missing.open(dir.file("none.txt"), error));
    EXPECT_TRUE(error.contains("none.txt"));
}

TEST(ExportLayout, RowsFollowTheSettingsAndGoBackByCaption) {
    data::DatabaseSettings s;
    s.field(3).exportOrder = 1;  // Country first, Alpha Catalog displaced to the first free row
    s.field(1).exportOrder = 40;
    s.field(2).exported = false;
    ExportLayout layout(s);
    EXPECT_EQ(layout.row(1).caption, "Country");
    EXPECT_EQ(layout.row(2).caption, "Description");
    EXPECT_EQ(layout.row(2).use, "No");
    EXPECT_EQ(layout.row(3).caption, "Alpha Catalog");
    EXPECT_FALSE(layout.moveUp(1));
    EXPECT_FALSE(layout.moveDown(25));
    EXPECT_TRUE(layout.moveDown(1));  // Country to row 2
    layout.toggle(1);                 // Description: Yes
    layout.store(s);
    EXPECT_EQ(s.field(3).exportOrder, 2);
    EXPECT_EQ(s.field(2).exportOrder, 1);
    EXPECT_TRUE(s.field(2).exported);
    EXPECT_EQ(exportedFields(s).front(), 2);

    // Two fields with one caption both take the first such row; only the first is exported.
    data::DatabaseSettings same;
    same.field(22).caption = same.field(23).caption = "Mine";
    ExportLayout twins(same);
    twins.moveDown(23);  // field 23's row to 24
    twins.store(same);
    EXPECT_EQ(same.field(22).exportOrder, 22);
    EXPECT_EQ(same.field(23).exportOrder, 22);
    const std::vector<int> fields = exportedFields(same);
    EXPECT_EQ(std::count(fields.begin(), fields.end(), 22), 1);
    EXPECT_EQ(std::count(fields.begin(), fields.end(), 23), 0);
    EXPECT_EQ(fields.size(), 24u);
}

TEST(ImportLayout, MappingByNameUseAndRow) {
    ImportLayout layout({"A", "<BLANK FIELD>", "<BLANK FIELD>", "D"});
    EXPECT_EQ(layout.rowCount(), 25);
    EXPECT_EQ(layout.importName(5), "<EMPTY>");
    EXPECT_EQ(layout.use(5), "");
    layout.toggle(5);
    EXPECT_EQ(layout.use(5), "");
    // Equal names map to the first row that has them.
    EXPECT_EQ(layout.mapping(), (std::vector<int>{1, 2, 2, 4}));
    layout.toggle(1);
    EXPECT_TRUE(layout.moveDown(4));  // D to the row of field 5
    EXPECT_EQ(layout.mapping(), (std::vector<int>{0, 2, 2, 5}));
    // Names below row 25 are not imported.
    std::vector<QString> many;
    for (int i = 0; i < 30; ++i) many.push_back(QString::number(i));
    ImportLayout wide(many);
    EXPECT_EQ(wide.rowCount(), 30);
    EXPECT_EQ(wide.mapping()[27], 0);
    EXPECT_EQ(wide.mapping()[24], 25);
}

// The text export of a collection, imported into a new one, gives the same records, under date
// formats with two-digit years too (whose exports still carry four).
TEST(ExportImport, TextRoundTripKeepsEveryValue) {
    for (int dateCode : {1, 6, 12}) {
        test::TempFolder dir;
        auto from = newCollection(dir.file("FROM.DBF"));
        fillSample(*from, 40);
        DisplayFormats formats;
        formats.setDateFormat(dateCode, dateCode == 6);
        const QString txt = dir.file("out.txt");
        ExportResult r = exportRecords(*from, txt, allFields(ExportKind::Text), formats);
        ASSERT_EQ(r.outcome, ExportResult::Outcome::Done) << r.error.toStdString();
        EXPECT_EQ(r.records, 40u);
        const QByteArray bytes = readFile(txt);
        EXPECT_TRUE(bytes.startsWith("\"Alpha Catalog\",\"Description\","));
        EXPECT_TRUE(bytes.contains("\"12\"\" block, \"\"mint\"\" pair\""));
        EXPECT_TRUE(bytes.contains("\xD6sterreich"));  // Windows-1252
        EXPECT_TRUE(bytes.contains("1954")) << dateCode;
        EXPECT_TRUE(bytes.endsWith("\r\n"));

        auto to = newCollection(dir.file("TO.DBF"));
        Importer importer(*to, formats);
        const TextFileFields fields = readTextFileFields(txt);
        ASSERT_EQ(fields.firstLine.reason, 0);
        ImportResult in =
            importer.importText(txt, ImportLayout(fields.firstLine.names).mapping(), true);
        ASSERT_EQ(in.outcome, ImportResult::Outcome::Done) << in.error.toStdString();
        EXPECT_EQ(in.added, 40u);
        EXPECT_EQ(records(*to), records(*from)) << dateCode;
    }
}

TEST(ExportImport, TableRoundTripAndChosenFields) {
    test::TempFolder dir;
    auto from = newCollection(dir.file("FROM.DBF"));
    fillSample(*from, 30);
    DisplayFormats formats;
    const QString dbf = dir.file("OUT.DBF");
    ASSERT_EQ(exportRecords(*from, dbf, allFields(ExportKind::DBase), formats).outcome,
              ExportResult::Outcome::Done);
    auto out = Table::open(dbf.toStdString(), engine::OpenMode::Shared);
    ASSERT_TRUE(out);
    for (int i = 0; i < (*out)->fieldCount(); ++i) {
        const engine::Field& a = (*out)->field(i);
        const engine::Field& b = from->field(i);
        EXPECT_EQ(std::tie(a.name, a.type, a.width, a.decimals),
                  std::tie(b.name, b.type, b.width, b.decimals));
    }
    EXPECT_EQ((*out)->header().mdxFlag, 0);
    auto to = newCollection(dir.file("TO.DBF"));
    const TableFileFields names = readTableFileFields(dbf);
    ASSERT_TRUE(names.error.isEmpty());
    Importer importer(*to, formats);
    ImportResult in = importer.importTable(dbf, ImportLayout(names.names).mapping());
    ASSERT_EQ(in.outcome, ImportResult::Outcome::Done) << in.error.toStdString();
    EXPECT_EQ(records(*to), records(*from));
    // The collection cannot be imported into itself.
    EXPECT_EQ(importer.importTable(dir.file("TO.DBF"), directMapping(25)).outcome,
              ImportResult::Outcome::Failed);

    // Three fields in a chosen order, as text without the caption line.
    data::DatabaseSettings s;
    for (int f = 1; f <= 25; ++f) s.field(f).exported = f == 3 || f == 7 || f == 14;
    s.field(14).exportOrder = 1;
    s.field(1).exportOrder = 14;
    s.exportOptions.firstRow = false;
    const QString txt = dir.file("three.txt");
    ASSERT_EQ(exportRecords(*from, txt, exportRequestFrom(s, ExportKind::Text), formats).outcome,
              ExportResult::Outcome::Done);
    EXPECT_TRUE(readFile(txt).startsWith(
        "\"\",\"C\xF4te d'Ivoire\",\"1840\"\r\n\"3/12/1954\",\"\xD6sterreich\","));
}

TEST(ExportImport, EmptyCollectionAndFailedExports) {
    test::TempFolder dir;
    auto t = newCollection(dir.file("EMPTY.DBF"));
    DisplayFormats formats;
    ASSERT_EQ(exportRecords(*t, dir.file("e.txt"), allFields(ExportKind::Text), formats).outcome,
              ExportResult::Outcome::Done);
    EXPECT_EQ(readFile(dir.file("e.txt")).count("\r\n"), 1);
    ASSERT_EQ(
        exportRecords(*t, dir.file("n.txt"), allFields(ExportKind::Text, false), formats).outcome,
        ExportResult::Outcome::Done);
    EXPECT_TRUE(QFileInfo::exists(dir.file("n.txt")));
    EXPECT_EQ(QFileInfo(dir.file("n.txt")).size(), 0);

    // A folder that is not there: a failure naming the file, never a completed export.
    fillSample(*t, 3);
    for (ExportKind kind : {ExportKind::Text, ExportKind::DBase}) {
        ExportResult r = exportRecords(*t, dir.file("gone/x.txt"), allFields(kind), formats);
        EXPECT_EQ(r.outcome, ExportResult::Outcome::Failed);
        EXPECT_FALSE(r.error.isEmpty());
    }
    // A stopped export leaves the file it would have replaced as it was, and no temporary file.
    writeFile(dir.file("old.txt"), "old");
    ExportResult stopped = exportRecords(*t, dir.file("old.txt"), allFields(ExportKind::Text),
                                         formats, [](uint64_t, uint64_t) { return false; });
    EXPECT_EQ(stopped.outcome, ExportResult::Outcome::Stopped);
    EXPECT_EQ(readFile(dir.file("old.txt")), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("old").size(), 1);
}

// A value a field cannot take stops the import at its line, naming the field and the value; the
// records before it stay and the count says how many.
TEST(Import, BadValuesStopAtTheirLineAndKeepWhatCameBefore) {
    struct Case {
        const char* line;
        const char* expected;  // words the message holds
    } cases[] = {
        {R"("X","d","c","f","12,50")", "12,50"},
        {R"("X","d","c","f","1.5","2.5")", "2.5"},
        {R"("X","d","c","f","","","","","","","","","","31/12/1954")", "31/12/1954"},
        {R"("X","d","c","f","","","","","","","","","","Christmas 54")", "Christmas 54"},
        {R"("X","d","Ł","f")", "U+0141"},
        {R"("X","d","A country name too long for its field")", "A country name too long"},
        {R"("X","d","c","f","","","","","","","","","","","","","","","","","","","","","","extra")",
         "more fields"},
        {R"("X","d"x,"c")", "closing quote"},
    };
    for (const Case& c : cases) {
        test::TempFolder dir;
        auto t = newCollection(dir.file("T.DBF"));
        const QString txt = dir.file("in.txt");
        QByteArray bytes = R"("A","d","c","f","1.25","2","1954","","","","","","","12/31/1954")"
                           "\r\n\r\n"
                           R"("B")"
                           "\r\n";
        bytes += QByteArray(c.line) + "\r\n\"C\"\r\n";
        writeFile(txt, bytes);
        DisplayFormats formats;
        Importer importer(*t, formats);
        ImportResult r = importer.importText(txt, directMapping(25), false);
        EXPECT_EQ(r.outcome, ImportResult::Outcome::Failed) << c.line;
        EXPECT_EQ(r.added, 2u) << c.line;
        EXPECT_TRUE(r.error.contains("line 4")) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.expected))) << r.error.toStdString();
        EXPECT_TRUE(r.stopMessage().endsWith("2 records were added before it."))
            << r.stopMessage().toStdString();
        EXPECT_EQ(t->state(), Table::State::Browse);
        EXPECT_EQ(t->recordCount(), 2u);
        auto rows = records(*t);
        EXPECT_EQ(rows[0][4], "1.25");
        EXPECT_EQ(rows[0][13], "1954-12-31");
        EXPECT_EQ(rows[1][0], "B");  // fewer fields: the rest stays blank
        EXPECT_EQ(rows[1][4], "");
    }
}

TEST(Import, StoppedImportKeepsItsRecords) {
    test::TempFolder dir;
    auto t = newCollection(dir.file("T.DBF"));
    QByteArray bytes;
    for (int i = 0; i < 1000; ++i) bytes += "\"R" + QByteArray::number(i) + "\"\n";
    writeFile(dir.file("in.txt"), bytes);
    DisplayFormats formats;
    Importer importer(*t, formats);
    ImportResult r =
        importer.importText(dir.file("in.txt"), directMapping(1), false,
                            [](uint64_t added, uint64_t, uint64_t) { return added < 500; });
    EXPECT_EQ(r.outcome, ImportResult::Outcome::Stopped);
    EXPECT_GE(r.added, 500u);
    EXPECT_EQ(t->recordCount(), r.added);
    EXPECT_TRUE(r.stopMessage().startsWith("The import was stopped."));
}

// What the export writes, other programs read: Python's csv module and dbfread.
TEST(ExportImport, OtherProgramsReadTheExports) {
    const QString python = QFileInfo::exists("/usr/bin/python3")
                               ? QStringLiteral("/usr/bin/python3")
                               : QStandardPaths::findExecutable("python3");
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed";
    test::TempFolder dir;
    auto t = newCollection(dir.file("T.DBF"));
    fillSample(*t, 6);
    DisplayFormats formats;
    ASSERT_EQ(exportRecords(*t, dir.file("o.txt"), allFields(ExportKind::Text), formats).outcome,
              ExportResult::Outcome::Done);
    QProcess csv;
    csv.start(
        python,
        {"-c",
         "import csv,sys\nrows=list(csv.reader(open(sys.argv[1],encoding='cp1252',newline='')))\n"
         "print(len(rows), len(rows[0]), rows[1][1], rows[2][2], rows[3][13])",
         dir.file("o.txt")});
    ASSERT_TRUE(csv.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(csv.readAllStandardOutput()).trimmed(),
              "7 25 12\" block, \"mint\" pair \xC3\x96sterreich 12/31/1954");

    QProcess check;
    check.start(python, {"-c", "import dbfread"});
    check.waitForFinished();
    if (check.exitCode() != 0) GTEST_SKIP() << "python3-dbfread is not installed";
    ASSERT_EQ(exportRecords(*t, dir.file("O.DBF"), allFields(ExportKind::DBase), formats).outcome,
              ExportResult::Outcome::Done);
    QProcess dbf;
    dbf.start(python, {"-c",
                       "import dbfread,sys\nrows=list(dbfread.DBF(sys.argv[1],encoding='cp1252'))\n"
                       "print(len(rows), rows[1]['COUNTRY'], rows[2]['MARKETVALU'], "
                       "rows[1]['DATE'], rows[0]['DATE'])",
                       dir.file("O.DBF")});
    ASSERT_TRUE(dbf.waitForFinished());
    EXPECT_EQ(dbf.readAllStandardOutput().trimmed().toStdString(),
              "6 \xC3\x96sterreich 2.25 1954-03-12 None")
        << dbf.readAllStandardError().toStdString();
}
