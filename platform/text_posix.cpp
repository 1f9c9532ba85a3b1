#include <iconv.h>

#include <array>
#include <memory>

#include "platform/text.h"
#include "platform/text_cp932.h"

// glibc's "CP932" gives the Windows code page 932 mappings for every
// double-byte character, in both directions: the NEC special row 13 and the
// IBM extensions decode as Windows decodes them (髙 from both 0xEEE0 and
// 0xFBFC), the user-defined area 0xF040-0xF9FC maps to U+E000-U+E757, and
// encoding prefers as Windows does (JIS row 2 before NEC row 13, NEC row 13
// before the IBM extensions, the IBM extensions before the NEC-selected
// copies, so U+9AD9 encodes as 0xFBFC). Where it differs, text.cpp mends it:
// iconv refuses the single bytes 0x80, 0xA0 and 0xFD-0xFF, which Windows maps
// to U+0080 and U+F8F0-U+F8F3. Beyond code page 932 itself, glibc encodes a
// few look-alikes as Windows' best fit does (U+00A5 as 0x5C, U+203E as 0x7E,
// U+00A2/U+00A3/U+00AC as 0x8191/0x8192/0x81CA); Windows has more best-fit
// look-alikes than those, which here have no form and become '?'.
//
// The tables are read from iconv once, on first use: per-character lookups
// then cost nothing, and the rules for invalid input stay in text.cpp.

namespace {

class Cp932Iconv {
public:
    Cp932Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Cp932Iconv() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Cp932Iconv(const Cp932Iconv&) = delete;
    Cp932Iconv& operator=(const Cp932Iconv&) = delete;

    // Converts one whole character; the number of output bytes, 0 on failure.
    std::size_t Convert(const char* in, std::size_t inSize, unsigned char* out, std::size_t outSize) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) return 0;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in);
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = inSize;
        std::size_t outLeft = outSize;
        const std::size_t result = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // A reversible conversion of the whole input, nothing substituted.
        if (result != 0 || inLeft != 0) return 0;
        return outSize - outLeft;
    }

private:
    iconv_t m_cd;
};

// Indexed by lead * 256 + trail; 0 where the pair names no character.
using DecodeTable = std::array<char16_t, 0x10000>;
// Indexed by unit: the CP932 code + 1, 0 where the unit has no form.
using EncodeTable = std::array<uint32_t, 0x10000>;

std::unique_ptr<DecodeTable> BuildDecodeTable() {
    auto table = std::make_unique<DecodeTable>();
    table->fill(0);
    Cp932Iconv cd("UTF-16LE", "CP932");
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsCp932Lead(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsCp932Trail(static_cast<unsigned char>(trail))) continue;
            const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            unsigned char out[8];
            if (cd.Convert(in, 2, out, sizeof out) == 2) {
                (*table)[lead * 256 + trail] = static_cast<char16_t>(out[0] | (out[1] << 8));
            }
        }
    }
    return table;
}

std::unique_ptr<EncodeTable> BuildEncodeTable() {
    auto table = std::make_unique<EncodeTable>();
    table->fill(0);
    Cp932Iconv cd("CP932", "UTF-16LE");
    for (uint32_t unit = 0x80; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        unsigned char out[8];
        const std::size_t size = cd.Convert(in, 2, out, sizeof out);
        if (size == 1) (*table)[unit] = out[0] + 1u;
        if (size == 2) (*table)[unit] = (out[0] << 8 | out[1]) + 1u;
    }
    return table;
}

}  // namespace

char16_t DecodeCp932Pair(unsigned char lead, unsigned char trail) {
    static const std::unique_ptr<DecodeTable> table = BuildDecodeTable();
    return (*table)[lead * 256 + trail];
}

int EncodeCp932Unit(char16_t unit) {
    static const std::unique_ptr<EncodeTable> table = BuildEncodeTable();
    return static_cast<int>((*table)[unit]) - 1;
}

void SetJapaneseLocale() {
    // Nothing to do: the conversions here never consult the process locale,
    // and a locale such as ja_JP.SJIS would only put the number readers of the
    // C library (and so anything else in the process that uses them) at the
    // mercy of its decimal point.
}
