#include "platform/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/cp932_glyphs.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

std::string Encode(std::u16string_view text, bool* ok = nullptr) {
    std::string out;
    const bool result = Utf16ToCp932(text, out);
    if (ok != nullptr) *ok = result;
    return out;
}

}  // namespace

// --- CP932 to UTF-16 ---

TEST(Cp932ToUtf16, DecodesAsciiKanjiAndHalfWidthKana) {
    EXPECT_EQ(Cp932ToUtf16(Bytes({'A', 'B', 0x93, 0xFA, 0x96, 0x7B, 0xB1, 0xB2, 0xA1, 0xDF})), u"AB日本ｱｲ｡ﾟ");
}

TEST(Cp932ToUtf16, DecodesNecSpecialsAndIbmExtensions) {
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x87, 0x40})), u"①");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x87, 0x8A})), u"㈱");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x87, 0x56})), u"Ⅲ");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x87, 0x90})), u"≒");
    // Small roman one: NEC-selected copy and IBM extension.
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xEE, 0xEF, 0xFA, 0x40})), u"ⅰⅰ");
    // 髙 has two codes and both decode to U+9AD9.
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xEE, 0xE0})), u"\u9AD9");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xFB, 0xFC})), u"\u9AD9");
}

TEST(Cp932ToUtf16, DecodesSymbolsAsWindowsDoes) {
    EXPECT_EQ(Cp932ToUtf16("\\~"), u"\\~");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x5F})), u"\uFF3C");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x60})), u"\uFF5E");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x61})), u"\u2225");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x7C})), u"\uFF0D");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x91, 0x81, 0x92})), u"\uFFE0\uFFE1");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0xCA})), u"\uFFE2");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x5C})), u"\u2015");
}

TEST(Cp932ToUtf16, SecondByte5CIsNeverABackslash) {
    // 表 0x955C, ソ 0x835C, 十 0x8F5C, then one real backslash.
    const std::u16string text = Cp932ToUtf16(Bytes({0x95, 0x5C, 0x83, 0x5C, 0x8F, 0x5C, 0x5C}));
    EXPECT_EQ(text, u"表ソ十\\");
}

TEST(Cp932ToUtf16, MapsUserDefinedAreaAndSingleByteOddities) {
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xF0, 0x40})), u"\uE000");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xF1, 0x40})), u"\uE0BC");  // 188 characters a row
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xF9, 0xFC})), u"\uE757");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF})), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
}

TEST(Cp932ToUtf16, InvalidBytesBecomeReplacementAndDecodingGoesOn) {
    // A lead byte at the end.
    EXPECT_EQ(Cp932ToUtf16(Bytes({'a', 0x81})), u"a\uFFFD");
    // A lead byte before a byte that cannot follow it: that byte is read afresh.
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, ' ', 0x9F, 0x7F, 0xE0, '\t', 0xFC, 0xFD})),
              u"\uFFFD \uFFFD\x7F\uFFFD\t\uFFFD\uF8F1");
    EXPECT_EQ(Cp932ToUtf16(std::string_view("\x81\0b", 3)), std::u16string(u"\uFFFD\0b", 3));
    // A pair that names no character is one replacement: its 0x5C never
    // surfaces as a backslash.
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x85, 0x5C, 'x'})), u"\uFFFDx");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0xEB, 0x40})), u"\uFFFD");
    // The caller can tell: valid is false for each of these, true for good text.
    for (const std::string& bad : {Bytes({'a', 0x81}), Bytes({0x81, ' '}), Bytes({0x85, 0x5C}), Bytes({0xEB, 0x40})}) {
        bool valid = true;
        Cp932ToUtf16(bad, &valid);
        EXPECT_FALSE(valid);
    }
    bool valid = false;
    Cp932ToUtf16(Bytes({'a', 0x95, 0x5C, 0x80, 0xA0, 0xFD}), &valid);
    EXPECT_TRUE(valid);
}

TEST(Cp932ToUtf16, DecodesTheGlyphTablesAndFoldsTheirCasePairs) {
    for (const CasePair& p : kCasePairs) {
        EXPECT_EQ(Cp932ToUtf16(p.upperBytes), std::u16string(1, p.upper));
        EXPECT_EQ(Cp932ToUtf16(p.lowerBytes), std::u16string(1, p.lower));
        EXPECT_EQ(CompareNoCase(std::u16string(1, p.upper), std::u16string(1, p.lower)), 0);
    }
    for (const Glyph& g : kCaseless) EXPECT_EQ(Cp932ToUtf16(g.bytes), std::u16string(1, g.unit));
}

TEST(Cp932ToUtf16, EveryTwoByteInputDecodesToOneOrTwoUnits) {
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            bool valid = false;
            const std::u16string text = Cp932ToUtf16(Bytes({first, second}), &valid);
            ASSERT_TRUE(text.size() == 1 || text.size() == 2) << first << " " << second;
            // Valid exactly when no replacement stands in the text.
            ASSERT_EQ(valid, text.find(u'\uFFFD') == std::u16string::npos) << first << " " << second;
            // A double-byte decode never yields a backslash from a second byte.
            if (text.size() == 1) {
                ASSERT_NE(text[0], u'\\') << first << " " << second;
            }
        }
    }
}

// --- UTF-16 to CP932 ---

TEST(Utf16ToCp932, EncodesDuplicatesAsWindowsPrefers) {
    // 髙 as the IBM extension, not the NEC-selected copy.
    EXPECT_EQ(Encode(u"\u9AD9"), Bytes({0xFB, 0xFC}));
    EXPECT_EQ(Encode(u"ⅰ"), Bytes({0xFA, 0x40}));
    // JIS row 2 before NEC row 13.
    EXPECT_EQ(Encode(u"≒"), Bytes({0x81, 0xE0}));
    EXPECT_EQ(Encode(u"∵"), Bytes({0x81, 0xE6}));
    EXPECT_EQ(Encode(u"\uFFE2"), Bytes({0x81, 0xCA}));
    // NEC row 13 before the IBM extensions.
    EXPECT_EQ(Encode(u"㈱"), Bytes({0x87, 0x8A}));
    EXPECT_EQ(Encode(u"Ⅰ"), Bytes({0x87, 0x54}));
    EXPECT_EQ(Encode(u"①"), Bytes({0x87, 0x40}));
}

TEST(Utf16ToCp932, EncodesKanaUserAreaAndSingleByteOddities) {
    bool ok = false;
    EXPECT_EQ(Encode(u"A表ｱ\uE000\uE757", &ok), Bytes({'A', 0x95, 0x5C, 0xB1, 0xF0, 0x40, 0xF9, 0xFC}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(Encode(u"\u0080\uF8F0\uF8F3"), Bytes({0x80, 0xA0, 0xFF}));
}

TEST(Utf16ToCp932, EveryDecodedCharacterEncodesToACodeOfTheSameCharacter) {
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::u16string text = Cp932ToUtf16(Bytes({lead, trail}));
            if (text.size() != 1 || text[0] == u'\uFFFD') continue;
            bool ok = false;
            const std::string code = Encode(text, &ok);
            ASSERT_TRUE(ok) << std::hex << lead << trail;
            ASSERT_EQ(Cp932ToUtf16(code), text) << std::hex << lead << trail;
        }
    }
}

TEST(Utf16ToCp932, CharacterWithoutFormBecomesQuestionMark) {
    bool ok = true;
    EXPECT_EQ(Encode(u"a\u0E01b", &ok), "a?b");  // Thai
    EXPECT_FALSE(ok);
    // A character beyond the BMP is one '?', a lone surrogate too.
    EXPECT_EQ(Encode(u"\U0001F600|\xD800|\xDC00", &ok), "?|?|?");
    EXPECT_FALSE(ok);
}

// --- Bounded C-string conversions ---

TEST(MbsToWcs, StopsOneUnitShortOfCapacityAndTerminates) {
    const std::string ascii(300, 'a');
    std::vector<char16_t> buffer(262, u'#');
    EXPECT_EQ(MbsToWcs(buffer.data(), 260, ascii.c_str()), 259u);
    EXPECT_EQ(buffer[258], u'a');
    EXPECT_EQ(buffer[259], 0);
    EXPECT_EQ(buffer[260], u'#');

    // A double-byte character is one unit: 300 kanji still give 259 units.
    std::string kanji;
    for (int i = 0; i < 300; ++i) kanji += Bytes({0x95, 0x5C});
    EXPECT_EQ(MbsToWcs(buffer.data(), 260, kanji.c_str()), 259u);
    EXPECT_EQ(buffer[258], u'表');
    EXPECT_EQ(buffer[259], 0);
    EXPECT_EQ(buffer[260], u'#');
}

TEST(MbsToWcs, DecodesAsCp932ToUtf16AndHandlesDegenerateBuffers) {
    char16_t buffer[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    // A lead byte before the terminator never reads past it.
    EXPECT_EQ(MbsToWcs(buffer, 8, "\x8F\x5C\x81"), 2u);
    EXPECT_EQ(std::u16string(buffer), u"十\uFFFD");

    EXPECT_EQ(MbsToWcs(buffer, 0, "abc"), 0u);
    EXPECT_EQ(buffer[0], u'十');  // untouched
    EXPECT_EQ(MbsToWcs(buffer, 1, "abc"), 0u);
    EXPECT_EQ(buffer[0], 0);
    buffer[0] = u'#';
    EXPECT_EQ(MbsToWcs(buffer, 8, nullptr), 0u);
    EXPECT_EQ(buffer[0], 0);
}

TEST(WcsToMbs, NeverSplitsADoubleByteCharacter) {
    char buffer[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_FALSE(WcsToMbs(buffer, 3, u"a表"));
    EXPECT_EQ(std::string(buffer), "a");
    EXPECT_EQ(buffer[3], '#');

    EXPECT_TRUE(WcsToMbs(buffer, 5, u"表十"));
    EXPECT_EQ(std::string(buffer), Bytes({0x95, 0x5C, 0x8F, 0x5C}));
    EXPECT_EQ(buffer[5], '#');
}

TEST(WcsToMbs, KeepsWithinTheByteBoundOfTheProfileField) {
    std::u16string kanji(300, u'表');
    std::vector<char> buffer(262, '#');
    EXPECT_FALSE(WcsToMbs(buffer.data(), 260, kanji.c_str()));
    EXPECT_EQ(std::string(buffer.data()).size(), 258u);  // 129 whole characters
    EXPECT_EQ(buffer[259], '#');

    std::u16string ascii(259, u'x');
    EXPECT_TRUE(WcsToMbs(buffer.data(), 260, ascii.c_str()));
    EXPECT_EQ(std::string(buffer.data()).size(), 259u);
    EXPECT_EQ(buffer[260], '#');
}

TEST(WcsToMbs, CharacterWithoutFormAndDegenerateBuffers) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_FALSE(WcsToMbs(buffer, 4, u"a\u0E01"));
    EXPECT_EQ(std::string(buffer), "a?");
    EXPECT_FALSE(WcsToMbs(buffer, 0, u"a"));
    EXPECT_EQ(buffer[0], 'a');  // untouched
    EXPECT_TRUE(WcsToMbs(buffer, 1, u""));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_FALSE(WcsToMbs(buffer, 1, u"a"));
    EXPECT_EQ(buffer[0], 0);
}

TEST(CopyText, CutsToCapacityAndAlwaysTerminates) {
    char16_t buffer[5] = {u'#', u'#', u'#', u'#', u'#'};
    EXPECT_TRUE(CopyText(buffer, 4, u"abc"));
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_FALSE(CopyText(buffer, 4, u"abcd"));
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_EQ(buffer[4], u'#');
    EXPECT_EQ(TextLength(buffer), 3u);
    EXPECT_EQ(TextLength(nullptr), 0u);
}

// --- UTF-8 ---

TEST(Utf8, RoundTripsEveryPlane) {
    const std::u16string text = u"a\u00E9表\uFF71\U0001F600";
    const std::string utf8 = Utf16ToUtf8(text);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE8\xA1\xA8\xEF\xBD\xB1\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
}

TEST(Utf8, IllFormedInputBecomesReplacement) {
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"
                          "a"),
              u"\uFFFD\uFFFDa");                                              // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // surrogate
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    EXPECT_EQ(Utf8ToUtf16("a\xE8\xA1"), u"a\uFFFD");                          // cut short
    EXPECT_EQ(Utf8ToUtf16("\xE8\xA1"
                          "b"),
              u"\uFFFDb");
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x\xDC00"), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

// --- Case and white space ---

TEST(FoldCase, MapsUpperToLowerInTheCoveredScripts) {
    const std::u16string upper = u"AZÀÖØÞĀĲĹŽŸΆΈΣΫЀЏАЯѠӀӐԮＡＺⅢⒶ";
    const std::u16string lower = u"azàöøþāĳĺžÿάέσϋѐџаяѡӏӑԯａｚⅲⓐ";
    ASSERT_EQ(upper.size(), lower.size());
    for (std::size_t i = 0; i < upper.size(); ++i) {
        EXPECT_EQ(int{FoldCase(upper[i])}, int{lower[i]}) << i;
        EXPECT_EQ(int{FoldCase(lower[i])}, int{lower[i]}) << i;
    }
    for (char16_t same : std::u16string(u"@[`{×÷ßı表ｱ０_\\")) EXPECT_EQ(int{FoldCase(same)}, int{same});
}

TEST(CompareNoCase, IgnoresCaseAndOrdersFoldedUnitsUnsigned) {
    EXPECT_EQ(CompareNoCase(u"PX-1000 Inkjet", u"px-1000 INKJET"), 0);
    EXPECT_EQ(CompareNoCase(u"ΣΥΝ Ärger ДОМ ＡＢ", u"συν ärger дом ａｂ"), 0);
    EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
    EXPECT_GT(CompareNoCase(u"abd", u"ABC"), 0);
    EXPECT_LT(CompareNoCase(u"ab", u"ABC"), 0);
    EXPECT_GT(CompareNoCase(u"abc", u"AB"), 0);
    // Folding is to lower case: '_' (0x5F) sorts before 'a' (0x61).
    EXPECT_LT(CompareNoCase(u"_", u"A"), 0);
    // Units above 0x7FFF compare as large values.
    EXPECT_GT(CompareNoCase(u"表", u"a"), 0);
    EXPECT_NE(CompareNoCase(u"表示", u"十示"), 0);
}

TEST(IsWideSpace, CountsTheRuntimesSpaceClass) {
    for (int space : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000, 0x200A, 0x2028, 0x2029, 0x202F,
                      0x205F, 0x3000}) {
        EXPECT_TRUE(IsWideSpace(static_cast<char16_t>(space))) << std::hex << space;
    }
    for (int other : {0x00, 0x08, 0x0E, 0x21, 0x200B, 0xFEFF, 0x3001, 0x815F, 0x61}) {
        EXPECT_FALSE(IsWideSpace(static_cast<char16_t>(other))) << std::hex << other;
    }
}

// --- Number readers ---

TEST(ReadDecimal, ReadsLeadingIntegerLikeWtoi) {
    EXPECT_EQ(ReadDecimal(u"  42abc"), 42);
    EXPECT_EQ(ReadDecimal(u"\u3000\t-17"), -17);
    EXPECT_EQ(ReadDecimal(u"+5"), 5);
    EXPECT_EQ(ReadDecimal(u"12 34"), 12);
    EXPECT_EQ(ReadDecimal(u"007"), 7);
    EXPECT_EQ(ReadDecimal(u"１２"), 12);  // the runtime reads fullwidth digits too
    EXPECT_EQ(ReadDecimal(u"abc"), 0);
    EXPECT_EQ(ReadDecimal(u"- 5"), 0);
    EXPECT_EQ(ReadDecimal(u"0x10"), 0);
    EXPECT_EQ(ReadDecimal(u""), 0);
    EXPECT_EQ(ReadDecimal(nullptr), 0);
}

TEST(ReadDecimal, SaturatesAtTheIntRange) {
    EXPECT_EQ(ReadDecimal(u"2147483647"), std::numeric_limits<int>::max());
    EXPECT_EQ(ReadDecimal(u"2147483648"), std::numeric_limits<int>::max());
    EXPECT_EQ(ReadDecimal(u"99999999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(ReadDecimal(u"-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(ReadDecimal(u"-2147483649"), std::numeric_limits<int>::min());
    EXPECT_EQ(ReadDecimal(u"-99999999999999999999999"), std::numeric_limits<int>::min());
}

TEST(ReadHex, ReadsDigitsWithOptionalPrefix) {
    bool digits = false;
    EXPECT_EQ(ReadHex(u"ff", &digits), 0xFFu);
    EXPECT_TRUE(digits);
    EXPECT_EQ(ReadHex(u" \t0x1Ag"), 0x1Au);
    EXPECT_EQ(ReadHex(u"0XfF"), 0xFFu);
    EXPECT_EQ(ReadHex(u"\u30000010"), 0x10u);
    // Only the low 32 bits stay.
    EXPECT_EQ(ReadHex(u"123456789"), 0x23456789u);
    EXPECT_EQ(ReadHex(u"FFFFFFFF"), 0xFFFFFFFFu);
}

TEST(ReadHex, WithoutDigitsReadsZero) {
    bool digits = true;
    EXPECT_EQ(ReadHex(u"xyz", &digits), 0u);
    EXPECT_FALSE(digits);
    digits = true;
    EXPECT_EQ(ReadHex(u"", &digits), 0u);
    EXPECT_FALSE(digits);
    digits = true;
    EXPECT_EQ(ReadHex(u"-5", &digits), 0u);  // no sign
    EXPECT_FALSE(digits);
    digits = true;
    EXPECT_EQ(ReadHex(nullptr, &digits), 0u);
    EXPECT_FALSE(digits);
    // The 0 of "0x" is itself a digit.
    digits = false;
    EXPECT_EQ(ReadHex(u"0x", &digits), 0u);
    EXPECT_TRUE(digits);
    digits = false;
    EXPECT_EQ(ReadHex(u"0xg", &digits), 0u);
    EXPECT_TRUE(digits);
}

TEST(ReadReal, ReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(ReadReal(u"1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ReadReal(u" \u3000-2.25e2xyz"), -225.0);
    EXPECT_DOUBLE_EQ(ReadReal(u"+.5"), 0.5);
    EXPECT_DOUBLE_EQ(ReadReal(u"5."), 5.0);
    EXPECT_DOUBLE_EQ(ReadReal(u"1e"), 1.0);
    EXPECT_DOUBLE_EQ(ReadReal(u"2E-1,"), 0.2);
    // The decimal point is '.' whatever the locale; a comma ends the number.
    EXPECT_DOUBLE_EQ(ReadReal(u"1,5"), 1.0);
    EXPECT_DOUBLE_EQ(ReadReal(u"0x1.8p1"), 3.0);
    EXPECT_DOUBLE_EQ(ReadReal(u"0xg"), 0.0);
}

TEST(ReadReal, NoNumberReadsZeroAndExtremesAreDefined) {
    EXPECT_EQ(ReadReal(u"abc"), 0.0);
    EXPECT_EQ(ReadReal(u"+-1"), 0.0);
    EXPECT_EQ(ReadReal(u"."), 0.0);
    EXPECT_EQ(ReadReal(u""), 0.0);
    EXPECT_EQ(ReadReal(nullptr), 0.0);
    EXPECT_EQ(ReadReal(u"１"), 0.0);  // fullwidth digits are not a number here
    EXPECT_EQ(ReadReal(u"inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadReal(u"-Infinity"), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(ReadReal(u"nan")));
    EXPECT_EQ(ReadReal(u"1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadReal(u"-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadReal(u"1e-999"), 0.0);
    EXPECT_EQ(ReadReal(u"0.000001e-400"), 0.0);
    EXPECT_EQ(ReadReal(u"123456e400"), std::numeric_limits<double>::infinity());
}

TEST(NumberReaders, TellHowMuchOfTheTextTheNumberTook) {
    const struct {
        const char16_t* text;
        std::size_t decimal, hex, real;
    } cases[] = {
        {u"720", 3, 3, 3},    {u"72O", 2, 2, 2}, {u" 42abc", 3, 6, 3}, {u"0x1G", 1, 3, 3},
        {u"abc", 0, 3, 0},    {u"", 0, 0, 0},    {u"-5", 2, 0, 2},     {u"１２x", 2, 0, 0},
        {u"1.5e3,", 1, 1, 5}, {u"+-1", 0, 0, 0}, {u"inf", 0, 0, 3},    {u"0x", 1, 2, 1},
    };
    for (const auto& c : cases) {
        std::size_t decimal = 99, hex = 99, real = 99;
        ReadDecimal(c.text, &decimal);
        ReadHex(c.text, nullptr, &hex);
        ReadReal(c.text, &real);
        EXPECT_EQ(decimal, c.decimal) << Utf16ToUtf8(c.text);
        EXPECT_EQ(hex, c.hex) << Utf16ToUtf8(c.text);
        EXPECT_EQ(real, c.real) << Utf16ToUtf8(c.text);
    }
}
