#include "platform/text.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "platform/text_cp932.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes the character at p (n > 0 bytes left) and tells how many bytes it
// took. Every byte is either a single-byte character or a lead byte, so only a
// lead byte can go wrong: a lead byte whose next byte cannot be a trail byte
// (or that ends the text) becomes U+FFFD alone, and the next byte is read
// afresh; a lead byte with a trail byte that together name no character
// become one U+FFFD, so that a trail byte such as 0x5C never turns into a
// character of its own.
char16_t DecodeCp932Char(const unsigned char* p, std::size_t n, std::size_t& used) {
    const unsigned char b = p[0];
    used = 1;
    if (b < 0x80) return b;
    if (b >= 0xA1 && b <= 0xDF) return static_cast<char16_t>(0xFF61 + (b - 0xA1));
    // The code page's own single-byte oddities, which iconv "CP932" lacks.
    if (b == 0x80) return 0x0080;
    if (b == 0xA0) return 0xF8F0;
    if (b >= 0xFD) return static_cast<char16_t>(0xF8F1 + (b - 0xFD));
    if (n < 2 || !IsCp932Trail(p[1])) return kReplacement;
    used = 2;
    const char16_t unit = DecodeCp932Pair(b, p[1]);
    return unit != 0 ? unit : kReplacement;
}

// Returns the CP932 code of one unit (0-0xFF single byte, above that a
// double-byte code), or -1 when it has none.
int EncodeCp932(char16_t unit) {
    if (unit < 0x80) return unit;
    if (unit >= 0xFF61 && unit <= 0xFF9F) return 0xA1 + (unit - 0xFF61);
    if (unit == 0x0080) return 0x80;
    if (unit == 0xF8F0) return 0xA0;
    if (unit >= 0xF8F1 && unit <= 0xF8F3) return 0xFD + (unit - 0xF8F1);
    if (unit >= 0xD800 && unit <= 0xDFFF) return -1;
    return EncodeCp932Unit(unit);
}

// A character beyond the BMP has no CP932 form either; it becomes one '?'
// as a whole, as Windows substitutes characters, not units.
bool IsSurrogatePair(char16_t high, char16_t low) {
    return high >= 0xD800 && high <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF;
}

void AppendCp932(std::string& out, int code) {
    if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

// The decimal digits the Windows runtime's wide integer readers accept: the
// ASCII digits and the other scripts' digit runs, fullwidth ones included.
int DecimalDigitValue(char16_t unit) {
    static constexpr char16_t kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0C66,
                                          0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
    for (char16_t zero : kZeros) {
        if (unit >= zero && unit <= zero + 9) return unit - zero;
    }
    return -1;
}

int HexDigitValue(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiHexDigit(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// from_chars says only "out of range"; wcstod gives HUGE_VAL for a number too
// large and 0 for one too small. The number's magnitude tells which: the
// position of its first significant digit plus its exponent.
bool IsOverflow(std::string_view number, bool hex) {
    long long position = 0;  // digits before the point, or minus the zeros after it
    std::size_t i = 0;
    auto isDigit = [&](char c) { return hex ? IsAsciiHexDigit(c) : IsAsciiDigit(c); };
    bool significant = false;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        if (number[i] != '0') significant = true;
        if (significant) ++position;
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && isDigit(number[i]); ++i) {
            if (number[i] != '0') significant = true;
            if (!significant) --position;
        }
    }
    long long exponent = 0;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E' || number[i] == 'p' || number[i] == 'P')) {
        ++i;
        bool negative = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
        for (; i < number.size() && IsAsciiDigit(number[i]); ++i) {
            if (exponent < 100000000) exponent = exponent * 10 + (number[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return (hex ? position * 4 : position) + exponent > 0;
}

// The lower-case mapping of one unit, from which the table is made.
constexpr char16_t FoldUnit(char16_t u) {
    auto evenUpper = [u](char16_t first, char16_t last) { return u >= first && u <= last && (u - first) % 2 == 0; };
    if (u < 0x80) return (u >= u'A' && u <= u'Z') ? u + 0x20 : u;
    if (u < 0x100) return (u >= 0xC0 && u <= 0xDE && u != 0xD7) ? u + 0x20 : u;
    if (u < 0x180) {  // Latin Extended-A
        if (u == 0x130) return u'i';
        if (u == 0x178) return 0xFF;
        if (evenUpper(0x100, 0x12F) || evenUpper(0x132, 0x137) || evenUpper(0x139, 0x148) || evenUpper(0x14A, 0x177) ||
            evenUpper(0x179, 0x17E))
            return u + 1;
        return u;
    }
    if (u >= 0x370 && u <= 0x3FF) {  // Greek
        if (evenUpper(0x370, 0x373) || u == 0x376 || evenUpper(0x3D8, 0x3EF) || u == 0x3F7 || u == 0x3FA) return u + 1;
        if (u == 0x37F) return 0x3F3;
        if (u == 0x386) return 0x3AC;
        if (u >= 0x388 && u <= 0x38A) return u + 37;
        if (u == 0x38C) return 0x3CC;
        if (u == 0x38E || u == 0x38F) return u + 63;
        if ((u >= 0x391 && u <= 0x3A1) || (u >= 0x3A3 && u <= 0x3AB)) return u + 0x20;
        if (u == 0x3CF) return 0x3D7;
        if (u == 0x3F4) return 0x3B8;
        if (u == 0x3F9) return 0x3F2;
        if (u >= 0x3FD) return u - 0x82;
        return u;
    }
    if (u >= 0x400 && u <= 0x52F) {  // Cyrillic and its supplement
        if (u <= 0x40F) return u + 0x50;
        if (u <= 0x42F) return u + 0x20;
        if (u == 0x4C0) return 0x4CF;
        if (evenUpper(0x460, 0x481) || evenUpper(0x48A, 0x4BF) || evenUpper(0x4C1, 0x4CE) || evenUpper(0x4D0, 0x52F))
            return u + 1;
        return u;
    }
    if (u >= 0x531 && u <= 0x556) return u + 0x30;  // Armenian
    if (u >= 0x1E00 && u <= 0x1EFF) {               // Latin Extended Additional
        if (u == 0x1E9E) return 0xDF;
        if (evenUpper(0x1E00, 0x1E95) || evenUpper(0x1EA0, 0x1EFF)) return u + 1;
        return u;
    }
    if (u >= 0x2160 && u <= 0x216F) return u + 0x10;  // Roman numerals
    if (u == 0x2183) return 0x2184;
    if (u >= 0x24B6 && u <= 0x24CF) return u + 26;    // circled Latin letters
    if (u >= 0xFF21 && u <= 0xFF3A) return u + 0x20;  // fullwidth Latin
    return u;
}

struct FoldTable {
    char16_t units[0x10000];
};

constexpr FoldTable BuildFoldTable() {
    FoldTable table{};
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        table.units[u] = FoldUnit(static_cast<char16_t>(u));
        // Callers take a folded 0 for the end of a text.
        if (u != 0 && table.units[u] == 0) throw "only U+0000 folds to U+0000";
    }
    return table;
}

// Built by the compiler: no start-up cost, and usable from any static
// initialiser.
constexpr FoldTable kFoldTable = BuildFoldTable();

}  // namespace

std::size_t TextLength(const char16_t* text) {
    if (text == nullptr) return 0;
    std::size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

bool CopyText(char16_t* dst, std::size_t capacity, std::u16string_view src) {
    if (dst == nullptr || capacity == 0) return src.empty();
    const std::size_t n = src.size() < capacity ? src.size() : capacity - 1;
    std::memcpy(dst, src.data(), n * sizeof(char16_t));
    dst[n] = 0;
    return n == src.size();
}

std::u16string Cp932ToUtf16(std::string_view bytes, bool* valid) {
    std::u16string out;
    Cp932ToUtf16(bytes, out, valid);
    return out;
}

void Cp932ToUtf16(std::string_view bytes, std::u16string& out, bool* valid) {
    out.clear();
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    bool allValid = true;
    while (i < bytes.size()) {
        if (p[i] < 0x80) {  // ASCII is itself
            out.push_back(p[i++]);
            continue;
        }
        std::size_t used = 0;
        const char16_t unit = DecodeCp932Char(p + i, bytes.size() - i, used);
        // No CP932 character decodes to U+FFFD, so it always marks invalid input.
        if (unit == kReplacement) allValid = false;
        out.push_back(unit);
        i += used;
    }
    if (valid != nullptr) *valid = allValid;
}

bool Utf16ToCp932(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size() * 2);
    bool ok = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int code = EncodeCp932(text[i]);
        if (code < 0) {
            ok = false;
            code = '?';
            if (IsSurrogatePair(text[i], i + 1 < text.size() ? text[i + 1] : 0)) ++i;
        }
        AppendCp932(out, code);
    }
    return ok;
}

std::size_t MbsToWcs(char16_t* dst, std::size_t capacity, const char* src) {
    if (dst == nullptr || capacity == 0) return 0;
    std::size_t written = 0;
    if (src != nullptr) {
        const auto* p = reinterpret_cast<const unsigned char*>(src);
        // The terminator stops a lead byte like any other non-trail byte.
        const std::size_t n = std::strlen(src);
        std::size_t i = 0;
        while (i < n && written < capacity - 1) {
            std::size_t used = 0;
            dst[written++] = DecodeCp932Char(p + i, n - i, used);
            i += used;
        }
    }
    dst[written] = 0;
    return written;
}

bool WcsToMbs(char* dst, std::size_t capacity, const char16_t* src) {
    if (dst == nullptr || capacity == 0) return false;
    std::size_t written = 0;
    bool ok = true;
    for (const char16_t* p = src; p != nullptr && *p != 0; ++p) {
        int code = EncodeCp932(*p);
        if (code < 0) {
            ok = false;
            code = '?';
            if (IsSurrogatePair(p[0], p[1])) ++p;
        }
        const std::size_t size = code > 0xFF ? 2 : 1;
        if (written + size > capacity - 1) {
            ok = false;  // cut before the character, never inside it
            break;
        }
        if (size == 2) dst[written++] = static_cast<char>(code >> 8);
        dst[written++] = static_cast<char>(code & 0xFF);
    }
    dst[written] = 0;
    return ok;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, code = b & 0x1F, minimum = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, code = b & 0x0F, minimum = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, code = b & 0x07, minimum = 0x10000;
        }
        // An ill-formed sequence yields one U+FFFD for its lead byte and the
        // continuation bytes that still fitted it.
        std::size_t taken = 1;
        bool valid = length != 0;
        for (; valid && taken < length; ++taken) {
            if (i + taken >= n || (p[i + taken] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (p[i + taken] & 0x3F);
            // Reject overlong forms, surrogates and values past U+10FFFF as
            // early as the second byte allows.
            if (taken == 1 && length > 2) {
                const char32_t top = code << (6 * (length - 2));
                if (top < minimum || top > 0x10FFFF || (top >= 0xD800 && top <= 0xDFFF)) {
                    valid = false;
                    break;
                }
            }
        }
        if (!valid) {
            out.push_back(kReplacement);
            i += taken;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

char16_t FoldCase(char16_t unit) { return kFoldTable.units[unit]; }

const char16_t* FoldCaseTable() { return kFoldTable.units; }

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const char16_t* fold = kFoldTable.units;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int difference = static_cast<int>(fold[a[i]]) - static_cast<int>(fold[b[i]]);
        if (difference != 0) return difference;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool IsWideSpace(char16_t u) {
    // The runtime's space class: ASCII tab to carriage return and the space,
    // the next line, the no-break spaces, the Ogham space, the general
    // punctuation spaces, the line and paragraph separators and the
    // ideographic space. The zero-width space U+200B and U+FEFF are not spaces.
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x205F || u == 0x3000;
}

std::u16string_view TrimWideSpace(std::u16string_view text) {
    while (!text.empty() && IsWideSpace(text.back())) text.remove_suffix(1);
    while (!text.empty() && IsWideSpace(text.front())) text.remove_prefix(1);
    return text;
}

int ReadDecimal(const char16_t* text, std::size_t* used) {
    if (used != nullptr) *used = 0;
    if (text == nullptr) return 0;
    const char16_t* p = text;
    while (IsWideSpace(*p)) ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    // Kept one past the int range so saturation picks the right end.
    constexpr long long kLimit = 1LL + std::numeric_limits<int>::max();
    long long value = 0;
    for (int digit; (digit = DecimalDigitValue(*p)) >= 0; ++p) {
        value = value * 10 + digit;
        if (value > kLimit) value = kLimit;
        if (used != nullptr) *used = static_cast<std::size_t>(p + 1 - text);
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(value);  // -kLimit is exactly INT_MIN
}

uint32_t ReadHex(const char16_t* text, bool* hadDigits, std::size_t* used) {
    bool digits = false;
    uint32_t value = 0;
    if (text != nullptr) {
        const char16_t* p = text;
        while (IsWideSpace(*p)) ++p;
        // The 0 of a 0x prefix is a digit in its own right: "0x" alone reads 0.
        if (p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
            digits = true;
            p += 2;
        }
        for (int digit; (digit = HexDigitValue(*p)) >= 0; ++p) {
            value = (value << 4) | static_cast<uint32_t>(digit);
            digits = true;
        }
        if (used != nullptr) *used = digits ? static_cast<std::size_t>(p - text) : 0;
    } else if (used != nullptr) {
        *used = 0;
    }
    if (hadDigits != nullptr) *hadDigits = digits;
    return value;
}

double ReadReal(const char16_t* text, std::size_t* used) {
    if (used != nullptr) *used = 0;
    if (text == nullptr) return 0.0;
    const char16_t* p = text;
    while (IsWideSpace(*p)) ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    if (*p == u'+' || *p == u'-') return 0.0;
    // The number is ASCII; from_chars reads it without any locale, so the
    // decimal point is always '.'.
    std::string ascii;
    for (; *p != 0 && *p < 0x80; ++p) {
        const char c = static_cast<char>(*p);
        const bool part = IsAsciiHexDigit(c) || c == '.' || c == '+' || c == '-' || c == '(' || c == ')' || c == '_' ||
                          (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!part) break;
        ascii.push_back(c);
    }
    const char* first = ascii.data();
    const char* last = ascii.data() + ascii.size();
    std::chars_format format = std::chars_format::general;
    bool hex = false;
    if (ascii.size() > 2 && ascii[0] == '0' && (ascii[1] == 'x' || ascii[1] == 'X') &&
        (IsAsciiHexDigit(ascii[2]) || (ascii[2] == '.' && ascii.size() > 3 && IsAsciiHexDigit(ascii[3])))) {
        first += 2;
        format = std::chars_format::hex;
        hex = true;
    }
    double value = 0.0;
    const auto result = std::from_chars(first, last, value, format);
    if (result.ec == std::errc::invalid_argument) return 0.0;
    if (used != nullptr) *used = static_cast<std::size_t>(p - text) - ascii.size() + (result.ptr - ascii.data());
    if (result.ec == std::errc::result_out_of_range) {
        value = IsOverflow(std::string_view(first, static_cast<std::size_t>(result.ptr - first)), hex)
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    }
    return negative ? -value : value;
}
