// KeyExpression: the dBase expression an index tag is built on, parsed once against the table's
// fields and then evaluated for every record into the tag's fixed-length key.
//
// The language (names of fields and functions are matched without regard to case):
//   field names       C fields give their stored bytes (width = field width), N and F fields
//                     numbers, D fields dates. Logical fields are refused.
//   literals          "text", 'text' or [text]; numbers such as 12, 12.5 or .5
//   a + b             text joined to text (trailing blanks kept); number + number; date + days
//   a - b             text joined to text with the first one's trailing blanks moved to the end;
//                     number - number; date - days; date - date (days between, 0 with a blank)
//   -a, +a            on numbers
//   UPPER(c)          upper case, byte by byte, through CodePage::upper()
//   LEFT(c,n)         the first n bytes; RIGHT(c,n) the last n
//   SUBSTR(c,s[,n])   n bytes (or all the rest) from byte s, counted from 1
//   TRIM(c), RTRIM(c) trailing blanks removed; LTRIM(c) leading blanks removed
//   STR(n[,len[,dec]])  n right-justified in len bytes (10) with dec decimals (0), rounded half
//                     away from zero; len asterisks when it does not fit: STR(123456,4) = "****"
//   DTOS(d)           "YYYYMMDD"; 8 blanks for a blank date
//   VAL(c)            the number the text starts with (after blanks), 0 when none
//
// Every key of a tag has the same length, so every text value has a width fixed when the
// expression is parsed:
//   - Lengths and positions (LEFT, RIGHT, SUBSTR, STR) must be whole numbers written in the
//     expression, not computed from fields.
//   - LEFT, RIGHT and SUBSTR return at most what their argument holds, as dBase does: with Country
//     a C(20) field, LEFT(Country,80) is the whole 20-byte field, so UPPER(LEFT(Country,80)) makes
//     20-byte keys. SUBSTR starting beyond the end gives empty text.
//   - TRIM, RTRIM and LTRIM, whose results vary in length, are padded with blanks back to the
//     width of their argument. TRIM(c) therefore equals c, and TRIM(First)+Last is First+Last;
//     dBase itself would join the trimmed text and pad only the whole key. LTRIM moves the text
//     left: LTRIM("  ab") is "ab  ".
// A character key is 1 to 100 bytes long; the expression is refused when its width is outside
// that. Numeric keys are 12 bytes, date keys 8, in the forms docs/mdx-keys.md describes.
//
// Expression text is UTF-8, like every text the engine takes; the text of literals is stored in
// the table's code page (a character it lacks is refused), so that literals compare with field
// bytes. An expression read from an index file must be decoded from its code page first.
//
// Evaluation never fails: a blank or unreadable number counts as 0, a blank or impossible date
// as blank (and blank + days stays blank).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CodePage.h"
#include "engine/Date.h"
#include "engine/Field.h"
#include "engine/Status.h"

namespace vz::engine {

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

class KeyExpression {
public:
    static constexpr int kMaxCharacterKey = 100;
    static constexpr int kNumericKeyLength = 12;
    static constexpr int kDateKeyLength = 8;

    // Parses `text` against the table's fields. An expression that cannot make a key is an
    // InvalidArgument whose message quotes the expression and names the defect.
    static Result<KeyExpression> parse(std::string_view text, const std::vector<Field>& fields,
                                       const CodePage& codePage);

    // The spelling an index tag stores: `text` with every ASCII letter outside literals in upper
    // case ("Upper(Left(Country,80))" becomes "UPPER(LEFT(COUNTRY,80))"); the text of a literal
    // ("...", '...' or [...]) and everything else are kept byte for byte. Some readers match names
    // of fields and functions only in upper case, so every tag written is spelled this way; any
    // spelling is read. A literal left open keeps the rest of the text as it is.
    static std::string canonicalSpelling(std::string_view text);
    // True when `a` and `b` spell the same expression: equal once both are in canonical spelling
    // and blanks and tabs at either end are dropped. Literals still compare with their case.
    static bool sameSpelling(std::string_view a, std::string_view b);

    // The text as given to parse(), not the canonical spelling.
    const std::string& text() const { return text_; }
    KeyType type() const { return type_; }
    // The key length in bytes: a character key its width, a numeric key 12, a date key 8.
    int length() const { return length_; }
    // Field indexes (0-based, ascending, each once) the expression reads.
    const std::vector<int>& fieldsUsed() const { return fieldsUsed_; }

    // Writes exactly length() bytes, the key of `record`, into `out`. `record` is a whole DBF
    // record: byte 0 the deletion flag, field i at 1 + fields[i].offset. Allocates nothing.
    void evaluate(const char* record, char* out) const;

    // Compares two keys of this expression's type: character keys byte by byte (unsigned),
    // numeric and date keys by value. <0, 0 or >0.
    int compare(const char* a, const char* b) const;

    // The value of a numeric key; the day number of a date key (0 for a blank date).
    static double numericKeyValue(const char* key12);
    static double dateKeyValue(const char* key8);
    // Compares numeric keys by value, exactly (all 20 digits).
    static int compareNumericKeys(const char* a, const char* b);

    // Keys for values given by the caller (a search, say). makeNumericKey reads decimal text
    // ("-12.5", blanks around allowed) and answers false when it is no number. makeDateKey gives
    // the blank key for a blank or impossible date.
    static bool makeNumericKey(std::string_view decimalText, char* key12);
    static void makeDateKey(const Date& date, char* key8);

    struct Program;  // the compiled expression; defined in KeyExpression.cpp

private:
    KeyExpression() = default;

    std::string text_;
    KeyType type_ = KeyType::Character;
    int length_ = 0;
    std::vector<int> fieldsUsed_;
    std::shared_ptr<const Program> program_;  // immutable, so copies share it
};

}  // namespace vz::engine
