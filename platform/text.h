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

// Sets the C runtime locale to "Japanese" (Windows) or its nearest POSIX
// equivalent; the result is not needed by anything, so failure is silent.
void SetJapaneseLocale();

// Returns the number of units before the terminator.
std::size_t TextLength(const char16_t* text);

// Copies `src` into `dst` of `capacity` units, always NUL-terminated; text
// that does not fit is cut. Returns false when it was cut.
bool CopyText(char16_t* dst, std::size_t capacity, std::u16string_view src);

// Decodes CP932 bytes to UTF-16 (one unit per character: CP932 maps into the
// BMP). A byte that does not begin a valid CP932 character becomes U+FFFD and
// decoding goes on with the next byte.
std::u16string Cp932ToUtf16(std::string_view bytes);

// Encodes UTF-16 as CP932. Returns false when a unit has no CP932 form; `out`
// then holds the encodable part with '?' in place of each such unit.
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
// (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic, fullwidth Latin).
char16_t FoldCase(char16_t unit);

// Compares without regard to letter case, like _wcsicmp: <0, 0 or >0.
int CompareNoCase(std::u16string_view a, std::u16string_view b);

// True for what the Windows runtime's iswspace counts as white space,
// the ideographic space U+3000 included.
bool IsWideSpace(char16_t unit);

// _wtoi: leading white space, optional sign, decimal digits up to the first
// other character; no digits give 0; overflow saturates to the int range.
int ReadDecimal(const char16_t* text);

// swscanf "%x": leading white space, optional 0x/0X, hexadecimal digits of
// either case; the low 32 bits are kept. Without any hexadecimal digit the
// result is 0 and `hadDigits` (when given) is set false.
uint32_t ReadHex(const char16_t* text, bool* hadDigits = nullptr);

// wcstod: the leading number of the text (white space, sign, digits, point,
// exponent), 0 when the text does not begin with a number.
double ReadReal(const char16_t* text);
