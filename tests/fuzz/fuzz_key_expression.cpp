// Fuzz target: a key expression as a user types it or an index file holds it, evaluated on a
// record of arbitrary bytes. The input is the expression, a newline, then the record.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "engine/DbfHeader.h"
#include "engine/KeyExpression.h"

using namespace vz::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const DbfHeader header = *DbfHeader::forNewTable(
        vz::fuzz::fixedFields(), CodePage::get(CodePage::Id::Windows1252).languageDriver());
    static const CodePage& codePage = CodePage::get(CodePage::Id::Windows1252);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string_view text = input.substr(0, newline);
    std::string record(header.recordLength, ' ');
    if (newline != std::string_view::npos) {
        const std::string_view rest = input.substr(newline + 1);
        std::memcpy(record.data(), rest.data(), std::min(rest.size(), record.size()));
    }
    char numeric[KeyExpression::kNumericKeyLength];
    (void)KeyExpression::makeNumericKey(text, numeric);
    Result<KeyExpression> e = KeyExpression::parse(text, header.fields, codePage);
    if (!e) return 0;
    if (e->length() < 1 || e->length() > KeyExpression::kMaxCharacterKey) __builtin_trap();
    std::string key(size_t(e->length()), '\0'), blankKey(size_t(e->length()), '\0');
    e->evaluate(record.data(), key.data());
    const std::string blank(header.recordLength, ' ');
    e->evaluate(blank.data(), blankKey.data());
    if (e->compare(key.data(), key.data()) != 0) __builtin_trap();
    const int ab = e->compare(key.data(), blankKey.data()),
              ba = e->compare(blankKey.data(), key.data());
    if ((ab < 0) != (ba > 0) || (ab == 0) != (ba == 0)) __builtin_trap();  // an order both ways
    if (e->type() == KeyType::Numeric) (void)KeyExpression::numericKeyValue(key.data());
    if (e->type() == KeyType::Date) (void)KeyExpression::dateKeyValue(key.data());
    return 0;
}
