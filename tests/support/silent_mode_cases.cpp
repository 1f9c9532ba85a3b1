#include "support/silent_mode_cases.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "profile/records.h"
#include "support/cp932_glyphs.h"

// One generator per case, drawn from in a fixed order: a seed names its case
// only as long as no draw is added, dropped or moved.

namespace {

using Rng = std::mt19937;

int Pick(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
bool Chance(Rng& rng, int percent) { return Pick(rng, 0, 99) < percent; }
template <class T>
const T& OneOf(Rng& rng, const std::vector<T>& items) {
    return items[Pick(rng, 0, static_cast<int>(items.size()) - 1)];
}
uint32_t Bits32(Rng& rng) { return static_cast<uint32_t>(rng()); }

constexpr int kPairCount = sizeof kCasePairs / sizeof kCasePairs[0];
constexpr int kCaselessCount = sizeof kCaseless / sizeof kCaseless[0];

// A name as a list of glyphs; each spelling picks the case of every letter
// anew, so the script and the profile spell one name differently.
struct Name {
    std::vector<int> glyphs;  // >= 0: case pair, < 0: caseless -(i + 1)
};

Name RandomName(Rng& rng, int minLength, int maxLength) {
    Name name;
    const int length = Pick(rng, minLength, maxLength);
    for (int i = 0; i < length; ++i) {
        if (Chance(rng, 60)) {
            name.glyphs.push_back(Pick(rng, 0, kPairCount - 1));
        } else {
            int c = Pick(rng, 0, kCaselessCount - 1);
            // No blank at the ends: the script's field is trimmed.
            while ((i == 0 || i == length - 1) && kCaseless[c].unit == u' ') c = Pick(rng, 0, kCaselessCount - 1);
            name.glyphs.push_back(-(c + 1));
        }
    }
    return name;
}

std::u16string ProfileSpelling(Rng& rng, const Name& name) {
    std::u16string text;
    for (int g : name.glyphs) {
        if (g >= 0)
            text.push_back(Chance(rng, 50) ? kCasePairs[g].upper : kCasePairs[g].lower);
        else
            text.push_back(kCaseless[-g - 1].unit);
    }
    return text;
}

std::string ScriptSpelling(Rng& rng, const Name& name) {
    std::string bytes;
    for (int g : name.glyphs) {
        if (g >= 0)
            bytes += Chance(rng, 50) ? kCasePairs[g].upperBytes : kCasePairs[g].lowerBytes;
        else
            bytes += kCaseless[-g - 1].bytes;
    }
    return bytes;
}

// Text of `length` characters for a field that is not a key.
std::string RandomScriptText(Rng& rng, int length) { return ScriptSpelling(rng, RandomName(rng, length, length)); }

// Puts text into a profile's 260-unit field; with `garbage` the units behind
// the terminator are random, as a loaded row may hold them.
void PutProfileText(Rng& rng, char16_t (&field)[kTextUnits], const std::u16string& text, bool garbage) {
    for (int i = 0; i < kTextUnits; ++i) field[i] = garbage ? static_cast<char16_t>(rng()) : 0;
    const std::size_t n = std::min<std::size_t>(text.size(), kTextUnits - 1);
    std::copy_n(text.begin(), n, field);
    field[n] = 0;
}

// The key values the profiles and scripts of one case share, so that matches
// happen often.
struct Pools {
    std::vector<Name> inkNames, mediaNames, corrNames;
    std::vector<int> colorKeys, bppKeys, resValues, corrKeys, levels;
};

Pools MakePools(Rng& rng) {
    Pools p;
    for (int i = 0; i < Pick(rng, 1, 5); ++i) p.inkNames.push_back(RandomName(rng, 1, 8));
    for (int i = 0; i < Pick(rng, 1, 5); ++i) p.mediaNames.push_back(RandomName(rng, 1, 8));
    for (int i = 0; i < Pick(rng, 1, 3); ++i) p.corrNames.push_back(RandomName(rng, 1, 6));
    p.inkNames.push_back(Name{});  // the empty name: a zero row of the script carries it
    p.corrNames.push_back(Name{});
    p.colorKeys = {1, 2, 3, 123, 0, 255};
    p.bppKeys = {1, 2, 3, 5, 123, 0, 255};
    p.resValues = {1, 2, 720, 360, -25536, 0, -1};
    p.corrKeys = {1, 2, 300, -25536, 0};
    p.levels = {1, 2, 0};
    return p;
}

// ---------------------------------------------------------------- profiles

struct ProfileRows {
    std::vector<ColorTypeEntry> color;
    std::vector<ResolutionEntry> res;
    std::vector<NamedEntry> ink, media;
    std::vector<BitsPerPixelEntry> bpp;
    std::vector<CorrectionEntry> corr;
};

template <class Row>
void RandomBytes(Rng& rng, Row& row) {
    auto* bytes = reinterpret_cast<uint8_t*>(&row);
    for (std::size_t i = 0; i < sizeof row; ++i) bytes[i] = static_cast<uint8_t>(rng());
}

NamedEntry ProfileNamed(Rng& rng, const std::vector<Name>& names) {
    NamedEntry row;
    RandomBytes(rng, row);
    const std::u16string name =
        Chance(rng, 85) ? ProfileSpelling(rng, OneOf(rng, names)) : ProfileSpelling(rng, RandomName(rng, 1, 6));
    PutProfileText(rng, row.name, name, Chance(rng, 30));
    row.id = Pick(rng, -5, 5000);
    return row;
}

CorrectionEntry ProfileCorrection(Rng& rng, const Pools& pools) {
    CorrectionEntry row;
    RandomBytes(rng, row);  // fillers, floats of any bit pattern, levels
    row.key1 = static_cast<int16_t>(OneOf(rng, pools.corrKeys));
    row.key2 = static_cast<int16_t>(OneOf(rng, pools.corrKeys));
    row.level2 = static_cast<uint8_t>(OneOf(rng, pools.levels));
    PutProfileText(rng, row.name1, ProfileSpelling(rng, OneOf(rng, pools.corrNames)), Chance(rng, 30));
    PutProfileText(rng, row.name2, ProfileSpelling(rng, OneOf(rng, pools.corrNames)), Chance(rng, 30));
    char16_t(*texts[])[kTextUnits] = {&row.icmFile, &row.calFile, &row.bccFile, &row.text8, &row.text9};
    for (auto* text : texts) PutProfileText(rng, *text, ProfileSpelling(rng, RandomName(rng, 0, 10)), Chance(rng, 30));
    return row;
}

template <class Row>
void AppendBytes(std::vector<uint8_t>& image, const std::vector<Row>& rows) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(rows.data());
    image.insert(image.end(), bytes, bytes + rows.size() * sizeof(Row));
}

void PutLE(std::vector<uint8_t>& image, std::size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The themes of the seeds: every run of ten seeds holds each of them once.
enum class Theme { Plain, Plain2, Plain3, Plain4, Quirky, Quirky2, BadScript, NearLimit, OddProfile, LongText };

// Makes a profile; for the near-limit theme `nearTable` receives the table
// whose count is close to its limit (-1 otherwise).
std::vector<uint8_t> MakeProfile(Rng& rng, const Pools& pools, Theme theme, int seed, int& nearTable) {
    ProfileRows rows;
    int counts[6];
    for (int& c : counts) c = Chance(rng, 25) ? 0 : Pick(rng, 1, 6);
    nearTable = -1;
    if (theme == Theme::NearLimit) {
        // Once in a while a 16-bit table of big rows at its limit.
        nearTable = seed % 100 == 37 ? 3 : OneOf(rng, std::vector<int>{0, 1, 4});
        counts[nearTable] = nearTable == 0 || nearTable == 1 ? Pick(rng, 117, 127) : Pick(rng, 32756, 32767);
    }
    // A table near its limit holds few distinct keys, so that script rows
    // go unmatched and are appended.
    const std::vector<int> fewKeys = {1, 2};
    for (int i = 0; i < counts[0]; ++i) {
        ColorTypeEntry r;
        RandomBytes(rng, r);
        r.typeKey = static_cast<uint8_t>(OneOf(rng, nearTable == 0 ? fewKeys : pools.colorKeys));
        rows.color.push_back(r);
    }
    for (int i = 0; i < counts[1]; ++i) {
        ResolutionEntry r;
        RandomBytes(rng, r);
        int16_t* keys[] = {&r.res1, &r.res2, &r.res3, &r.res4};
        for (int16_t* k : keys) *k = static_cast<int16_t>(OneOf(rng, nearTable == 1 ? fewKeys : pools.resValues));
        if (Chance(rng, 10)) r.res1 = r.res2 = r.res3 = r.res4 = 0;  // what a zero script row matches
        rows.res.push_back(r);
    }
    for (int i = 0; i < counts[2]; ++i) rows.ink.push_back(ProfileNamed(rng, pools.inkNames));
    for (int i = 0; i < counts[3]; ++i) {
        rows.media.push_back(ProfileNamed(rng, nearTable == 3 ? pools.inkNames : pools.mediaNames));
    }
    for (int i = 0; i < counts[4]; ++i) {
        BitsPerPixelEntry r;
        RandomBytes(rng, r);
        r.bppKey = static_cast<uint8_t>(OneOf(rng, nearTable == 4 ? fewKeys : pools.bppKeys));
        rows.bpp.push_back(r);
    }
    for (int i = 0; i < counts[5]; ++i) {
        CorrectionEntry r = ProfileCorrection(rng, pools);
        if (Chance(rng, 10)) {  // the key of an all-zero script row
            r.key1 = r.key2 = 0;
            r.level2 = 0;
            r.name1[0] = r.name2[0] = 0;
        }
        rows.corr.push_back(r);
    }

    // Header: random bytes everywhere the system does not interpret, a CP932
    // device name with random bytes behind its terminator.
    std::vector<uint8_t> image(332);
    for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
    std::string device = ScriptSpelling(rng, RandomName(rng, 1, 20));
    device.resize(std::min<std::size_t>(device.size(), 200));
    std::memcpy(image.data() + 6, device.data(), device.size());
    image[6 + device.size()] = 0;
    const std::size_t countAt[] = {276, 284, 296, 308, 316, 324};
    const int widths[] = {1, 1, 2, 2, 2, 2};
    const std::size_t referenceAt[] = {280, 288, 300, 312, 320, 328};
    for (int t = 0; t < 6; ++t) {
        PutLE(image, countAt[t], static_cast<uint32_t>(counts[t]), widths[t]);
        PutLE(image, referenceAt[t], Chance(rng, 5) ? Bits32(rng) : 0, 4);
    }
    PutLE(image, 292, static_cast<uint32_t>(Pick(rng, -100000, 100000)), 4);
    PutLE(image, 304, static_cast<uint32_t>(Pick(rng, -100000, 100000)), 4);
    AppendBytes(image, rows.color);
    AppendBytes(image, rows.res);
    AppendBytes(image, rows.ink);
    AppendBytes(image, rows.media);
    AppendBytes(image, rows.bpp);
    AppendBytes(image, rows.corr);

    if (theme == Theme::OddProfile) {
        switch (Pick(rng, 0, 4)) {
            case 0: image.resize(image.size() - Pick(rng, 1, 11)); break;                  // truncated
            case 1: image.push_back(static_cast<uint8_t>(rng())); break;                   // one byte too many
            case 2: image[Pick(rng, 0, 1) ? 276 : 284] = 0x80 | Pick(rng, 0, 127); break;  // negative 8-bit count
            case 3: PutLE(image, 324, 0x8000u | Bits32(rng), 2); break;                    // negative 16-bit count
            default: image.resize(Pick(rng, 0, 331)); break;                               // shorter than a header
        }
    }
    return image;
}

// ----------------------------------------------------------------- scripts

struct ScriptWriter {
    Rng& rng;
    int eolMode;  // 0 LF, 1 CR LF, 2 either per line
    std::vector<std::string> lines;

    void Line(const std::string& text) { lines.push_back(text); }
    std::string Join(bool finalNewline) {
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out += lines[i];
            if (i + 1 == lines.size() && !finalNewline) break;
            const bool crlf = eolMode == 1 || (eolMode == 2 && Chance(rng, 50));
            out += crlf ? "\r\n" : "\n";
        }
        return out;
    }
};

// White space that trimming removes: blank, tab, ideographic space.
std::string Pad(Rng& rng) {
    if (!Chance(rng, 15)) return "";
    static const std::vector<std::string> pads = {" ", "\t", "  ", "\x81\x40", " \t"};
    return OneOf(rng, pads);
}

std::string Field(Rng& rng, const std::string& text) { return Pad(rng) + text + Pad(rng); }

// Decimal text whose value is at least 1 and whose low bits give `value` in
// an 8-bit (`bits` 8) or 16-bit field.
std::string IntegerText(Rng& rng, int value, int bits) {
    const unsigned mask = bits == 8 ? 0xFFu : 0xFFFFu;
    unsigned low = static_cast<unsigned>(value) & mask;
    unsigned n = low == 0 ? mask + 1 : low;
    if (Chance(rng, 15)) n += (mask + 1) * Pick(rng, 1, 3);  // wraps to the same low bits
    std::string text = std::to_string(n);
    switch (Pick(rng, 0, 12)) {
        case 0: return "+" + text;
        case 1: return "00" + text;
        case 2: return text + "abc";  // the leading number counts
        case 3: return text + ".9";
        default: return text;
    }
}

std::string KeyOrDefect(Rng& rng, int value, int bits, bool defect) {
    if (!defect) return IntegerText(rng, value, bits);
    static const std::vector<std::string> bad = {"0", "-3", "0x10", "abc", "", "-0", "+0"};
    return OneOf(rng, bad);
}

std::string HexText(Rng& rng) {
    const uint32_t v = Chance(rng, 50) ? Bits32(rng) : static_cast<uint32_t>(Pick(rng, 0, 300));
    char buffer[40];
    switch (Pick(rng, 0, 9)) {
        case 0: std::snprintf(buffer, sizeof buffer, "0x%x", v); break;
        case 1: std::snprintf(buffer, sizeof buffer, "0X%X", v); break;
        case 2: std::snprintf(buffer, sizeof buffer, "%08x", v); break;
        case 3: std::snprintf(buffer, sizeof buffer, "%Xzz", v); break;
        case 4: std::snprintf(buffer, sizeof buffer, "1%08X", v); break;  // nine digits: low 32 bits kept
        case 5: return Chance(rng, 50) ? "" : "zz";                       // no digit at all
        default: std::snprintf(buffer, sizeof buffer, "%X", v); break;
    }
    return buffer;
}

std::string RealText(Rng& rng) {
    static const std::vector<std::string> reals = {"1.5",     "-2e3", "abc", "0",   "3",     ".5",         "-0",
                                                   "7.25xyz", "1e10", "",    "0.1", "-1e-3", "123456.789", "+4"};
    if (Chance(rng, 70)) return OneOf(rng, reals);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", std::uniform_real_distribution<double>(-1e6, 1e6)(rng));
    return buffer;
}

std::string NameText(Rng& rng, const std::vector<Name>& pool) {
    if (Chance(rng, 80)) return ScriptSpelling(rng, OneOf(rng, pool));
    return ScriptSpelling(rng, RandomName(rng, 1, 6));
}

// Text of exactly `length` characters, for the limits of text fields.
std::string LongText(Rng& rng, int length) { return RandomScriptText(rng, length); }

const char* const kTableWords[6] = {"COLORTYPE", "RESOLTAB", "INKTAB", "MEDIATAB", "BITSPPTAB", "CORRECTTAB"};
const int kFieldCount[6] = {4, 6, 3, 3, 3, 22};

std::string Lowered(Rng& rng, std::string word) {
    if (Chance(rng, 20)) {
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (Chance(rng, 10)) {
        for (char& c : word) {
            if (Chance(rng, 50)) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return word;
}

// One row line of table t; `defect` puts a key below 1 in it, `longText`
// (0 none, 1 at the limit, 2 one past it) stretches a text field.
std::string RowLine(Rng& rng, const Pools& pools, int t, bool defect, int longText) {
    std::vector<std::string> f;
    const int bad = defect ? Pick(rng, 0, 3) : -1;  // which key gets the defect
    switch (t) {
        case 0:
            f = {KeyOrDefect(rng, Chance(rng, 10) ? 123 : Pick(rng, 1, 200), 8, bad == 0),
                 KeyOrDefect(rng, OneOf(rng, pools.colorKeys), 8, bad >= 1), HexText(rng), HexText(rng)};
            break;
        case 1:
            for (int i = 0; i < 4; ++i) f.push_back(KeyOrDefect(rng, OneOf(rng, pools.resValues), 16, bad == i));
            f.push_back(HexText(rng));
            f.push_back(HexText(rng));
            break;
        case 2:
        case 3: {
            std::string name = NameText(rng, t == 2 ? pools.inkNames : pools.mediaNames);
            if (longText) name = LongText(rng, longText == 1 ? 259 : 260);
            if (defect) name = LongText(rng, 260 + Pick(rng, 0, 30));  // names have no key to spoil
            f = {name, HexText(rng), HexText(rng)};
            break;
        }
        case 4: f = {KeyOrDefect(rng, OneOf(rng, pools.bppKeys), 8, bad >= 0), HexText(rng), HexText(rng)}; break;
        default: {
            f = {KeyOrDefect(rng, OneOf(rng, pools.corrKeys), 16, bad == 0),
                 KeyOrDefect(rng, OneOf(rng, pools.corrKeys), 16, bad == 1),
                 NameText(rng, pools.corrNames),
                 NameText(rng, pools.corrNames),
                 KeyOrDefect(rng, Pick(rng, 1, 300), 8, bad == 2),
                 KeyOrDefect(rng, OneOf(rng, pools.levels), 8, bad == 3),
                 RandomScriptText(rng, Pick(rng, 0, 8)),
                 RandomScriptText(rng, Pick(rng, 0, 8)),
                 RandomScriptText(rng, Pick(rng, 0, 8))};
            if (longText) {
                switch (Pick(rng, 0, 2)) {
                    case 0: f[6] = LongText(rng, longText == 1 ? 255 : 256); break;
                    case 1: f[2] = LongText(rng, longText == 1 ? 259 : 260); break;
                    default: f[Pick(rng, 7, 8)] = LongText(rng, longText == 1 ? 259 : 260); break;
                }
            }
            for (int i = 0; i < 11; ++i) f.push_back(RealText(rng));
            f.push_back(HexText(rng));
            f.push_back(HexText(rng));
            break;
        }
    }
    std::string line;
    for (std::size_t i = 0; i < f.size(); ++i) line += (i ? "," : "") + Field(rng, f[i]);
    return line;
}

// A line of the wrong field count for table t.
std::string WrongRow(Rng& rng, const Pools& pools, int t) {
    std::string line = RowLine(rng, pools, t, false, 0);
    if (Chance(rng, 50)) return line + "," + HexText(rng);
    const std::size_t comma = line.rfind(',');
    return line.substr(0, comma);
}

// A line about 1023 units long (kanji count one unit each), around the
// length where a line used to be cut in two; it is read as one line.
std::string LongLine(Rng& rng, const Pools& pools, int t) {
    const int length = Pick(rng, 1019, 1024);
    std::string line = RandomScriptText(rng, length);
    static const std::vector<std::string> tails = {"", "#tail", ",1,2", "x"};
    return line + (Chance(rng, 30) ? "," + RowLine(rng, pools, t, false, 0) : OneOf(rng, tails));
}

std::string MakeScript(Rng& rng, const Pools& pools, Theme theme, int nearTable) {
    ScriptWriter w{rng, Pick(rng, 0, 2), {}};
    const bool quirky = theme == Theme::Quirky || theme == Theme::Quirky2;
    const int defect = theme == Theme::BadScript ? Pick(rng, 0, 8) : -1;

    // Version line.
    static const std::vector<std::string> goodVersions = {"3.0", "3", "3.00", "3.0abc", "+3", "30e-1", "3.000000"};
    std::string version = "[Tessera PPR Version]," + (quirky ? OneOf(rng, goodVersions) : std::string("3.0"));
    if (quirky && Chance(rng, 30)) version = "[tessera ppr VERSION] , " + OneOf(rng, goodVersions) + " ";
    if (defect == 0) {
        static const std::vector<std::string> badVersions = {
            "[Tessera PPR Version],3.1",       "[Tessera PPR Version],3.0,x", "[Tessera PPR Version]",
            "#[Tessera PPR Version],3.0",      "[Tessera PPR Ver],3.0",       "",
            "[Tessera PPR Version],2.9999999", "[Tessera PPR Version],abc"};
        version = OneOf(rng, badVersions);
    }
    w.Line(version);
    if (Chance(rng, 30)) w.Line("# " + RandomScriptText(rng, Pick(rng, 0, 10)));
    if (defect == 1) w.Line(Chance(rng, 50) ? "" : " # not a comment");
    w.Line(Lowered(rng, "[QUILLON_START]") + (Chance(rng, 10) ? ",extra,fields" : ""));

    const int blocks = nearTable >= 0 ? Pick(rng, 1, 4) : Pick(rng, 0, 6);
    const int defectBlock = Pick(rng, 0, std::max(0, blocks - 1));
    bool endWritten = false;
    for (int b = 0; b < blocks; ++b) {
        const bool last = b == blocks - 1;
        const bool here = b == defectBlock;
        if (quirky && Chance(rng, 20)) w.Line("# between " + RandomScriptText(rng, 3));
        if (quirky && Chance(rng, 10)) w.Line("");
        if (quirky && Chance(rng, 10)) w.Line("some text, between, tables");
        if (Chance(rng, 8) && !last) {  // an end marker between tables is passed over
            w.Line(Lowered(rng, "[QUILLON_END]"));
        }
        const bool unknown = !(nearTable >= 0 && b == 0) && Chance(rng, 12);
        const int t = nearTable >= 0 && b == 0 ? nearTable : Pick(rng, 0, 5);
        const std::string tableWord = unknown
                                          ? OneOf(rng, std::vector<std::string>{"PAPERTAB", "INK", "COLORTYPES", ""})
                                          : Lowered(rng, kTableWords[t]);
        int rows = Pick(rng, 1, 5);
        if (t == nearTable && b == 0) rows = Pick(rng, 1, 14);
        std::string countText = std::to_string(rows);
        if (quirky && Chance(rng, 15)) countText = OneOf(rng, std::vector<std::string>{"+", "0"}) + countText;
        if (quirky && Chance(rng, 10)) countText += "rows";
        if (defect == 2 && here) {
            countText = OneOf(rng, std::vector<std::string>{"0", "-1", "abc", "0x5", ""});
        }
        std::string header =
            Field(rng, Lowered(rng, "[PPR_Index]")) + "," + Field(rng, tableWord) + "," + Field(rng, countText);
        if (Chance(rng, 10)) header += ",ignored";
        if (defect == 3 && here) header = Lowered(rng, "[PPR_Index]") + "," + tableWord;
        w.Line(header);

        // The rows; a block cut short by the end of the file, or by the next
        // header or the end marker: all three are defects.
        int given = rows;
        const bool shortAtEnd = last && Chance(rng, 20);
        const bool shortDefect = (defect == 4 || defect == 5) && here;
        if (shortAtEnd || shortDefect) given = Pick(rng, 0, rows - 1);
        const int longRow = theme == Theme::LongText && here ? Pick(rng, 0, given) : -1;
        for (int r = 0; r < given; ++r) {
            if (quirky && Chance(rng, 10)) w.Line("#" + RandomScriptText(rng, Pick(rng, 0, 5)));
            const int kind = quirky ? Pick(rng, 0, 99) : 99;
            const int table = unknown ? Pick(rng, 0, 5) : t;
            if (kind < 6)
                w.Line("");
            else if (kind < 12)
                w.Line(WrongRow(rng, pools, table));
            else if (kind < 14)
                w.Line(" #" + RowLine(rng, pools, table, false, 0));
            else if (kind < 16)
                w.Line(LongLine(rng, pools, table));
            else {
                const bool keyDefect = defect == 6 && here && r == given - 1;
                const int longText = r == longRow ? (Chance(rng, 50) ? 1 : 2) : 0;
                w.Line(RowLine(rng, pools, table, keyDefect, longText));
            }
        }
        if (shortDefect) {
            if (defect == 4 || last)
                w.Line(Lowered(rng, "[QUILLON_END]"));
            else
                w.Line("[PPR_Index],INKTAB,1");
        }
        if (shortAtEnd && !shortDefect) return w.Join(Chance(rng, 50));
    }
    if (defect == 7) w.Line("[PPR_Index],MEDIATAB,2\n[QUILLON_END]");  // end marker inside a block
    if (Chance(rng, 80)) {
        w.Line(Lowered(rng, "[QUILLON_END]"));
        endWritten = true;
    }
    if (endWritten && Chance(rng, 15)) {  // reading goes on after the end marker
        w.Line("# after the end");
        if (Chance(rng, 50)) {
            w.Line("[PPR_Index],BITSPPTAB,1");
            w.Line(RowLine(rng, pools, 4, false, 0));
        }
    }
    if (defect == 8) w.Line("[PPR_Index],COLORTYPE,1\n" + RowLine(rng, pools, 0, true, 0));
    return w.Join(Chance(rng, 80));
}

}  // namespace

SilentModeCase MakeSilentModeCase(int seed) {
    Rng rng(static_cast<unsigned>(seed));
    const Theme theme = static_cast<Theme>(seed % 10);
    const Pools pools = MakePools(rng);
    SilentModeCase c;
    int nearTable = -1;
    c.profile = MakeProfile(rng, pools, theme, seed, nearTable);
    c.script = MakeScript(rng, pools, theme, nearTable);
    static const std::vector<std::pair<std::string, std::string>> names = {{"Printer.SCR", "Printer.ppr"},
                                                                           {"prn-1.scr", "PRN-1.PPR"},
                                                                           {"表示ソ.SCR", "表示ソ.ppr"},
                                                                           {"A.B.SCR", "a.b.ppr"},
                                                                           {"x.SCR", "x.profile"}};
    std::tie(c.scriptName, c.profileName) = OneOf(rng, names);
    return c;
}
