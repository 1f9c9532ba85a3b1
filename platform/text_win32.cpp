#include <windows.h>

#include <clocale>

#include "platform/text.h"
#include "platform/text_cp932.h"

// Code page 932 is named outright rather than taken from the runtime's
// locale, so the conversions are the same whether or not SetJapaneseLocale
// ran first; under the "Japanese" locale mbstowcs and wcstombs use this very
// code page.

char16_t DecodeCp932Pair(unsigned char lead, unsigned char trail) {
    const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t out[2] = {};
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, 2, out, 2);
    return n == 1 ? static_cast<char16_t>(out[0]) : 0;
}

int EncodeCp932Unit(char16_t unit) {
    const wchar_t in = static_cast<wchar_t>(unit);
    char out[4] = {};
    BOOL usedDefault = FALSE;
    // Flags 0 as wcstombs passes them; a unit that needed the default
    // character has no form.
    const int n = WideCharToMultiByte(932, 0, &in, 1, out, sizeof out, nullptr, &usedDefault);
    if (usedDefault || n < 1 || n > 2) return -1;
    const int first = static_cast<unsigned char>(out[0]);
    return n == 1 ? first : (first << 8 | static_cast<unsigned char>(out[1]));
}

void SetJapaneseLocale() {
    // The number readers of text.h do not use the locale, so this changes
    // only what the runtime itself converts.
    _wsetlocale(LC_ALL, L"Japanese");
}
