#include "engine/CodePage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vz::engine {
namespace {

// Bytes 0x80 to 0xFF of cp1252.
constexpr char16_t kCp1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
// Bytes 0x80 to 0xFF of cp437.
constexpr char16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
// Bytes 0x80 to 0xFF of cp850.
constexpr char16_t kCp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The length of the run of ASCII bytes (below 0x80) that `p[0..n)` starts with. Text is nearly
// always all ASCII: that is settled first, sixteen (with SSE2) or eight bytes at a time with no
// branch on the data (the last block overlapping the rest), and only text with a high byte is
// looked at bytewise.
size_t asciiRun(const char* p, size_t n) {
    constexpr uint64_t kHigh = 0x8080808080808080ull;
#ifdef __SSE2__
    if (n >= 16) {
        __m128i any = _mm_setzero_si128();
        for (size_t j = 0; j + 16 <= n; j += 16)
            any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j)));
        any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16)));
        if (_mm_movemask_epi8(any) == 0) return n;
    } else
#endif
    if (n >= 8) {
        uint64_t any = 0, w;
        for (size_t j = 0; j + 8 <= n; j += 8) {
            std::memcpy(&w, p + j, 8);
            any |= w;
        }
        std::memcpy(&w, p + n - 8, 8);
        if (!((any | w) & kHigh)) return n;
    }
    size_t j = 0;
    while (j < n && static_cast<unsigned char>(p[j]) < 0x80) ++j;
    return j;
}

// Appends the UTF-8 form of `n` stored bytes that hold a high byte at `i` (the bytes before it
// are ASCII); `high` maps bytes 0x80..0xFF. Apart from decodeAppend, which stays short for text
// that is all ASCII.
[[gnu::noinline]] void decodeMixed(const char16_t* high, const char* bytes, size_t n, size_t i, std::string& out) {
    out.append(bytes, i);
    while (i < n) {
        appendUtf8(high[static_cast<unsigned char>(bytes[i]) - 0x80], out);
        ++i;
        const size_t j = i + asciiRun(bytes + i, n - i);
        out.append(bytes + i, j - i);
        i = j;
    }
}

// Reads one UTF-8 character from s at i; returns false on a malformed sequence.
bool nextUtf8(std::string_view s, size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int len;
    if (b0 < 0x80) {
        c = b0;
        len = 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        c = b0 & 0x1F;
        len = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
        c = b0 & 0x0F;
        len = 3;
    } else if ((b0 & 0xF8) == 0xF0) {
        c = b0 & 0x07;
        len = 4;
    } else {
        return false;
    }
    if (i + len > s.size()) return false;
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += len;
    return true;
}

// Unicode upper case for the Latin letters these code pages hold.
char32_t upperOf(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
    switch (c) {
        case 0xFF: return 0x178;
        case 0x161: return 0x160;
        case 0x153: return 0x152;
        case 0x17E: return 0x17D;
        case 0x131: return 'I';
        default: return c;
    }
}

}  // namespace

CodePage::CodePage(Id id, const char* name, uint8_t driver, const char16_t* high)
    : id_(id), name_(name), driver_(driver), high_(high) {
    for (int b = 0; b < 256; ++b) {
        const char32_t c = b < 0x80 ? char32_t(b) : char32_t(high[b - 0x80]);
        const char32_t u = upperOf(c);
        upper_[b] = static_cast<unsigned char>(b);
        if (u == c) continue;
        if (u < 0x80) {
            upper_[b] = static_cast<unsigned char>(u);
            continue;
        }
        // Only when the upper-case letter exists in this code page.
        for (int k = 0; k < 128; ++k)
            if (high[k] == u) upper_[b] = static_cast<unsigned char>(0x80 + k);
    }
}

const CodePage& CodePage::get(Id id) {
    static const CodePage w1252(Id::Windows1252, "Windows-1252", 0x57, kCp1252);
    static const CodePage d437(Id::Dos437, "code page 437", 0x01, kCp437);
    static const CodePage d850(Id::Dos850, "code page 850", 0x02, kCp850);
    switch (id) {
        case Id::Dos437: return d437;
        case Id::Dos850: return d850;
        case Id::Windows1252: break;
    }
    return w1252;
}

const CodePage& CodePage::forLanguageDriver(uint8_t driver) {
    switch (driver) {
        case 0x01:
        case 0x1B: return get(Id::Dos437);
        case 0x02:
        case 0x37:
        case 0x1A: return get(Id::Dos850);
        default: return get(Id::Windows1252);
    }
}

void CodePage::decodeAppend(const char* bytes, size_t n, std::string& out) const {
    // Most stored text is all ASCII, the same bytes in UTF-8: copy it whole.
    const size_t run = asciiRun(bytes, n);
    if (run == n)
        out.append(bytes, n);
    else
        decodeMixed(high_, bytes, n, run, out);
}

CodePage::EncodeError CodePage::encodeAppend(std::string_view utf8, std::string& out) const {
    const size_t start = out.size();
    // ASCII is the same bytes in UTF-8 and in every code page here: copy a leading run whole.
    size_t i = asciiRun(utf8.data(), utf8.size());
    out.append(utf8.data(), i);
    while (i < utf8.size()) {
        char32_t c;
        if (!nextUtf8(utf8, i, c)) {
            out.resize(start);
            return {EncodeError::Kind::BadUtf8, 0};
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const char16_t* hit = c <= 0xFFFF ? std::find(high_, high_ + 128, char16_t(c)) : high_ + 128;
        if (hit == high_ + 128) {
            out.resize(start);
            return {EncodeError::Kind::Unmappable, c};
        }
        out.push_back(static_cast<char>(0x80 + (hit - high_)));
    }
    return {};
}

std::string describeCharacter(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string s = "\"";
    if (c >= 0x20) appendUtf8(c, s);
    s += "\" (";
    s += code;
    s += ")";
    return s;
}

}  // namespace vz::engine
