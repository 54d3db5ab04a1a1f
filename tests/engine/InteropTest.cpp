// Our collection table read by other dBase clients (python3-dbfread, python3-dbf), and a table
// written by python3-dbf read by us, value for value.
#include <cstdio>
#include <sstream>

#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

constexpr const char* kPython = "/usr/bin/python3";

struct Column {
    const char* name;
    char type;
    int width;
    int decimals;
};

// The collection table's fields.
const Column kColumns[] = {
    {"CATALOG", 'C', 12, 0},    {"DESCRIPTIO", 'C', 110, 0}, {"COUNTRY", 'C', 20, 0},   {"FACEVALUE", 'C', 20, 0},
    {"MARKETVALU", 'N', 20, 4}, {"QUANTITY", 'N', 11, 0},    {"YEAR", 'N', 11, 0},      {"COMMENTS", 'C', 110, 0},
    {"CONDITION", 'C', 9, 0},   {"GROUP", 'C', 20, 0},       {"STAMPTYPE", 'C', 16, 0}, {"CANCELLATI", 'C', 13, 0},
    {"TOPIC", 'C', 20, 0},      {"DATE", 'D', 8, 0},         {"COST", 'N', 20, 4},      {"GUM", 'C', 8, 0},
    {"COLOR", 'C', 16, 0},      {"FAULTS", 'C', 90, 0},      {"HINGED", 'C', 7, 0},     {"MISCELLANE", 'C', 110, 0},
    {"CATALOGI", 'N', 11, 0},   {"USERDEF1", 'C', 40, 0},    {"USERDEF2", 'C', 40, 0},  {"USERDEF3", 'C', 40, 0},
    {"WANTED", 'C', 3, 0},
};
constexpr int kColumnCount = int(std::size(kColumns));

using Row = std::vector<std::string>;

// Values in the engine's text form: "" is blank, numbers in shortest form, dates ISO.
const std::vector<Row> kRows = {
    {"AT 1a", "Wappen, 1 Kreuzer \"gelb\", Handpapier", "Österreich", "1 Kr", "1234.5", "2", "1850",
     "Schöne Farbe; Ränder breit, 'geprüft'", "**", "Klassik", "Marke", "Wien", "Heraldik", "2024-02-29", "99.95",
     "o.G.", "gelb", "", "ja", "Notiz: «Prüfung» ½ Œuvre — 3€", "17", "Ä", "", "x,y", "Yes"},
    {"ES 1", "", "España", "", "", "", "0", "", "", "", "", "", "", "", "0", "", "", "", "", "", "", "", "", "", ""},
    {"ABCDEFGHIJKË", "Cérès, 10 c. \"bistre\"", "France", "10 c", "-0.25", "-3", "1849", "", "*", "", "", "",
     "", "1999-12-31", "12345678901.1234", "", "", "thin; short perf", "", "", "99999999999", "", "", "", "No"},
    {"VA 7", "", "", "", "0.0001", "1", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
};

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string hex(const std::string& s) {
    std::string out;
    char b[3];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

std::string unhex(const std::string& h) {
    std::string out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(char(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

class Interop : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(kPython, X_OK) != 0) GTEST_SKIP() << kPython << " is missing";
        const std::string check = std::string(kPython) + " -c 'import dbf, dbfread' >/dev/null 2>&1";
        if (std::system(check.c_str()) != 0)
            GTEST_SKIP() << kPython << " lacks dbf or dbfread: install python3-dbf and python3-dbfread";
    }
    // Runs a Python script with arguments; answers its exit code and fills `output`.
    int runPython(const std::string& script, const std::string& args, std::string& output) {
        const std::string file = folder.file("script.py"), out = folder.file("script.out");
        writeBytes(file, script);
        const std::string cmd = std::string(kPython) + " " + file + " " + args + " >" + out + " 2>&1";
        const int rc = std::system(cmd.c_str());
        output = readBytes(out);
        return rc;
    }
    TempFolder folder;
};

// Prints the field names, then per record the hex of each value's UTF-8 text in our text form.
const char* kReader = R"PY(
import sys, datetime
lib, path = sys.argv[1], sys.argv[2]
def norm(v):
    if v is None: return ''
    if isinstance(v, bool): return 'T' if v else 'F'
    if isinstance(v, int): return str(v)
    if isinstance(v, float): return str(int(v)) if v.is_integer() else repr(v)
    if isinstance(v, datetime.date): return v.isoformat()
    return str(v).rstrip(' ')
rows = []
if lib == 'dbfread':
    import dbfread
    t = dbfread.DBF(path)
    names = list(t.field_names)
    rows = [[r[n] for n in names] for r in t]
else:
    import dbf
    t = dbf.Table(path)
    t.open(dbf.READ_ONLY)
    names = [n.upper() for n in t.field_names]
    rows = [[r[n] for n in t.field_names] for r in t]
    t.close()
print('\t'.join(names))
for row in rows:
    print('\t'.join(norm(v).encode('utf-8').hex() for v in row))
)PY";

std::vector<Row> parseReaderOutput(const std::string& output, Row& names) {
    std::istringstream in(output);
    std::string line;
    std::vector<Row> rows;
    for (bool first = true; std::getline(in, line); first = false) {
        Row cells;
        std::string cell;
        std::istringstream fields(line);
        while (std::getline(fields, cell, '\t')) cells.push_back(first ? cell : unhex(cell));
        if (!line.empty() && line.back() == '\t') cells.push_back("");
        if (first)
            names = cells;
        else
            rows.push_back(cells);
    }
    return rows;
}

TEST_F(Interop, OtherClientsReadOurTable) {
    const std::string path = folder.file("STAMPS.DBF");
    std::vector<FieldDef> defs;
    for (const Column& c : kColumns)
        defs.push_back(c.type == 'C' ? FieldDef::text(c.name, c.width)
                       : c.type == 'D' ? FieldDef::date(c.name)
                       : c.decimals ? FieldDef::floating(c.name) : FieldDef::whole(c.name));
    ASSERT_OK(Table::create(path, defs));
    {
        OPEN_TABLE(t, path, OpenMode::Shared);
        for (const Row& row : kRows) {
            ASSERT_OK(t->append());
            for (int f = 0; f < kColumnCount; ++f) ASSERT_OK(t->setText(f, row[size_t(f)]));
            ASSERT_OK(t->post());
            for (int f = 0; f < kColumnCount; ++f) EXPECT_EQ(rtrim(t->text(f)), row[size_t(f)]) << kColumns[f].name;
        }
    }
    for (const char* lib : {"dbfread", "dbf"}) {
        SCOPED_TRACE(lib);
        std::string output;
        ASSERT_EQ(runPython(kReader, std::string(lib) + " " + path, output), 0) << output;
        Row names;
        const std::vector<Row> rows = parseReaderOutput(output, names);
        ASSERT_EQ(names.size(), size_t(kColumnCount)) << output;
        for (int f = 0; f < kColumnCount; ++f) EXPECT_EQ(names[size_t(f)], kColumns[f].name);
        ASSERT_EQ(rows.size(), kRows.size()) << output;
        for (size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), size_t(kColumnCount)) << "record " << r + 1;
            for (int f = 0; f < kColumnCount; ++f)
                EXPECT_EQ(rows[r][size_t(f)], kRows[r][size_t(f)]) << "record " << r + 1 << ", " << kColumns[f].name;
        }
    }
}

// A Python literal for one value of a column.
std::string pythonValue(const Column& c, const std::string& v) {
    if (c.type == 'C') return "bytes.fromhex('" + hex(v) + "').decode('utf-8')";
    if (v.empty()) return "None";
    if (c.type == 'D') return "datetime.date(" + std::to_string(std::stoi(v.substr(0, 4))) + ", " +
                              std::to_string(std::stoi(v.substr(5, 2))) + ", " + std::to_string(std::stoi(v.substr(8, 2))) + ")";
    return c.decimals ? "float('" + v + "')" : v;
}

TEST_F(Interop, WeReadATableWrittenByPythonDbf) {
    const std::string path = folder.file("written.dbf");
    // python3-dbf writes dBase III tables, whose numbers are at most 19 wide.
    std::string specs, rows;
    for (const Column& c : kColumns) {
        if (!specs.empty()) specs += "; ";
        specs += std::string(c.name) + " " + c.type;
        if (c.type == 'C') specs += "(" + std::to_string(c.width) + ")";
        if (c.type == 'N') specs += "(" + std::to_string(std::min(c.width, 19)) + "," + std::to_string(c.decimals) + ")";
    }
    for (const Row& row : kRows) {
        rows += "    (";
        for (int f = 0; f < kColumnCount; ++f) rows += pythonValue(kColumns[f], row[size_t(f)]) + ", ";
        rows += "),\n";
    }
    const std::string script = "import dbf, datetime\n"
                               "t = dbf.Table(bytes.fromhex('" + hex(path) + "').decode(), '" + specs +
                               "', codepage='cp1252')\n"
                               "t.open(dbf.READ_WRITE)\n"
                               "for row in [\n" + rows + "]:\n"
                               "    t.append(row)\n"
                               "t.close()\n";
    std::string output;
    ASSERT_EQ(runPython(script, "", output), 0) << output << "\n" << script;

    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_EQ(t->codePage().id(), CodePage::Id::Windows1252);
    ASSERT_EQ(t->fieldCount(), kColumnCount);
    for (int f = 0; f < kColumnCount; ++f) {
        EXPECT_EQ(t->field(f).name, kColumns[f].name);
        EXPECT_EQ(char(t->field(f).type), kColumns[f].type);
    }
    ASSERT_EQ(t->recordCount(), kRows.size());
    size_t r = 0;
    for (Status s = t->first(); s && !t->eof(); s = t->next(), ++r) {
        for (int f = 0; f < kColumnCount; ++f) {
            std::string text;
            EXPECT_OK(t->readText(f, text));
            EXPECT_EQ(rtrim(text), kRows[r][size_t(f)]) << "record " << r + 1 << ", " << kColumns[f].name;
        }
    }
    EXPECT_EQ(r, kRows.size());
}

}  // namespace
