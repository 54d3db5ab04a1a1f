#include "exchange/DelimitedReader.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#include "engine/CodePage.h"

namespace vz::exchange {
namespace {

constexpr size_t kBlock = 1 << 20;
// No delimited line of up to 35 fields of 255 characters comes near this; a longer "line" is
// not delimited text, and holding it would make memory grow with the file.
constexpr size_t kMaxLineBytes = size_t(4) << 20;

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Checks bytes for UTF-8 a block at a time.
class Utf8Check {
public:
    void feed(const unsigned char* p, size_t n) {
        for (size_t i = 0; i < n && valid_; ++i) {
            const unsigned b = p[i];
            if (need_ == 0) {
                if (b < 0x80) continue;
                nonAscii_ = true;
                lo_ = 0x80;
                hi_ = 0xBF;
                if (b >= 0xC2 && b <= 0xDF)
                    need_ = 1;
                else if (b == 0xE0)
                    need_ = 2, lo_ = 0xA0;
                else if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF)
                    need_ = 2;
                else if (b == 0xED)
                    need_ = 2, hi_ = 0x9F;  // no surrogates
                else if (b == 0xF0)
                    need_ = 3, lo_ = 0x90;
                else if (b >= 0xF1 && b <= 0xF3)
                    need_ = 3;
                else if (b == 0xF4)
                    need_ = 3, hi_ = 0x8F;
                else
                    valid_ = false;
                continue;
            }
            if (b < lo_ || b > hi_) {
                valid_ = false;
                continue;
            }
            lo_ = 0x80;
            hi_ = 0xBF;
            --need_;
        }
    }
    bool utf8() const { return valid_ && need_ == 0 && nonAscii_; }
    bool invalid() const { return !valid_; }

private:
    int need_ = 0;
    unsigned lo_ = 0x80, hi_ = 0xBF;
    bool valid_ = true, nonAscii_ = false;
};

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

FieldEnd readField(std::string_view line, size_t& pos, std::string& text) {
    text.clear();
    bool quote = false;
    int chars = 0;
    auto store = [&](char c) {
        text.push_back(c);
        if (!isContinuation(c)) ++chars;
        return chars <= kMaxFieldLength;
    };
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"') {
            if (!quote) {
                quote = true;
                continue;
            }
            if (pos == line.size()) return FieldEnd::LineEnd;
            const char next = line[pos];
            if (next == ',') {
                ++pos;
                return FieldEnd::Comma;
            }
            if (next == '"') {
                ++pos;
                if (!store('"')) return FieldEnd::TooLong;
                continue;
            }
            return FieldEnd::StrayAfterQuote;
        }
        if (static_cast<unsigned char>(c) < 32) continue;
        if (!store(c)) return FieldEnd::TooLong;
    }
    return FieldEnd::LineEndOpen;
}

FirstLine checkFirstLine(std::string_view line, bool fileIsEmpty) {
    FirstLine result;
    if (fileIsEmpty) {
        result.reason = 2;
        return result;
    }
    size_t pos = 0;
    std::string text;
    for (;;) {
        if (result.names.size() == size_t(kMaxImportFields)) {
            result.reason = 3;
            break;
        }
        const FieldEnd end = readField(line, pos, text);
        if (end == FieldEnd::TooLong) {
            result.reason = 1;
            break;
        }
        const QString name =
            QString::fromUtf8(text.data(), qsizetype(text.size())).left(kImportNameLength);
        result.names.push_back(name.isEmpty() ? QStringLiteral("<BLANK FIELD>") : name);
        if (end == FieldEnd::Comma) continue;
        if (end != FieldEnd::LineEnd) result.reason = 2;
        break;
    }
    if (result.reason != 0) result.names.clear();
    return result;
}

QString firstLineMessage(int reason) {
    QString m = QStringLiteral(
        "The file selected does not appear to be an ASCII delimited text file.  "
        "An ASCII delimited file requires a unique format of each field being "
        "surrounded by double quotes and separated by a comma.  ");
    if (reason == 1)
        m += QStringLiteral("The selected file has a field that is greater than 255 characters.");
    if (reason == 2)
        m += QStringLiteral(
            "The selected file had an unexpected end of a line most likely due to an unmatched "
            "quote.");
    if (reason == 3)
        m += QStringLiteral(
            "The selected file has too many fields.  "
            "There are at least 10 more fields than are required by Kestrelhouse.");
    return m;
}

DelimitedFile::~DelimitedFile() {
    if (file_) std::fclose(file_);
}

bool DelimitedFile::open(const QString& path, QString& error) {
    path_ = path;
    file_ = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file_) {
        error = QStringLiteral("%1 cannot be opened: %2").arg(path, systemError());
        return false;
    }
    // The encoding, from one pass over the whole file.
    Utf8Check check;
    std::string block(kBlock, '\0');
    size_t n = 0;
    while (!check.invalid() && (n = std::fread(block.data(), 1, block.size(), file_)) > 0) {
        check.feed(reinterpret_cast<const unsigned char*>(block.data()), n);
        size_ += n;
    }
    if (std::ferror(file_)) {
        error = QStringLiteral("%1 cannot be read: %2").arg(path, systemError());
        return false;
    }
    if (check.invalid()) {
        // The size, for the progress only.
        while ((n = std::fread(block.data(), 1, block.size(), file_)) > 0) size_ += n;
    }
    encoding_ = check.utf8() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    std::rewind(file_);
    if (!fill()) {
        error = error_;
        return false;
    }
    if (encoding_ == TextEncoding::Utf8 && buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        pos_ = 3;
        consumed_ = 3;
    }
    return true;
}

bool DelimitedFile::fill() {
    if (eof_) return true;
    buf_.erase(0, pos_);
    pos_ = 0;
    const size_t old = buf_.size();
    buf_.resize(old + kBlock);
    const size_t n = std::fread(buf_.data() + old, 1, kBlock, file_);
    buf_.resize(old + n);
    if (n == 0) {
        if (std::ferror(file_)) {
            error_ = QStringLiteral("%1 cannot be read: %2").arg(path_, systemError());
            return false;
        }
        eof_ = true;
    }
    return true;
}

bool DelimitedFile::nextLine(std::string& utf8) {
    utf8.clear();
    if (!error_.isEmpty()) return false;
    size_t scan = pos_;
    size_t end = std::string::npos;
    for (;;) {
        for (; scan < buf_.size(); ++scan)
            if (buf_[scan] == '\n' || buf_[scan] == '\r') {
                end = scan;
                break;
            }
        if (end != std::string::npos || eof_) break;
        if (scan - pos_ > kMaxLineBytes) {
            error_ = QStringLiteral(
                         "%1, line %2: the line is longer than %3 bytes; this is not a delimited "
                         "text file.")
                         .arg(path_)
                         .arg(lineNo_ + 1)
                         .arg(qulonglong(kMaxLineBytes));
            return false;
        }
        const size_t done = scan - pos_;
        if (!fill()) return false;
        scan = pos_ + done;
    }
    if (end == std::string::npos) {
        if (pos_ >= buf_.size()) return false;  // the end of the file
        end = buf_.size();
    }
    raw_.assign(buf_, pos_, end - pos_);
    size_t next = end;
    if (next < buf_.size()) {
        const bool cr = buf_[next] == '\r';
        ++next;
        if (cr) {
            if (next >= buf_.size() && !eof_) {
                const size_t keep = next - pos_;
                if (!fill()) return false;
                next = pos_ + keep;
            }
            if (next < buf_.size() && buf_[next] == '\n') ++next;
        }
    }
    consumed_ += next - pos_;
    pos_ = next;
    ++lineNo_;
    if (encoding_ == TextEncoding::Utf8)
        utf8 = raw_;
    else
        engine::CodePage::get(engine::CodePage::Id::Windows1252)
            .decodeAppend(raw_.data(), raw_.size(), utf8);
    return true;
}

}  // namespace vz::exchange
