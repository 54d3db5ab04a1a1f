#include "engine/KeyExpression.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vz::engine {
namespace {

// ---------------------------------------------------------------------------------------------
// Decimal numbers
//
// Numbers are kept as decimals, value = ±mag × 10^exp with at most 19 digits in mag, so that
// field values (at most 19 digits in a 20-byte field) are exact and STR() rounds the way the
// digits read: STR(2.675,6,2) is "  2.68", which a binary double would make "  2.67".

struct Num {
    uint64_t mag = 0;
    int exp = 0;
    bool neg = false;
};

constexpr uint64_t kPow10[20] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
    1000000000000000000ull,
    10000000000000000000ull,
};
constexpr uint64_t kMaxMag = kPow10[19] - 1;  // 19 digits
constexpr int kMaxExp = 100000;               // keeps exponent sums far from int overflow

// mag / 10^k, rounded half up.
uint64_t divRound(uint64_t mag, int64_t k) {
    if (k <= 0) return mag;
    if (k > 19) return 0;
    const uint64_t p = kPow10[k];
    uint64_t q = mag / p;
    if (mag % p >= p / 2) ++q;
    return q;
}

Num normalized(Num n) {
    if (n.mag == 0) return {};
    n.exp = std::clamp(n.exp, -kMaxExp, kMaxExp);
    return n;
}

Num negated(Num n) {
    if (n.mag != 0) n.neg = !n.neg;
    return n;
}

Num add(Num a, Num b) {
    if (a.mag == 0) return b;
    if (b.mag == 0) return a;
    if (a.exp < b.exp) std::swap(a, b);
    // Bring both to b's exponent, or as near as 19 digits allow, dropping b's lowest digits.
    while (a.exp > b.exp && a.mag <= kMaxMag / 10) {
        a.mag *= 10;
        --a.exp;
    }
    if (a.exp > b.exp) {
        b.mag = divRound(b.mag, int64_t(a.exp) - b.exp);
        b.exp = a.exp;
    }
    Num r;
    r.exp = a.exp;
    if (a.neg == b.neg) {
        r.neg = a.neg;
        if (a.mag > kMaxMag - b.mag) {
            // 20 digits: give up the lowest one.
            uint64_t low = a.mag % 10 + b.mag % 10;
            r.mag = a.mag / 10 + b.mag / 10 + low / 10 + (low % 10 >= 5 ? 1 : 0);
            ++r.exp;
        } else {
            r.mag = a.mag + b.mag;
        }
    } else if (a.mag >= b.mag) {
        r.mag = a.mag - b.mag;
        r.neg = a.neg;
    } else {
        r.mag = b.mag - a.mag;
        r.neg = b.neg;
    }
    return normalized(r);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a decimal number at the start of p[0..n): an optional sign, digits with an optional
// point, and (when `exponent`) an optional E exponent. Answers the bytes read, 0 when no number
// starts there. Digits beyond the 19th are rounded away.
size_t readNumber(const char* p, size_t n, bool exponent, Num& out) {
    size_t i = 0;
    bool neg = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) neg = p[i++] == '-';
    uint64_t mag = 0;
    int64_t exp = 0;
    int significant = 0;
    int dropped = -1;  // the first digit that did not fit
    bool any = false, point = false;
    for (; i < n; ++i) {
        const char c = p[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(c)) break;
        any = true;
        if (significant < 19) {
            mag = mag * 10 + uint64_t(c - '0');
            if (mag != 0) ++significant;
            if (point) --exp;
        } else {
            if (dropped < 0) dropped = c - '0';
            if (!point) ++exp;
        }
    }
    if (!any) return 0;
    if (dropped >= 5 && ++mag > kMaxMag) {
        mag = divRound(mag, 1);
        ++exp;
    }
    if (exponent && i < n && (p[i] == 'E' || p[i] == 'e')) {
        size_t j = i + 1;
        bool eneg = false;
        if (j < n && (p[j] == '-' || p[j] == '+')) eneg = p[j++] == '-';
        int64_t e = 0;
        const size_t digitsFrom = j;
        for (; j < n && isDigit(p[j]); ++j) e = std::min<int64_t>(e * 10 + (p[j] - '0'), kMaxExp);
        if (j > digitsFrom) {
            exp += eneg ? -e : e;
            i = j;
        }
    }
    out = normalized({mag, int(std::clamp<int64_t>(exp, -kMaxExp, kMaxExp)), neg});
    return i;
}

// The number a numeric field holds: blank, or text that is no number, count as 0.
Num fieldNumber(const char* p, size_t n) {
    size_t i = 0;
    while (i < n && p[i] == ' ') ++i;
    Num v;
    const size_t used = readNumber(p + i, n - i, true, v);
    if (used == 0) return {};
    for (i += used; i < n; ++i)
        if (p[i] != ' ') return {};
    return v;
}

// The whole part of a number, limited to ±10^8 (more days than the calendar holds).
int64_t wholePart(const Num& v) {
    constexpr int64_t kLimit = 100000000;
    int64_t w = 0;
    if (v.exp >= 0) {
        w = kLimit;
        if (v.exp <= 8 && v.mag <= uint64_t(kLimit))
            w = std::min<int64_t>(int64_t(v.mag) * int64_t(kPow10[v.exp]), kLimit);
    } else if (-v.exp <= 19) {
        w = int64_t(std::min<uint64_t>(v.mag / kPow10[-v.exp], uint64_t(kLimit)));
    }
    return v.neg ? -w : w;
}

// Writes STR(v, len, dec) into out[0..len).
void formatStr(Num v, int len, int dec, char* out) {
    if (v.exp < -dec) {
        v.mag = divRound(v.mag, int64_t(-dec) - v.exp);
        v.exp = -dec;
    }
    if (v.mag == 0) v = {};
    char digits[20];  // of mag, lowest first
    int nd = 0;
    for (uint64_t m = v.mag; m != 0; m /= 10) digits[nd++] = char('0' + m % 10);
    // The value counted in units of 10^-dec: mag's digits followed by `zeros` zeros.
    const int64_t zeros = v.mag != 0 ? int64_t(v.exp) + dec : 0;
    const int64_t total = nd + zeros;
    const int64_t intDigits = std::max<int64_t>(1, total - dec);
    const int64_t need = (v.neg ? 1 : 0) + intDigits + (dec > 0 ? dec + 1 : 0);
    if (need > len) {
        std::memset(out, '*', size_t(len));
        return;
    }
    auto unit = [&](int64_t k) {  // the k-th digit from the right
        if (k < zeros) return '0';
        k -= zeros;
        return k < nd ? digits[k] : '0';
    };
    int pos = len;
    for (int k = 0; k < dec; ++k) out[--pos] = unit(k);
    if (dec > 0) out[--pos] = '.';
    for (int64_t k = 0; k < intDigits; ++k) out[--pos] = unit(dec + k);
    if (v.neg) out[--pos] = '-';
    while (pos > 0) out[--pos] = ' ';
}

// ---------------------------------------------------------------------------------------------
// Numeric keys: 12 bytes of packed decimal (see docs/mdx-keys.md).
//   byte 0      0x34 + e, where the value is 0.d1d2d3... × 10^e
//   byte 1      bit 7 the sign (1 negative), bits 2-6 the count of significant digits, bit 0 set
//   bytes 2-11  the digits d1 d2 ..., two a byte, high nibble first, zero-filled
// Zero: 0x34 0x01 and zero digits.

constexpr int kBcdBias = 0x34;

void encodeNumber(Num v, char* out) {
    std::memset(out, 0, 12);
    if (v.mag == 0) {
        out[0] = char(kBcdBias);
        out[1] = 0x01;
        return;
    }
    while (v.mag % 10 == 0) {
        v.mag /= 10;
        ++v.exp;
    }
    char digits[20];  // lowest first
    int nd = 0;
    for (uint64_t m = v.mag; m != 0; m /= 10) digits[nd++] = char(m % 10);
    const int e = std::clamp(kBcdBias + nd + v.exp, 0, 255);
    out[0] = char(e);
    out[1] = char((nd << 2) | 0x01 | (v.neg ? 0x80 : 0));
    for (int i = 0; i < nd; ++i) {
        const int d = digits[nd - 1 - i];
        out[2 + i / 2] = char(uint8_t(out[2 + i / 2]) | (i % 2 == 0 ? d << 4 : d));
    }
}

// A numeric key taken apart: sign (-1, 0, 1), and when not zero the value 0.d[0]d[1]... × 10^exp
// with d[0] != 0.
struct Bcd {
    int sign = 0;
    int exp = 0;
    uint8_t d[20] = {};
    int count = 0;  // digits up to the last non-zero one
};

Bcd decodeNumber(const char* key) {
    Bcd b;
    uint8_t all[20];
    for (int i = 0; i < 20; ++i) {
        const auto byte = uint8_t(key[2 + i / 2]);
        all[i] = i % 2 == 0 ? byte >> 4 : byte & 0x0F;
    }
    int first = 0;
    while (first < 20 && all[first] == 0) ++first;
    if (first == 20) return b;
    b.sign = (uint8_t(key[1]) & 0x80) ? -1 : 1;
    b.exp = int(uint8_t(key[0])) - kBcdBias - first;
    for (int i = first; i < 20; ++i) {
        b.d[i - first] = all[i];
        if (all[i] != 0) b.count = i - first + 1;
    }
    return b;
}

// ---------------------------------------------------------------------------------------------
// Dates: the day number dBase counts, the Julian day number (2000-01-01 is 2451545), on the
// Gregorian calendar throughout. 0 stands for a blank date.

constexpr int64_t dayNumber(int y, int m, int d) {
    const int64_t a = (14 - m) / 12;
    const int64_t yy = y + 4800 - a;
    const int64_t mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

Date civilDate(int64_t jdn) {
    const int64_t a = jdn + 32044;
    const int64_t b = (4 * a + 3) / 146097;
    const int64_t c = a - 146097 * b / 4;
    const int64_t d = (4 * c + 3) / 1461;
    const int64_t e = c - 1461 * d / 4;
    const int64_t m = (5 * e + 2) / 153;
    Date out;
    out.day = int(e - (153 * m + 2) / 5 + 1);
    out.month = int(m + 3 - 12 * (m / 10));
    out.year = int(100 * b + d - 4800 + m / 10);
    return out;
}

constexpr int64_t kFirstDay = dayNumber(1, 1, 1);
constexpr int64_t kLastDay = dayNumber(9999, 12, 31);
static_assert(dayNumber(2000, 1, 1) == 2451545);

// The day number of a stored "YYYYMMDD"; 0 when blank or no real day.
int64_t storedDay(const char* p) {
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (!isDigit(p[i])) return 0;
        v[i] = p[i] - '0';
    }
    const Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
    return d.isValid() ? dayNumber(d.year, d.month, d.day) : 0;
}

void putDigits(char* p, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) p[i] = char('0' + value % 10);
}

void writeDouble(double v, char* out) {
    const auto bits = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) out[i] = char(bits >> (8 * i));
}

double readDouble(const char* p) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t(uint8_t(p[i])) << (8 * i);
    return std::bit_cast<double>(bits);
}

// 10^k for a whole k, exact up to 10^22.
double pow10(int k) {
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return k >= 0 && k <= 22 ? kExact[k] : std::pow(10.0, k);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The compiled expression: a tree of nodes in one vector, children before their parents.
//
// A text node writes any range of its value, so LEFT, RIGHT, SUBSTR and '+' pass ranges down
// and nothing is copied twice; LTRIM, VAL and '-' look at their argument through a small buffer
// on the stack. Numbers and dates are computed as values.

struct KeyExpression::Program {
    enum class Op : uint8_t {
        // text
        TextField,    // offset, width
        TextLiteral,  // bytes
        Upper,        // a
        Window,       // a from byte `offset`, `width` bytes: LEFT, RIGHT, SUBSTR
        LTrim,        // a
        Join,         // a + b
        JoinMoving,   // a - b
        Str,          // number a, p1 decimals
        Dtos,         // date a
        // numbers
        NumField,     // offset, width
        NumLiteral,   // num
        Negate,       // a
        Add,          // a + b
        Subtract,     // a - b
        Val,          // text a
        DaysBetween,  // date a - date b
        // dates
        DateField,  // offset
        AddDays,    // date a + number b
        SubDays,    // date a - number b
    };
    struct Node {
        Op op = Op::TextLiteral;
        char type = 'C';  // 'C', 'N' or 'D'
        int width = 0;    // of text
        int a = -1, b = -1;
        int offset = 0;  // record offset of a field; a Window's start in its argument
        int size = 0;    // a field's width
        int p1 = 0;
        Num num;
        std::string bytes;
        size_t srcBegin = 0, srcEnd = 0;  // where in the expression, for messages
    };

    std::vector<Node> nodes;
    int root = -1;
    const CodePage* codePage = nullptr;

    void text(int i, const char* rec, char* out, int from, int len) const;
    Num number(int i, const char* rec) const;
    int64_t day(int i, const char* rec) const;

    int firstNonBlank(int i, const char* rec) const;
    int trailingBlanks(int i, const char* rec) const;
};

namespace {
constexpr int kChunk = 64;
}

void KeyExpression::Program::text(int i, const char* rec, char* out, int from, int len) const {
    const Node& n = nodes[size_t(i)];
    switch (n.op) {
        case Op::TextField:
            std::memcpy(out, rec + n.offset + from, size_t(len));
            return;
        case Op::TextLiteral:
            std::memcpy(out, n.bytes.data() + from, size_t(len));
            return;
        case Op::Upper:
            text(n.a, rec, out, from, len);
            for (int k = 0; k < len; ++k) out[k] = char(codePage->upper(uint8_t(out[k])));
            return;
        case Op::Window:
            text(n.a, rec, out, n.offset + from, len);
            return;
        case Op::LTrim: {
            const int skip = firstNonBlank(n.a, rec);
            const int kept = std::clamp(n.width - skip - from, 0, len);
            if (kept > 0) text(n.a, rec, out, skip + from, kept);
            std::memset(out + kept, ' ', size_t(len - kept));
            return;
        }
        case Op::Join: {
            const int wa = nodes[size_t(n.a)].width;
            const int fromA = std::clamp(wa - from, 0, len);
            text(n.a, rec, out, std::min(from, wa), fromA);
            text(n.b, rec, out + fromA, std::max(from - wa, 0), len - fromA);
            return;
        }
        case Op::JoinMoving: {
            // a without its trailing blanks, then b, then those blanks.
            const int kept = nodes[size_t(n.a)].width - trailingBlanks(n.a, rec);
            const int wb = nodes[size_t(n.b)].width;
            const int partA = std::clamp(kept - from, 0, len);
            text(n.a, rec, out, std::min(from, kept), partA);
            const int fromB = std::max(from - kept, 0);
            const int partB = std::clamp(wb - fromB, 0, len - partA);
            text(n.b, rec, out + partA, std::min(fromB, wb), partB);
            std::memset(out + partA + partB, ' ', size_t(len - partA - partB));
            return;
        }
        case Op::Str: {
            char buf[256];
            formatStr(number(n.a, rec), n.width, n.p1, buf);
            std::memcpy(out, buf + from, size_t(len));
            return;
        }
        case Op::Dtos: {
            char buf[8];
            const Node& arg = nodes[size_t(n.a)];
            if (arg.op == Op::DateField) {
                const char* stored = rec + arg.offset;
                std::memcpy(buf, storedDay(stored) != 0 ? stored : "        ", 8);
            } else {
                const int64_t d = day(n.a, rec);
                if (d < kFirstDay || d > kLastDay) {
                    std::memset(buf, ' ', 8);
                } else {
                    const Date c = civilDate(d);
                    putDigits(buf, c.year, 4);
                    putDigits(buf + 4, c.month, 2);
                    putDigits(buf + 6, c.day, 2);
                }
            }
            std::memcpy(out, buf + from, size_t(len));
            return;
        }
        default:
            return;  // not text: the parser never lets this happen
    }
}

Num KeyExpression::Program::number(int i, const char* rec) const {
    const Node& n = nodes[size_t(i)];
    switch (n.op) {
        case Op::NumField:
            return fieldNumber(rec + n.offset, size_t(n.size));
        case Op::NumLiteral:
            return n.num;
        case Op::Negate:
            return negated(number(n.a, rec));
        case Op::Add:
            return add(number(n.a, rec), number(n.b, rec));
        case Op::Subtract:
            return add(number(n.a, rec), negated(number(n.b, rec)));
        case Op::Val: {
            const int w = nodes[size_t(n.a)].width;
            const int skip = firstNonBlank(n.a, rec);
            char buf[256];
            const int len = std::min(w - skip, int(sizeof buf));
            text(n.a, rec, buf, skip, len);
            Num v;
            return readNumber(buf, size_t(len), false, v) > 0 ? v : Num{};
        }
        case Op::DaysBetween: {
            const int64_t a = day(n.a, rec), b = day(n.b, rec);
            if (a == 0 || b == 0) return {};
            return normalized({uint64_t(a > b ? a - b : b - a), 0, a < b});
        }
        default:
            return {};
    }
}

int64_t KeyExpression::Program::day(int i, const char* rec) const {
    const Node& n = nodes[size_t(i)];
    switch (n.op) {
        case Op::DateField:
            return storedDay(rec + n.offset);
        case Op::AddDays:
        case Op::SubDays: {
            const int64_t d = day(n.a, rec);
            if (d == 0) return 0;
            const int64_t k = wholePart(number(n.b, rec));
            const int64_t r = n.op == Op::AddDays ? d + k : d - k;
            return r > 0 ? r : 0;
        }
        default:
            return 0;
    }
}

int KeyExpression::Program::firstNonBlank(int i, const char* rec) const {
    const int w = nodes[size_t(i)].width;
    char buf[kChunk];
    for (int from = 0; from < w; from += kChunk) {
        const int k = std::min(kChunk, w - from);
        text(i, rec, buf, from, k);
        for (int j = 0; j < k; ++j)
            if (buf[j] != ' ') return from + j;
    }
    return w;
}

int KeyExpression::Program::trailingBlanks(int i, const char* rec) const {
    const int w = nodes[size_t(i)].width;
    char buf[kChunk];
    for (int end = w; end > 0;) {
        const int k = std::min(kChunk, end);
        end -= k;
        text(i, rec, buf, end, k);
        for (int j = k - 1; j >= 0; --j)
            if (buf[j] != ' ') return w - (end + j + 1);
    }
    return w;
}

// ---------------------------------------------------------------------------------------------
// The parser: recursive descent over
//   sum     := unary (('+' | '-') unary)*
//   unary   := ('-' | '+') unary | primary
//   primary := number | string | name | name '(' [sum (',' sum)*] ')' | '(' sum ')'

namespace {

using Op = KeyExpression::Program::Op;
using Node = KeyExpression::Program::Node;

constexpr int kMaxTextWidth = 65535;  // of any text inside an expression
constexpr int kMaxDepth = 64;

const char* typeName(char t) {
    switch (t) {
        case 'C':
            return "character";
        case 'N':
            return "numeric";
        default:
            return "date";
    }
}

std::string upperAscii(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return u;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upperAscii(a) == upperAscii(b);
}

class Parser {
public:
    Parser(std::string_view text, const std::vector<Field>& fields, const CodePage& cp,
           KeyExpression::Program& program)
        : text_(text), fields_(fields), cp_(cp), prog_(program) {}

    // The root node, or -1 with error() set.
    int run() {
        skipBlanks();
        if (pos_ == text_.size()) return fail("the expression is empty");
        const int root = sum();
        if (root < 0) return -1;
        skipBlanks();
        if (pos_ < text_.size()) return unexpected();
        return root;
    }
    const std::string& error() const { return error_; }
    std::vector<int>& fieldsUsed() { return used_; }

private:
    int fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return -1;
    }
    std::string position() const { return "at position " + std::to_string(pos_ + 1); }
    int unexpected() {
        if (pos_ >= text_.size()) return fail("the expression ends too soon");
        const auto c = uint8_t(text_[pos_]);
        if (c < 0x20 || c >= 0x7F) return fail("unexpected byte 0x" + hex(c) + " " + position());
        return fail(std::string("unexpected '") + char(c) + "' " + position());
    }
    static std::string hex(uint8_t c) {
        static const char kDigits[] = "0123456789ABCDEF";
        return {kDigits[c >> 4], kDigits[c & 15]};
    }

    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    bool take(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // The expression text a node came from, for messages.
    std::string quote(int i) const {
        const Node& n = prog_.nodes[size_t(i)];
        return std::string(text_.substr(n.srcBegin, n.srcEnd - n.srcBegin));
    }
    std::string describe(int i) const {
        return std::string(typeName(prog_.nodes[size_t(i)].type)) + " " + quote(i);
    }

    int add(Node n, size_t begin) {
        n.srcBegin = begin;
        n.srcEnd = pos_;
        prog_.nodes.push_back(std::move(n));
        return int(prog_.nodes.size()) - 1;
    }
    Node& node(int i) { return prog_.nodes[size_t(i)]; }
    char type(int i) const { return prog_.nodes[size_t(i)].type; }
    int width(int i) const { return prog_.nodes[size_t(i)].width; }

    int sum() {
        if (++depth_ > kMaxDepth) return fail("the expression is nested too deeply");
        skipBlanks();
        const size_t begin = pos_;
        int left = unary();
        while (left >= 0) {
            skipBlanks();
            if (pos_ == text_.size() || (text_[pos_] != '+' && text_[pos_] != '-')) break;
            const char op = text_[pos_++];
            const int right = unary();
            if (right < 0) return -1;
            left = combine(op, left, right, begin);
        }
        --depth_;
        return left;
    }

    int combine(char op, int a, int b, size_t begin) {
        const char ta = type(a), tb = type(b);
        Node n;
        n.a = a;
        n.b = b;
        if (ta == 'C' && tb == 'C') {
            n.op = op == '+' ? Op::Join : Op::JoinMoving;
            n.type = 'C';
            n.width = width(a) + width(b);
            if (n.width > kMaxTextWidth) return fail("the joined text is too long");
        } else if (ta == 'N' && tb == 'N') {
            n.op = op == '+' ? Op::Add : Op::Subtract;
            n.type = 'N';
        } else if (ta == 'D' && tb == 'N') {
            n.op = op == '+' ? Op::AddDays : Op::SubDays;
            n.type = 'D';
        } else if (ta == 'N' && tb == 'D' && op == '+') {
            n.op = Op::AddDays;
            n.type = 'D';
            std::swap(n.a, n.b);
        } else if (ta == 'D' && tb == 'D' && op == '-') {
            n.op = Op::DaysBetween;
            n.type = 'N';
        } else {
            return fail(std::string("type mismatch: '") + op + "' cannot combine " + describe(a) +
                        " and " + describe(b));
        }
        return add(std::move(n), begin);
    }

    int unary() {
        skipBlanks();
        const size_t begin = pos_;
        if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) {
            const char op = text_[pos_++];
            if (++depth_ > kMaxDepth) return fail("the expression is nested too deeply");
            const int arg = unary();
            --depth_;
            if (arg < 0) return -1;
            if (type(arg) != 'N')
                return fail(std::string("type mismatch: '") + op + "' before " + describe(arg) +
                            " needs a number");
            if (op == '+') return arg;
            if (node(arg).op == Op::NumLiteral) {
                node(arg).num = negated(node(arg).num);
                node(arg).srcBegin = begin;
                return arg;
            }
            Node n;
            n.op = Op::Negate;
            n.type = 'N';
            n.a = arg;
            return add(std::move(n), begin);
        }
        return primary();
    }

    int primary() {
        skipBlanks();
        if (pos_ == text_.size()) return unexpected();
        const size_t begin = pos_;
        const char c = text_[pos_];
        if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) {
            Node n;
            n.op = Op::NumLiteral;
            n.type = 'N';
            pos_ += readNumber(text_.data() + pos_, text_.size() - pos_, false, n.num);
            return add(std::move(n), begin);
        }
        if (c == '"' || c == '\'' || c == '[') return literal();
        if (c == '(') {
            ++pos_;
            const int inner = sum();
            if (inner < 0) return -1;
            if (!take(')')) return fail("')' expected " + position());
            return inner;
        }
        if (isNameStart(c)) {
            while (pos_ < text_.size() && isNamePart(text_[pos_])) ++pos_;
            const std::string_view name = text_.substr(begin, pos_ - begin);
            skipBlanks();
            if (pos_ < text_.size() && text_[pos_] == '(') return call(name, begin);
            pos_ = begin + name.size();
            return field(name, begin);
        }
        return unexpected();
    }

    static bool isNameStart(char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    }
    static bool isNamePart(char c) { return isNameStart(c) || isDigit(c); }

    int literal() {
        const size_t begin = pos_;
        const char close = text_[pos_] == '[' ? ']' : text_[pos_];
        const size_t end = text_.find(close, pos_ + 1);
        if (end == std::string_view::npos)
            return fail("the text starting " + position() + " has no closing " + close);
        Node n;
        n.op = Op::TextLiteral;
        n.type = 'C';
        const std::string_view utf8 = text_.substr(pos_ + 1, end - pos_ - 1);
        const CodePage::EncodeError e = cp_.encodeAppend(utf8, n.bytes);
        if (e.kind == CodePage::EncodeError::Kind::BadUtf8)
            return fail("the text starting " + position() + " is not valid UTF-8");
        if (e.kind == CodePage::EncodeError::Kind::Unmappable)
            return fail("the text starting " + position() + " holds " +
                        describeCharacter(e.character) + ", which " + cp_.name() + " lacks");
        if (n.bytes.size() > size_t(kMaxTextWidth))
            return fail("the text starting " + position() + " is too long");
        n.width = int(n.bytes.size());
        pos_ = end + 1;
        return add(std::move(n), begin);
    }

    int field(std::string_view name, size_t begin) {
        for (size_t i = 0; i < fields_.size(); ++i) {
            const Field& f = fields_[i];
            if (!sameName(f.name, name)) continue;
            Node n;
            n.offset = 1 + f.offset;
            n.size = f.width;
            switch (f.type) {
                case FieldType::Character:
                    n.op = Op::TextField;
                    n.type = 'C';
                    n.width = f.width;
                    break;
                case FieldType::Numeric:
                case FieldType::Float:
                    n.op = Op::NumField;
                    n.type = 'N';
                    break;
                case FieldType::Date:
                    n.op = Op::DateField;
                    n.type = 'D';
                    break;
                case FieldType::Logical:
                    return fail(std::string(name) +
                                " is a logical field, which a key expression cannot use");
            }
            used_.push_back(int(i));
            return add(std::move(n), begin);
        }
        return fail("no field named " + std::string(name));
    }

    int call(std::string_view name, size_t begin) {
        ++pos_;  // '('
        std::vector<int> args;
        if (!take(')')) {
            do {
                const int arg = sum();
                if (arg < 0) return -1;
                args.push_back(arg);
            } while (take(','));
            if (!take(')')) return fail("')' expected " + position());
        }
        const std::string fn = upperAscii(name);
        const auto count = [&](size_t least, size_t most) {
            if (args.size() >= least && args.size() <= most) return true;
            const std::string takes = least == most ? std::to_string(least)
                                      : most == least + 1
                                          ? std::to_string(least) + " or " + std::to_string(most)
                                          : std::to_string(least) + " to " + std::to_string(most);
            fail(fn + " takes " + takes + (most == 1 ? " argument" : " arguments") + ", not " +
                 std::to_string(args.size()));
            return false;
        };
        const auto needs = [&](int arg, char t) {
            if (type(arg) == t) return true;
            fail("type mismatch: " + fn + " needs " +
                 (t == 'C'   ? "character text"
                  : t == 'N' ? "a number"
                             : "a date") +
                 ", but " + quote(arg) + " is " + typeName(type(arg)));
            return false;
        };

        if (fn == "UPPER" || fn == "TRIM" || fn == "RTRIM" || fn == "LTRIM") {
            if (!count(1, 1) || !needs(args[0], 'C')) return -1;
            if (fn == "TRIM" || fn == "RTRIM") return args[0];  // padded back to its width: itself
            Node n;
            n.op = fn == "UPPER" ? Op::Upper : Op::LTrim;
            n.type = 'C';
            n.a = args[0];
            n.width = width(args[0]);
            return add(std::move(n), begin);
        }
        if (fn == "LEFT" || fn == "RIGHT") {
            int len = 0;
            if (!count(2, 2) || !needs(args[0], 'C') || !constant(fn, "length", args[1], 0, len))
                return -1;
            const int w = width(args[0]);
            const int keep = std::min(len, w);
            return window(args[0], fn == "LEFT" ? 0 : w - keep, keep, begin);
        }
        if (fn == "SUBSTR") {
            int start = 0, len = kMaxTextWidth;
            if (!count(2, 3) || !needs(args[0], 'C') || !constant(fn, "start", args[1], 1, start) ||
                (args.size() == 3 && !constant(fn, "length", args[2], 0, len)))
                return -1;
            const int w = width(args[0]);
            const int from = std::min(start - 1, w);
            return window(args[0], from, std::min(len, w - from), begin);
        }
        if (fn == "STR") {
            int len = 10, dec = 0;
            if (!count(1, 3) || !needs(args[0], 'N') ||
                (args.size() >= 2 && !constant(fn, "length", args[1], 1, len)) ||
                (args.size() == 3 && !constant(fn, "decimals", args[2], 0, dec)))
                return -1;
            if (len > 254) return fail("STR length " + std::to_string(len) + " is over 254");
            if (dec > len)
                return fail("STR decimals " + std::to_string(dec) + " exceed its length " +
                            std::to_string(len));
            Node n;
            n.op = Op::Str;
            n.type = 'C';
            n.a = args[0];
            n.width = len;
            n.p1 = dec;
            return add(std::move(n), begin);
        }
        if (fn == "DTOS") {
            if (!count(1, 1) || !needs(args[0], 'D')) return -1;
            Node n;
            n.op = Op::Dtos;
            n.type = 'C';
            n.a = args[0];
            n.width = 8;
            return add(std::move(n), begin);
        }
        if (fn == "VAL") {
            if (!count(1, 1) || !needs(args[0], 'C')) return -1;
            Node n;
            n.op = Op::Val;
            n.type = 'N';
            n.a = args[0];
            return add(std::move(n), begin);
        }
        return fail("unknown function " + std::string(name));
    }

    // A length or position: a whole number written in the expression, at least `least`.
    bool constant(const std::string& fn, const char* what, int arg, int least, int& out) {
        const Node& n = prog_.nodes[size_t(arg)];
        const std::string intro = std::string("the ") + what + " argument of " + fn;
        if (n.op != Op::NumLiteral) {
            fail(intro + " must be a whole number written in the expression, not " + quote(arg));
            return false;
        }
        const Num& v = n.num;
        const bool whole = v.exp >= 0 || (-v.exp <= 19 && v.mag % kPow10[-v.exp] == 0);
        if (!whole) {
            fail(intro + " must be a whole number, not " + quote(arg));
            return false;
        }
        const int64_t value = wholePart(v);
        if (value < least) {
            fail(intro + " must be at least " + std::to_string(least) + ", not " + quote(arg));
            return false;
        }
        out = int(std::min<int64_t>(value, kMaxTextWidth));
        return true;
    }

    // Bytes [from, from + len) of text node `arg`, folded into a field or literal when it is one.
    int window(int arg, int from, int len, size_t begin) {
        Node& a = node(arg);
        if (a.op == Op::TextField || a.op == Op::Window) {
            Node n = a;
            n.offset += from;
            n.width = len;
            return add(std::move(n), begin);
        }
        if (a.op == Op::TextLiteral) {
            Node n = a;
            n.bytes = a.bytes.substr(size_t(from), size_t(len));
            n.width = len;
            return add(std::move(n), begin);
        }
        Node n;
        n.op = Op::Window;
        n.type = 'C';
        n.a = arg;
        n.offset = from;
        n.width = len;
        return add(std::move(n), begin);
    }

    std::string_view text_;
    const std::vector<Field>& fields_;
    const CodePage& cp_;
    KeyExpression::Program& prog_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::string error_;
    std::vector<int> used_;
};

}  // namespace

Result<KeyExpression> KeyExpression::parse(std::string_view text, const std::vector<Field>& fields,
                                           const CodePage& codePage) {
    auto program = std::make_shared<Program>();
    program->codePage = &codePage;
    Parser parser(text, fields, codePage, *program);
    const int root = parser.run();
    const auto refuse = [&](const std::string& why) {
        return Status::invalid("key expression \"" + std::string(text) + "\": " + why);
    };
    if (root < 0) return refuse(parser.error());
    program->root = root;

    KeyExpression e;
    e.text_ = std::string(text);
    const Program::Node& top = program->nodes[size_t(root)];
    switch (top.type) {
        case 'C':
            e.type_ = KeyType::Character;
            e.length_ = top.width;
            if (top.width == 0) return refuse("the key is empty");
            if (top.width > kMaxCharacterKey)
                return refuse("the key is " + std::to_string(top.width) +
                              " bytes long; an index key holds at most " +
                              std::to_string(kMaxCharacterKey));
            break;
        case 'N':
            e.type_ = KeyType::Numeric;
            e.length_ = kNumericKeyLength;
            break;
        default:
            e.type_ = KeyType::Date;
            e.length_ = kDateKeyLength;
            break;
    }
    std::vector<int>& used = parser.fieldsUsed();
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    e.fieldsUsed_ = std::move(used);
    e.program_ = std::move(program);
    return e;
}

std::string KeyExpression::canonicalSpelling(std::string_view text) {
    std::string out(text);
    char close = 0;  // the end of the literal being passed over, 0 outside literals
    for (char& c : out) {
        if (close != 0) {
            if (c == close) close = 0;
        } else if (c == '"' || c == '\'') {
            close = c;
        } else if (c == '[') {
            close = ']';
        } else if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
    }
    return out;
}

bool KeyExpression::sameSpelling(std::string_view a, std::string_view b) {
    auto trimmed = [](std::string_view s) {
        const size_t first = s.find_first_not_of(" \t");
        if (first == std::string_view::npos) return std::string_view();
        return s.substr(first, s.find_last_not_of(" \t") - first + 1);
    };
    return canonicalSpelling(trimmed(a)) == canonicalSpelling(trimmed(b));
}

void KeyExpression::evaluate(const char* record, char* out) const {
    const Program& p = *program_;
    switch (type_) {
        case KeyType::Character:
            p.text(p.root, record, out, 0, length_);
            return;
        case KeyType::Numeric:
            encodeNumber(p.number(p.root, record), out);
            return;
        case KeyType::Date:
            writeDouble(double(p.day(p.root, record)), out);
            return;
    }
}

int KeyExpression::compare(const char* a, const char* b) const {
    switch (type_) {
        case KeyType::Numeric:
            return compareNumericKeys(a, b);
        case KeyType::Date: {
            // A NaN (from a damaged index) sorts first, so the order stays total.
            double x = dateKeyValue(a), y = dateKeyValue(b);
            if (std::isnan(x)) x = -HUGE_VAL;
            if (std::isnan(y)) y = -HUGE_VAL;
            return x < y ? -1 : x > y ? 1 : 0;
        }
        case KeyType::Character:
            break;
    }
    return std::memcmp(a, b, size_t(length_));
}

int KeyExpression::compareNumericKeys(const char* a, const char* b) {
    const Bcd x = decodeNumber(a), y = decodeNumber(b);
    if (x.sign != y.sign) return x.sign < y.sign ? -1 : 1;
    if (x.sign == 0) return 0;
    int magnitude = 0;
    if (x.exp != y.exp) {
        magnitude = x.exp < y.exp ? -1 : 1;
    } else {
        for (int i = 0; i < 20 && magnitude == 0; ++i)
            if (x.d[i] != y.d[i]) magnitude = x.d[i] < y.d[i] ? -1 : 1;
    }
    return x.sign * magnitude;
}

double KeyExpression::numericKeyValue(const char* key12) {
    const Bcd b = decodeNumber(key12);
    if (b.sign == 0) return 0;
    // The first 19 digits exactly, then any 20th.
    uint64_t whole = 0;
    int i = 0;
    for (; i < b.count && i < 19; ++i) whole = whole * 10 + b.d[i];
    double digits = double(whole);
    for (; i < b.count; ++i) digits = digits * 10 + b.d[i];
    const int scale = b.exp - b.count;  // value = digits × 10^scale
    const double v = scale >= 0 ? digits * pow10(scale) : digits / pow10(-scale);
    return b.sign * v;
}

double KeyExpression::dateKeyValue(const char* key8) {
    return readDouble(key8);
}

bool KeyExpression::makeNumericKey(std::string_view decimalText, char* key12) {
    size_t i = 0;
    while (i < decimalText.size() && decimalText[i] == ' ') ++i;
    Num v;
    const size_t used = readNumber(decimalText.data() + i, decimalText.size() - i, true, v);
    if (used == 0) return false;
    for (i += used; i < decimalText.size(); ++i)
        if (decimalText[i] != ' ') return false;
    encodeNumber(v, key12);
    return true;
}

void KeyExpression::makeDateKey(const Date& date, char* key8) {
    const double d = date.isValid() ? double(dayNumber(date.year, date.month, date.day)) : 0.0;
    writeDouble(d, key8);
}

}  // namespace vz::engine
