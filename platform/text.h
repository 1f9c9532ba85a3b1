// UTF-16 text for the core: conversions between code page 932 and UTF-16 as
// the C runtime does them under the "Japanese" locale, case-insensitive
// comparison, the wide white-space class and the number readers of the script
// format. Every function here is safe on any input: it never reads past a
// terminator it was promised nor writes past the capacity it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Sets the C runtime locale to "Japanese" on Windows; failure is silent, as
// nothing here depends on it. On POSIX it does nothing: the conversions below
// never consult the process locale, and the number readers must not.
void SetJapaneseLocale();

// Returns the number of units before the terminator.
std::size_t TextLength(const char16_t* text);

// Copies `src` into `dst` of `capacity` units, always NUL-terminated; text
// that does not fit is cut. Returns false when it was cut.
bool CopyText(char16_t* dst, std::size_t capacity, std::u16string_view src);

// Decodes CP932 bytes to UTF-16 (one unit per character: CP932 maps into the
// BMP), with the Windows code page 932 mappings: 0x5C and 0x7E are themselves,
// the NEC and IBM extensions and the user-defined area 0xF040-0xF9FC
// (U+E000-U+E757) included, and the single bytes 0x80, 0xA0, 0xFD-0xFF give
// U+0080, U+F8F0-U+F8F3. Invalid input: a lead byte at the end, or before a
// byte that cannot be a second byte, becomes U+FFFD and decoding goes on with
// that next byte; a lead and a second byte that together name no character
// become one U+FFFD, so a second byte such as 0x5C is never read as a
// character of its own. `valid`, when given, is set false when any U+FFFD
// stands for such invalid input and true otherwise.
std::u16string Cp932ToUtf16(std::string_view bytes, bool* valid = nullptr);
// The same into `out`, whose storage is reused (a reader decoding line after
// line allocates only when a line is longer than any before).
void Cp932ToUtf16(std::string_view bytes, std::u16string& out, bool* valid = nullptr);

// Encodes UTF-16 as CP932, choosing among duplicate codes as Windows does
// (U+9AD9 as 0xFBFC, U+2252 as 0x81E0, U+3231 as 0x878A). Returns false when
// a character has no CP932 form; `out` then holds '?' in its place (one '?'
// for a surrogate pair, one for a lone surrogate).
bool Utf16ToCp932(std::u16string_view text, std::string& out);

// mbstowcs under the "Japanese" locale, bounded: converts the NUL-terminated
// CP932 text `src` into `dst`, at most `capacity` - 1 units, always
// NUL-terminated (so at most 259 characters for a 260-unit buffer). Invalid
// bytes decode as in Cp932ToUtf16. Returns the units written.
std::size_t MbsToWcs(char16_t* dst, std::size_t capacity, const char* src);

// wcstombs under the "Japanese" locale, bounded: converts `src` into `dst`,
// at most `capacity` - 1 bytes, never splitting a double-byte character,
// always NUL-terminated. Returns false when a character has no CP932 form
// (written as '?') or the text did not fit.
bool WcsToMbs(char* dst, std::size_t capacity, const char16_t* src);

// UTF-8 <-> UTF-16 (POSIX file names, devices.txt, pprtool output).
// Invalid UTF-8 and lone surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);

// Maps one unit to lower case as the Windows runtime's simple mapping does
// (ASCII, Latin-1, Latin Extended-A and Additional, Greek, Cyrillic, Armenian,
// Roman numerals, circled and fullwidth Latin); other units stay. Only U+0000
// maps to U+0000.
char16_t FoldCase(char16_t unit);

// Returns FoldCase of every unit, indexed by the unit (a table the compiler
// made): a loop over text fetches it once and folds with one load a unit.
const char16_t* FoldCaseTable();

// Compares without regard to letter case, like _wcsicmp: the units folded by
// FoldCase compare as unsigned values, a proper prefix sorts first; <0, 0 or
// >0. The views compare whole, embedded NULs included.
int CompareNoCase(std::u16string_view a, std::u16string_view b);

// True for what the Windows runtime's iswspace counts as white space: U+0009
// to U+000D, U+0020, U+0085, U+00A0, U+1680, U+2000 to U+200A, U+2028,
// U+2029, U+202F, U+205F and the ideographic space U+3000.
bool IsWideSpace(char16_t unit);

// Returns `text` without the white space (IsWideSpace) at either end.
std::u16string_view TrimWideSpace(std::u16string_view text);

// _wtoi: leading white space, optional sign, decimal digits up to the first
// other character (as the Windows runtime, the digits of other scripts too,
// fullwidth ０-９ among them); no digits give 0; overflow saturates to the
// int range.
// `used` (when given) receives the units the number took, white space
// included; 0 when there was no number.
int ReadDecimal(const char16_t* text, std::size_t* used = nullptr);

// swscanf "%x": leading white space, optional 0x/0X, hexadecimal digits of
// either case; the low 32 bits are kept. Without any hexadecimal digit the
// result is 0 and `hadDigits` (when given) is set false.
// `used` as for ReadDecimal.
uint32_t ReadHex(const char16_t* text, bool* hadDigits = nullptr, std::size_t* used = nullptr);

// wcstod: the leading number of the text (white space, sign, digits, point
// '.', exponent; also "inf", "infinity", "nan" and hexadecimal "0x1.8p3"),
// 0 when the text does not begin with a number. Too large a number gives
// infinity, too small 0. The process locale plays no part.
// `used` as for ReadDecimal.
double ReadReal(const char16_t* text, std::size_t* used = nullptr);
