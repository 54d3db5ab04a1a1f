// CodePage: the single-byte character sets that dBase tables store their text in.
//
// The engine's API speaks UTF-8; the table file holds bytes of its code page, named by the
// language-driver byte of the header. Tables we create are Windows-1252; DOS tables in code
// page 437 or 850 are read and written in their own code page. Decoding never fails (every byte
// has a character); encoding refuses a character the code page cannot hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vz::engine {

class CodePage {
public:
    enum class Id { Windows1252, Dos437, Dos850 };

    static const CodePage& get(Id id);
    // The code page named by a header's language-driver byte. Unknown drivers and 0 ("none
    // given") read as Windows-1252, what dBase for Windows assumed.
    static const CodePage& forLanguageDriver(uint8_t driver);

    Id id() const { return id_; }
    const char* name() const { return name_; }
    // The language-driver byte written into tables of this code page.
    uint8_t languageDriver() const { return driver_; }

    // Appends the UTF-8 form of `n` stored bytes to `out`.
    void decodeAppend(const char* bytes, size_t n, std::string& out) const;

    // What encode() found wrong, when it fails.
    struct EncodeError {
        enum class Kind { None, BadUtf8, Unmappable } kind = Kind::None;
        char32_t character = 0;  // the unmappable character
    };
    // Appends the stored bytes of `utf8` to `out`. On failure `out` is left as it was.
    EncodeError encodeAppend(std::string_view utf8, std::string& out) const;

    // Upper case of one stored byte, in this code page's alphabet.
    unsigned char upper(unsigned char b) const { return upper_[b]; }

private:
    CodePage(Id id, const char* name, uint8_t driver, const char16_t* high);
    Id id_;
    const char* name_;
    uint8_t driver_;
    const char16_t* high_;           // characters of bytes 0x80..0xFF
    unsigned char upper_[256];
};

// "U+20AC" and the character itself, for messages about unmappable text.
std::string describeCharacter(char32_t c);

}  // namespace vz::engine
