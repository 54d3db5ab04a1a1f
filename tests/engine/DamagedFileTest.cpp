// Damaged and foreign files give a Status that names the file and the defect, never a crash.
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "engine/TableCheck.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

// Byte offsets in the header of the table made by validTable().
constexpr size_t kField1 = 32, kField2 = 64, kField3 = 96, kTerminator = 128;
constexpr size_t kType = 11, kWidth = 16, kDecimals = 17;

void put16(std::string& b, size_t at, uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

class DamagedFile : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string good = folder.file("good.dbf");
        ASSERT_OK(Table::create(good, {FieldDef::text("NAME", 10), FieldDef::whole("QTY"), FieldDef::date("WHEN")}));
        OPEN_TABLE(t, good, OpenMode::Exclusive);
        const char* rows[3][3] = {{"Penny Black", "1", "1840-05-06"}, {"Ä", "", ""}, {"x", "-5", "2000-02-29"}};
        for (auto& row : rows) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setText(0, std::string(row[0]).substr(0, 10)));
            ASSERT_OK(t->setText(1, row[1]));
            ASSERT_OK(t->setText(2, row[2]));
            ASSERT_OK(t->post());
        }
        valid = readBytes(good);
        recordLength = t->header().recordLength;
        ASSERT_EQ(t->header().headerLength, kTerminator + 1);
        path = folder.file("bad.dbf");
    }
    // Reads every field of every record the table shows, as a caller would.
    static void readEverything(Table& t) {
        std::string s;
        for (Status st = t.first(); st && !t.eof(); st = t.next())
            for (int f = 0; f < t.fieldCount(); ++f) {
                (void)t.readText(f, s);
                (void)t.isBlank(f);
                if (t.field(f).isNumber()) (void)t.number(f);
                if (t.field(f).type == FieldType::Date) (void)t.date(f);
            }
    }

    TempFolder folder;
    std::string valid, path;
    size_t recordLength = 0;
};

TEST_F(DamagedFile, HeaderDefectsAreNamed) {
    struct Case {
        const char* defect;
        std::function<void(std::string&)> damage;
        Status::Code code;
        const char* message;
    } const cases[] = {
        {"empty file", [](std::string& b) { b.clear(); }, Status::Code::Corruption, "too short"},
        {"truncated header", [](std::string& b) { b.resize(20); }, Status::Code::Corruption, "too short"},
        {"cut inside the descriptors", [](std::string& b) { b.resize(90); }, Status::Code::Corruption, "header is truncated"},
        {"header length past the end", [](std::string& b) { put16(b, 8, 5000); }, Status::Code::Corruption, "declares 5000 bytes"},
        {"header length too small", [](std::string& b) { put16(b, 8, 40); }, Status::Code::Corruption, "header length 40"},
        {"header length below 32", [](std::string& b) { put16(b, 8, 10); }, Status::Code::Corruption, "header length 10"},
        {"record length", [&](std::string& b) { put16(b, 10, uint16_t(recordLength + 1)); }, Status::Code::Corruption, "record length"},
        {"record count", [](std::string& b) { put32(b, 4, 100); }, Status::Code::Corruption, "declares 100 records"},
        {"last record cut short", [](std::string& b) { b.resize(b.size() - 5); }, Status::Code::Corruption, "holds only 2"},
        {"text width 0", [](std::string& b) { b[kField1 + kWidth] = 0; }, Status::Code::Corruption, "text width of 0"},
        {"number width 99", [](std::string& b) { b[kField2 + kWidth] = 99; }, Status::Code::Corruption, "number width of 99"},
        {"decimals beyond width", [](std::string& b) { b[kField2 + kDecimals] = 10; }, Status::Code::Corruption, "10 decimals"},
        {"date width 5", [](std::string& b) { b[kField3 + kWidth] = 5; }, Status::Code::Corruption, "date width of 5"},
        {"no terminator", [](std::string& b) { b[kTerminator] = ' '; }, Status::Code::Corruption, "terminator"},
        {"name without zero", [](std::string& b) { std::memset(b.data() + kField1, 'A', 11); }, Status::Code::Corruption, "terminating zero"},
        {"empty name", [](std::string& b) { b[kField2] = 0; }, Status::Code::Corruption, "empty name"},
        {"unknown type", [](std::string& b) { b[kField2 + kType] = 'X'; }, Status::Code::Corruption, "unknown type X"},
        {"memo field", [](std::string& b) { b[kField1 + kType] = 'M'; }, Status::Code::NotSupported, "memo"},
        {"foreign version", [](std::string& b) { b[0] = char(0x30); }, Status::Code::Corruption, "version byte 0x30"},
    };
    for (const Case& c : cases) {
        std::string bytes = valid;
        c.damage(bytes);
        writeBytes(path, bytes);
        for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
            auto t = Table::open(path, mode);
            ASSERT_FALSE(t) << c.defect;
            EXPECT_EQ(t.status().code(), c.code) << c.defect << ": " << t.status().message();
            EXPECT_NE(t.status().message().find(path), std::string::npos) << c.defect << ": " << t.status().message();
            EXPECT_NE(t.status().message().find(c.message), std::string::npos) << c.defect << ": " << t.status().message();
        }
        EXPECT_EQ(checkTable(path).status().code(), c.code) << c.defect;
    }
}

TEST_F(DamagedFile, MissingEndOfFileMarkerIsTolerated) {
    ASSERT_EQ(valid.back(), '\x1A');
    writeBytes(path, valid.substr(0, valid.size() - 1));
    Result<CheckReport> check = checkTable(path);
    ASSERT_OK(check);
    EXPECT_TRUE(check->sound());
    EXPECT_FALSE(check->eofMarker);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        EXPECT_EQ(*t->countLive(), 3u);
        ASSERT_OK(t->last());
        EXPECT_EQ(t->text(2), "2000-02-29");
        ASSERT_OK(t->append());
        ASSERT_OK(t->post());
    }
    check = checkTable(path);
    ASSERT_OK(check);
    EXPECT_TRUE(check->eofMarker);  // the next append writes it again
    EXPECT_EQ(check->records, 4u);
}

TEST_F(DamagedFile, BadValuesInRecordsAreReportedNotMisread) {
    std::string bytes = valid;
    const size_t rec2 = kTerminator + 1 + recordLength;
    std::memcpy(bytes.data() + rec2 + 1 + 10, "        abc", 11);    // QTY of record 2
    std::memcpy(bytes.data() + rec2 + recordLength + 1 + 21, "20231345", 8);  // WHEN of record 3
    bytes[kTerminator + 1] = 'X';                                    // deletion flag of record 1
    writeBytes(path, bytes);

    OPEN_TABLE(t, path, OpenMode::Shared);
    ASSERT_OK(t->go(2));
    std::string text;
    Status s = t->readText(1, text);
    EXPECT_EQ(s.code(), Status::Code::Corruption);
    EXPECT_NE(s.message().find(path), std::string::npos) << s.message();
    EXPECT_NE(s.message().find("QTY"), std::string::npos) << s.message();
    EXPECT_NE(s.message().find("abc"), std::string::npos) << s.message();
    EXPECT_FALSE(t->number(1));
    ASSERT_OK(t->go(3));
    EXPECT_EQ(t->date(2).status().code(), Status::Code::Corruption);
    EXPECT_EQ(t->text(2), "");

    Result<CheckReport> check = checkTable(path);
    ASSERT_OK(check);
    ASSERT_EQ(check->problems.size(), 3u);
    EXPECT_NE(check->problems[0].find("deletion flag"), std::string::npos) << check->problems[0];
    EXPECT_NE(check->problems[1].find("record 2"), std::string::npos) << check->problems[1];
    EXPECT_NE(check->problems[2].find("20231345"), std::string::npos) << check->problems[2];
}

// Random damage to the header (and now and then a record) must end in a Status or a readable
// table, never in a crash; the sanitizer build checks the reads on the way.
TEST_F(DamagedFile, RandomDamageNeverCrashes) {
    std::mt19937 random(97);
    const size_t headerLength = kTerminator + 1;
    int opened = 0;
    for (int round = 0; round < 500; ++round) {
        std::string bytes = valid;
        const int flips = std::uniform_int_distribution<int>(1, 3)(random);
        for (int i = 0; i < flips; ++i)
            bytes[std::uniform_int_distribution<size_t>(0, headerLength - 1)(random)] = char(random());
        if (round % 4 == 0)
            bytes[std::uniform_int_distribution<size_t>(headerLength, bytes.size() - 1)(random)] = char(random());
        if (round % 5 == 0) bytes.resize(std::uniform_int_distribution<size_t>(0, bytes.size())(random));
        writeBytes(path, bytes);

        auto t = Table::open(path, OpenMode::Exclusive);
        if (!t) {
            EXPECT_NE(t.status().message().find(path), std::string::npos) << t.status().message();
            continue;
        }
        ++opened;
        readEverything(**t);
        (void)(*t)->countLive();
        if ((*t)->append()) (void)(*t)->post();
        (void)(*t)->pack();
        readEverything(**t);
        t->reset();
        (void)checkTable(path);
    }
    EXPECT_GT(opened, 0);  // some damage (dates, counts within range) leaves a table that opens
}

}  // namespace
