// Characters of code page 932 with their UTF-16 units: letters with a case
// partner and characters without case. The random scripts of the silent-mode
// model are spelled from them; the text tests check that they decode as listed.
#pragma once

struct CasePair {
    char16_t upper;
    const char* upperBytes;
    char16_t lower;
    const char* lowerBytes;
};

struct Glyph {
    char16_t unit;
    const char* bytes;
};

// Letters with a case partner, both in code page 932: ASCII, fullwidth Latin,
// Greek, Cyrillic and Roman numerals.
inline constexpr CasePair kCasePairs[] = {
    {0x0041, "\x41", 0x0061, "\x61"},         {0x0042, "\x42", 0x0062, "\x62"},
    {0x0043, "\x43", 0x0063, "\x63"},         {0x0044, "\x44", 0x0064, "\x64"},
    {0x0045, "\x45", 0x0065, "\x65"},         {0x0046, "\x46", 0x0066, "\x66"},
    {0x0047, "\x47", 0x0067, "\x67"},         {0x0048, "\x48", 0x0068, "\x68"},
    {0x0049, "\x49", 0x0069, "\x69"},         {0x004A, "\x4A", 0x006A, "\x6A"},
    {0x004B, "\x4B", 0x006B, "\x6B"},         {0x004C, "\x4C", 0x006C, "\x6C"},
    {0x004D, "\x4D", 0x006D, "\x6D"},         {0x004E, "\x4E", 0x006E, "\x6E"},
    {0x004F, "\x4F", 0x006F, "\x6F"},         {0x0050, "\x50", 0x0070, "\x70"},
    {0x0051, "\x51", 0x0071, "\x71"},         {0x0052, "\x52", 0x0072, "\x72"},
    {0x0053, "\x53", 0x0073, "\x73"},         {0x0054, "\x54", 0x0074, "\x74"},
    {0x0055, "\x55", 0x0075, "\x75"},         {0x0056, "\x56", 0x0076, "\x76"},
    {0x0057, "\x57", 0x0077, "\x77"},         {0x0058, "\x58", 0x0078, "\x78"},
    {0x0059, "\x59", 0x0079, "\x79"},         {0x005A, "\x5A", 0x007A, "\x7A"},
    {0xFF21, "\x82\x60", 0xFF41, "\x82\x81"}, {0xFF22, "\x82\x61", 0xFF42, "\x82\x82"},
    {0xFF23, "\x82\x62", 0xFF43, "\x82\x83"}, {0xFF24, "\x82\x63", 0xFF44, "\x82\x84"},
    {0xFF25, "\x82\x64", 0xFF45, "\x82\x85"}, {0xFF26, "\x82\x65", 0xFF46, "\x82\x86"},
    {0xFF27, "\x82\x66", 0xFF47, "\x82\x87"}, {0xFF28, "\x82\x67", 0xFF48, "\x82\x88"},
    {0xFF29, "\x82\x68", 0xFF49, "\x82\x89"}, {0xFF2A, "\x82\x69", 0xFF4A, "\x82\x8A"},
    {0xFF2B, "\x82\x6A", 0xFF4B, "\x82\x8B"}, {0xFF2C, "\x82\x6B", 0xFF4C, "\x82\x8C"},
    {0xFF2D, "\x82\x6C", 0xFF4D, "\x82\x8D"}, {0xFF2E, "\x82\x6D", 0xFF4E, "\x82\x8E"},
    {0xFF2F, "\x82\x6E", 0xFF4F, "\x82\x8F"}, {0xFF30, "\x82\x6F", 0xFF50, "\x82\x90"},
    {0xFF31, "\x82\x70", 0xFF51, "\x82\x91"}, {0xFF32, "\x82\x71", 0xFF52, "\x82\x92"},
    {0xFF33, "\x82\x72", 0xFF53, "\x82\x93"}, {0xFF34, "\x82\x73", 0xFF54, "\x82\x94"},
    {0xFF35, "\x82\x74", 0xFF55, "\x82\x95"}, {0xFF36, "\x82\x75", 0xFF56, "\x82\x96"},
    {0xFF37, "\x82\x76", 0xFF57, "\x82\x97"}, {0xFF38, "\x82\x77", 0xFF58, "\x82\x98"},
    {0xFF39, "\x82\x78", 0xFF59, "\x82\x99"}, {0xFF3A, "\x82\x79", 0xFF5A, "\x82\x9A"},
    {0x0391, "\x83\x9F", 0x03B1, "\x83\xBF"}, {0x0392, "\x83\xA0", 0x03B2, "\x83\xC0"},
    {0x0393, "\x83\xA1", 0x03B3, "\x83\xC1"}, {0x0394, "\x83\xA2", 0x03B4, "\x83\xC2"},
    {0x0395, "\x83\xA3", 0x03B5, "\x83\xC3"}, {0x0396, "\x83\xA4", 0x03B6, "\x83\xC4"},
    {0x0397, "\x83\xA5", 0x03B7, "\x83\xC5"}, {0x0398, "\x83\xA6", 0x03B8, "\x83\xC6"},
    {0x0399, "\x83\xA7", 0x03B9, "\x83\xC7"}, {0x039A, "\x83\xA8", 0x03BA, "\x83\xC8"},
    {0x039B, "\x83\xA9", 0x03BB, "\x83\xC9"}, {0x039C, "\x83\xAA", 0x03BC, "\x83\xCA"},
    {0x039D, "\x83\xAB", 0x03BD, "\x83\xCB"}, {0x039E, "\x83\xAC", 0x03BE, "\x83\xCC"},
    {0x039F, "\x83\xAD", 0x03BF, "\x83\xCD"}, {0x03A0, "\x83\xAE", 0x03C0, "\x83\xCE"},
    {0x03A1, "\x83\xAF", 0x03C1, "\x83\xCF"}, {0x03A3, "\x83\xB0", 0x03C3, "\x83\xD0"},
    {0x03A4, "\x83\xB1", 0x03C4, "\x83\xD1"}, {0x03A5, "\x83\xB2", 0x03C5, "\x83\xD2"},
    {0x03A6, "\x83\xB3", 0x03C6, "\x83\xD3"}, {0x03A7, "\x83\xB4", 0x03C7, "\x83\xD4"},
    {0x03A8, "\x83\xB5", 0x03C8, "\x83\xD5"}, {0x03A9, "\x83\xB6", 0x03C9, "\x83\xD6"},
    {0x0410, "\x84\x40", 0x0430, "\x84\x70"}, {0x0411, "\x84\x41", 0x0431, "\x84\x71"},
    {0x0412, "\x84\x42", 0x0432, "\x84\x72"}, {0x0413, "\x84\x43", 0x0433, "\x84\x73"},
    {0x0414, "\x84\x44", 0x0434, "\x84\x74"}, {0x0415, "\x84\x45", 0x0435, "\x84\x75"},
    {0x0416, "\x84\x47", 0x0436, "\x84\x77"}, {0x0417, "\x84\x48", 0x0437, "\x84\x78"},
    {0x0418, "\x84\x49", 0x0438, "\x84\x79"}, {0x0419, "\x84\x4A", 0x0439, "\x84\x7A"},
    {0x041A, "\x84\x4B", 0x043A, "\x84\x7B"}, {0x041B, "\x84\x4C", 0x043B, "\x84\x7C"},
    {0x041C, "\x84\x4D", 0x043C, "\x84\x7D"}, {0x041D, "\x84\x4E", 0x043D, "\x84\x7E"},
    {0x041E, "\x84\x4F", 0x043E, "\x84\x80"}, {0x041F, "\x84\x50", 0x043F, "\x84\x81"},
    {0x0420, "\x84\x51", 0x0440, "\x84\x82"}, {0x0421, "\x84\x52", 0x0441, "\x84\x83"},
    {0x0422, "\x84\x53", 0x0442, "\x84\x84"}, {0x0423, "\x84\x54", 0x0443, "\x84\x85"},
    {0x0424, "\x84\x55", 0x0444, "\x84\x86"}, {0x0425, "\x84\x56", 0x0445, "\x84\x87"},
    {0x0426, "\x84\x57", 0x0446, "\x84\x88"}, {0x0427, "\x84\x58", 0x0447, "\x84\x89"},
    {0x0428, "\x84\x59", 0x0448, "\x84\x8A"}, {0x0429, "\x84\x5A", 0x0449, "\x84\x8B"},
    {0x042A, "\x84\x5B", 0x044A, "\x84\x8C"}, {0x042B, "\x84\x5C", 0x044B, "\x84\x8D"},
    {0x042C, "\x84\x5D", 0x044C, "\x84\x8E"}, {0x042D, "\x84\x5E", 0x044D, "\x84\x8F"},
    {0x042E, "\x84\x5F", 0x044E, "\x84\x90"}, {0x042F, "\x84\x60", 0x044F, "\x84\x91"},
    {0x0401, "\x84\x46", 0x0451, "\x84\x76"}, {0x2160, "\x87\x54", 0x2170, "\xEE\xEF"},
    {0x2161, "\x87\x55", 0x2171, "\xEE\xF0"}, {0x2162, "\x87\x56", 0x2172, "\xEE\xF1"},
    {0x2163, "\x87\x57", 0x2173, "\xEE\xF2"}, {0x2164, "\x87\x58", 0x2174, "\xEE\xF3"},
    {0x2165, "\x87\x59", 0x2175, "\xEE\xF4"}, {0x2166, "\x87\x5A", 0x2176, "\xEE\xF5"},
    {0x2167, "\x87\x5B", 0x2177, "\xEE\xF6"}, {0x2168, "\x87\x5C", 0x2178, "\xEE\xF7"},
    {0x2169, "\x87\x5D", 0x2179, "\xEE\xF8"}};

// Characters without case: digits, inner blank, signs, kanji (several whose
// second byte is 0x5C), extension characters, half-width kana, both codes of 髙.
inline constexpr Glyph kCaseless[] = {
    {0x0030, "\x30"},     {0x0031, "\x31"},     {0x0032, "\x32"},     {0x0033, "\x33"},     {0x0034, "\x34"},
    {0x0035, "\x35"},     {0x0036, "\x36"},     {0x0037, "\x37"},     {0x0038, "\x38"},     {0x0039, "\x39"},
    {0x0020, "\x20"},     {0x002D, "\x2D"},     {0x005F, "\x5F"},     {0x002E, "\x2E"},     {0x007E, "\x7E"},
    {0x8868, "\x95\x5C"}, {0x30BD, "\x83\x5C"}, {0x5341, "\x8F\x5C"}, {0x80FD, "\x94\x5C"}, {0x4E88, "\x97\x5C"},
    {0x5370, "\x88\xF3"}, {0x5237, "\x8D\xFC"}, {0x7D19, "\x8E\x86"}, {0x8272, "\x90\x46"}, {0x9752, "\x90\xC2"},
    {0x8D64, "\x90\xD4"}, {0x9ED2, "\x8D\x95"}, {0x2460, "\x87\x40"}, {0x3231, "\x87\x8A"}, {0x9AD9, "\xEE\xE0"},
    {0xFF71, "\xB1"},     {0xFF76, "\xB6"},     {0xFF7B, "\xBB"},     {0xFF80, "\xC0"},     {0xFF85, "\xC5"},
    {0xFF8A, "\xCA"},     {0xFF8F, "\xCF"},     {0xFF94, "\xD4"},     {0xFF97, "\xD7"},     {0xFF9C, "\xDC"},
    {0xFF66, "\xA6"},     {0xFF9D, "\xDD"},     {0xFF9E, "\xDE"},     {0xFF9F, "\xDF"},     {0xFF65, "\xA5"},
    {0x9AD9, "\xFB\xFC"}, {0x005C, "\x5C"}};
