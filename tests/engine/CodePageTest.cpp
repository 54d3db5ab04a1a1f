// Text is stored in the code page the header's language driver names, and a character that code
// page lacks is refused before anything is written.
#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

constexpr int kLanguageDriverOffset = 29;

// Creates a one-field table and rewrites its language-driver byte.
std::string tableWithDriver(const TempFolder& folder, uint8_t driver) {
    const std::string path = folder.file("cp.dbf");
    EXPECT_OK(Table::create(path, {FieldDef::text("NAME", 8)}));
    std::string bytes = readBytes(path);
    bytes[kLanguageDriverOffset] = char(driver);
    writeBytes(path, bytes);
    return path;
}

// The stored bytes of field NAME of record 1.
std::string storedName(const std::string& path) {
    const std::string bytes = readBytes(path);
    const DbfHeader h = *DbfHeader::parse(bytes, bytes.size(), path);
    return bytes.substr(h.dataOffset(1) + 1, 8);
}

TEST(CodePage, NewTablesAreWindows1252) {
    TempFolder folder;
    const std::string path = folder.file("new.dbf");
    ASSERT_OK(Table::create(path, {FieldDef::text("NAME", 8)}));
    EXPECT_EQ(uint8_t(readBytes(path)[kLanguageDriverOffset]), 0x57);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        EXPECT_EQ(t->codePage().id(), CodePage::Id::Windows1252);
        ASSERT_OK(t->append());
        ASSERT_OK(t->setText(0, "é€Ñœ"));
        for (const char* lacking : {"✓", "ő", "Ω"}) {
            Status s = t->setText(0, lacking);
            EXPECT_EQ(s.code(), Status::Code::InvalidArgument) << lacking;
            EXPECT_NE(s.message().find(lacking), std::string::npos) << s.message();
        }
        ASSERT_OK(t->post());
    }
    EXPECT_EQ(storedName(path), "\xE9\x80\xD1\x9C    ");
    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_EQ(t->text(0), "é€Ñœ    ");
}

TEST(CodePage, CreateInADosCodePageWritesItsDriver) {
    TempFolder folder;
    const std::string path = folder.file("dos.dbf");
    ASSERT_OK(Table::create(path, {FieldDef::text("NAME", 8)}, CodePage::Id::Dos850));
    EXPECT_EQ(uint8_t(readBytes(path)[kLanguageDriverOffset]), 0x02);
}

struct DosCase {
    uint8_t driver;
    CodePage::Id id;
    const char* text;     // UTF-8 the code page holds
    const char* stored;   // its bytes in that code page
    const char* refused;  // a character it lacks
};

void PrintTo(const DosCase& c, std::ostream* os) { *os << "driver " << int(c.driver); }

class DosCodePage : public ::testing::TestWithParam<DosCase> {};

TEST_P(DosCodePage, StoresItsOwnBytesAndReadsThemBack) {
    const DosCase& c = GetParam();
    TempFolder folder;
    const std::string path = tableWithDriver(folder, c.driver);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        EXPECT_EQ(t->codePage().id(), c.id);
        ASSERT_OK(t->append());
        ASSERT_OK(t->setText(0, c.text));
        ASSERT_OK(t->post());
    }
    EXPECT_EQ(storedName(path), std::string(c.stored) + "    ");
    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_EQ(t->text(0), std::string(c.text) + "    ");
    EXPECT_EQ(t->header().languageDriver, c.driver);  // kept as found
}

TEST_P(DosCodePage, RefusesCharactersItLacksAndWritesNothing) {
    const DosCase& c = GetParam();
    TempFolder folder;
    const std::string path = tableWithDriver(folder, c.driver);
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->append());
        ASSERT_OK(t->setText(0, "ok"));
        ASSERT_OK(t->post());
    }
    const std::string before = readBytes(path);
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->edit());
    for (const char* ch : {c.refused, "€", "✓"}) {
        Status s = t->setText(0, std::string("a") + ch);
        EXPECT_EQ(s.code(), Status::Code::InvalidArgument) << ch;
        EXPECT_NE(s.message().find(ch), std::string::npos) << s.message();
        EXPECT_NE(s.message().find("NAME"), std::string::npos) << s.message();
        EXPECT_EQ(t->text(0), "ok      ");
    }
    t->cancel();
    t.reset();
    EXPECT_EQ(readBytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, DosCodePage,
    ::testing::Values(DosCase{0x01, CodePage::Id::Dos437, "éÄñ¢", "\x82\x8E\xA4\x9B", "ø"},
                      DosCase{0x1B, CodePage::Id::Dos437, "ÇüÉß", "\x80\x81\x90\xE1", "Ø"},
                      DosCase{0x02, CodePage::Id::Dos850, "éÄñø", "\x82\x8E\xA4\x9B", "ő"},
                      DosCase{0x37, CodePage::Id::Dos850, "ÁÔõÿ", "\xB5\xE2\xE4\x98", "ł"},
                      DosCase{0x1A, CodePage::Id::Dos850, "ØÐþ¤", "\x9D\xD1\xE7\xCF", "€"}),
    [](const auto& info) {
        char name[16];
        std::snprintf(name, sizeof name, "Driver0x%02X", info.param.driver);
        return std::string(name);
    });

}  // namespace
