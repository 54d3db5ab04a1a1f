// DelimitedReader: the delimited text files that import reads, and the rules of their fields.
//
// A file is read one line at a time; a line ends at CR LF, LF or CR, and one line is one record,
// so a line with more fields than expected can never run into the next record. The file's
// encoding is decided once, before the first line: valid UTF-8 holding non-ASCII characters
// (with or without a byte-order mark) is UTF-8, anything else Windows-1252. Lines come out as
// UTF-8 either way. Memory does not grow with the file: it is read in blocks.
//
// Fields: each value is enclosed in double quotes and values are separated by commas. Inside
// quotes a doubled double quote stands for one double quote. Characters below code 32 (tabs,
// stray control bytes) are dropped. A comma outside quotes is text like any other, so unquoted
// values separated by commas read as one field.
#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vz::exchange {

inline constexpr int kMaxImportFields = 35;
inline constexpr int kMaxFieldLength = 255;  // characters
inline constexpr int kImportNameLength = 20;

enum class TextEncoding { Windows1252, Utf8 };

// How reading one field ended.
enum class FieldEnd {
    Comma,            // a closing quote and a comma: another field follows
    LineEnd,          // a closing quote at the end of the line
    LineEndOpen,      // the line ended inside the field (an unmatched quote, or no quotes)
    StrayAfterQuote,  // a closing quote followed by something other than a comma
    TooLong,          // the text passed kMaxFieldLength characters
};

// Reads one field of the UTF-8 `line` from `pos`, leaving `pos` after it and its text in `text`.
FieldEnd readField(std::string_view line, size_t& pos, std::string& text);

// What the first line of a file says about it. `reason` is 0 when the line is a delimited line,
// 1 when a field passes 255 characters, 2 when the line ends and its last field did not end with
// a closing quote (an empty file too, and a closing quote followed by other text), 3 when a
// 36th field begins. `names` are the import field names (the first 20 characters of each text,
// "<BLANK FIELD>" for an empty one) when reason is 0.
struct FirstLine {
    int reason = 0;
    std::vector<QString> names;
};
FirstLine checkFirstLine(std::string_view line, bool fileIsEmpty);

// The message shown for a first line with reason 1, 2 or 3.
QString firstLineMessage(int reason);

class DelimitedFile {
public:
    DelimitedFile() = default;
    ~DelimitedFile();
    DelimitedFile(const DelimitedFile&) = delete;
    DelimitedFile& operator=(const DelimitedFile&) = delete;

    // Opens the file and decides its encoding (reading it once). False, with `error` naming the
    // file and the reason, when it cannot be opened or read.
    bool open(const QString& path, QString& error);
    TextEncoding encoding() const { return encoding_; }
    const QString& path() const { return path_; }

    // The next line as UTF-8, without its line end. False at the end of the file, or on a read
    // error (error() then says so).
    bool nextLine(std::string& utf8);
    // The number of the line nextLine() last gave, from 1.
    long lineNumber() const { return lineNo_; }
    bool atEnd() const { return eof_ && pos_ >= buf_.size(); }
    const QString& error() const { return error_; }
    uint64_t bytesRead() const { return consumed_; }
    uint64_t size() const { return size_; }

private:
    bool fill();

    QString path_;
    std::FILE* file_ = nullptr;
    TextEncoding encoding_ = TextEncoding::Windows1252;
    std::string buf_;
    size_t pos_ = 0;
    bool eof_ = false;
    long lineNo_ = 0;
    uint64_t consumed_ = 0;
    uint64_t size_ = 0;
    QString error_;
    std::string raw_;
};

}  // namespace vz::exchange
