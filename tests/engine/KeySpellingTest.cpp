// The spelling of key expressions: every tag we write stores its expression in upper case (the
// text of literals apart); a tag spelled in any case is read, kept up to date and matched.
#include <cstring>

#include "TestSupport.h"
#include "engine/KeyExpression.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

const std::vector<FieldDef> kFields = {FieldDef::whole("SEQ"), FieldDef::text("NAME", 20)};

// The key expression stored in the header of tag 1 of an index file.
std::string storedExpression(const std::string& mdx) {
    const std::string bytes = readBytes(mdx);
    const uint32_t headerPage =
        uint32_t(uint8_t(bytes[544])) | (uint32_t(uint8_t(bytes[545])) << 8);
    return std::string(bytes.c_str() + headerPage * 512 + 24);
}

void setStoredExpression(const std::string& mdx, const std::string& expression) {
    std::string bytes = readBytes(mdx);
    const uint32_t headerPage =
        uint32_t(uint8_t(bytes[544])) | (uint32_t(uint8_t(bytes[545])) << 8);
    std::memcpy(&bytes[headerPage * 512 + 24], expression.c_str(), expression.size() + 1);
    writeBytes(mdx, bytes);
}

std::vector<int64_t> seqsInOrder(Table& t, const std::string& tag) {
    std::vector<int64_t> seqs;
    EXPECT_OK(t.setOrder(tag));
    for (Status s = t.first(); s && !t.eof(); s = t.next()) seqs.push_back(*t.wholeNumber(0));
    return seqs;
}

std::vector<std::string> problemsOf(Table& t) {
    std::vector<std::string> problems;
    EXPECT_OK(t.checkIndex(problems));
    return problems;
}

// Names whose order differs with and without regard to case: SEQ 1..4 = "b", "A", "c", "B".
void fill(Table& t) {
    const char* names[] = {"b", "A", "c", "B"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_OK(t.append());
        ASSERT_OK(t.setWhole(0, i + 1));
        ASSERT_OK(t.setText(1, names[i]));
        ASSERT_OK(t.post());
    }
}

}  // namespace

TEST(KeySpelling, CanonicalSpellingUpperCasesNamesAndKeepsLiterals) {
    struct Case {
        std::string given, canonical;
    } cases[] = {
        {"Upper(Left(Country,80))", "UPPER(LEFT(COUNTRY,80))"},
        {"str(Seq,12,0)+dtos(Day)", "STR(SEQ,12,0)+DTOS(DAY)"},
        // Each kind of literal keeps its text, a quote of another kind inside it included.
        {"name+\"it's Ab\"+'say \"x\"'+[Mixed 'q']+name",
         "NAME+\"it's Ab\"+'say \"x\"'+[Mixed 'q']+NAME"},
        {"left(name,2)+\"é\"", "LEFT(NAME,2)+\"é\""},
        {"  Trim( name )  ", "  TRIM( NAME )  "},
        {"left(name,\"open", "LEFT(NAME,\"open"},  // a literal left open
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyExpression::canonicalSpelling(c.given), c.canonical) << c.given;
        EXPECT_TRUE(KeyExpression::sameSpelling(c.given, c.canonical)) << c.given;
    }
    EXPECT_TRUE(KeyExpression::sameSpelling(" Upper(Name)\t", "UPPER(NAME)"));
    EXPECT_FALSE(KeyExpression::sameSpelling("Name+\"ab\"", "NAME+\"AB\""));
    EXPECT_FALSE(KeyExpression::sameSpelling("UPPER(NAME)", "UPPER(NAME)+NAME"));
}

// Tags added, replaced and rebuilt store the canonical spelling, and reopen, order and check
// clean; the program's own spelling is still accepted wherever a tag is named or compared.
TEST(KeySpelling, TagsWeWriteStoreTheUpperCaseSpelling) {
    TempFolder dir;
    const std::string path = dir.file("S.DBF");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        fill(*t);
        ASSERT_OK(t->addTag("NewIndex", "Upper(Left(Name,10))+\"Ab\""));
        EXPECT_EQ(t->tagExpression("NewIndex"), "UPPER(LEFT(NAME,10))+\"Ab\"");
        EXPECT_EQ(storedExpression(dir.file("S.MDX")), "UPPER(LEFT(NAME,10))+\"Ab\"");
        EXPECT_EQ(seqsInOrder(*t, "NewIndex"), (std::vector<int64_t>{2, 1, 4, 3}));

        ASSERT_OK(t->replaceTag("NewIndex", "Left(Name,10)+[xY]"));
        EXPECT_EQ(storedExpression(dir.file("S.MDX")), "LEFT(NAME,10)+[xY]");
        EXPECT_TRUE(
            KeyExpression::sameSpelling(t->tagExpression("NewIndex"), "left(name,10)+[xY]"));
        EXPECT_EQ(seqsInOrder(*t, "NewIndex"), (std::vector<int64_t>{2, 4, 1, 3}));
    }
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    EXPECT_EQ(t->indexProblem(), "");
    ASSERT_OK(t->append());
    ASSERT_OK(t->setWhole(0, 5));
    ASSERT_OK(t->setText(1, "a"));
    ASSERT_OK(t->post());
    EXPECT_EQ(seqsInOrder(*t, "NewIndex"), (std::vector<int64_t>{2, 4, 5, 1, 3}));
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
    ASSERT_OK(t->regenerateIndexes());
    EXPECT_EQ(storedExpression(dir.file("S.MDX")), "LEFT(NAME,10)+[xY]");
}

// A tag another program stored in mixed case opens, orders, checks clean and is kept up to date;
// rebuilding it stores the upper-case spelling with the same keys.
TEST(KeySpelling, ATagStoredInMixedCaseIsReadAndRebuiltInUpperCase) {
    TempFolder dir;
    const std::string path = dir.file("M.DBF");
    ASSERT_OK(Table::create(path, kFields));
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        fill(*t);
        ASSERT_OK(t->addTag("BYNAME", "UPPER(NAME)+\"Ab\""));
    }
    setStoredExpression(dir.file("M.MDX"), "Upper(name)+\"Ab\"");
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        EXPECT_EQ(t->indexProblem(), "");
        EXPECT_EQ(t->tagExpression("BYNAME"), "Upper(name)+\"Ab\"");
        EXPECT_EQ(seqsInOrder(*t, "BYNAME"), (std::vector<int64_t>{2, 1, 4, 3}));
        ASSERT_OK(t->go(3));
        ASSERT_OK(t->edit());
        ASSERT_OK(t->setText(1, "a"));
        ASSERT_OK(t->post());
        EXPECT_EQ(seqsInOrder(*t, "BYNAME"), (std::vector<int64_t>{2, 3, 1, 4}));
        EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
        ASSERT_OK(t->regenerateIndexes());
        EXPECT_EQ(storedExpression(dir.file("M.MDX")), "UPPER(NAME)+\"Ab\"");
    }
    OPEN_TABLE(t, path, OpenMode::Shared);
    EXPECT_EQ(seqsInOrder(*t, "BYNAME"), (std::vector<int64_t>{2, 3, 1, 4}));
    EXPECT_EQ(problemsOf(*t), std::vector<std::string>{});
}
