#include "support/silent_mode_model.h"

#include <cstring>
#include <optional>
#include <sstream>

#include "platform/text.h"
#include "profile/records.h"

namespace {

using Text = std::u16string;

// ---------------------------------------------------------------- script text

// Lines as the program reads them: CR LF becomes LF, a Ctrl-Z byte ends the
// file, the bytes are decoded as code page 932, and a line is whole, however
// long. False when any line holds bytes that are not CP932.
bool ReadScriptLines(const std::string& bytes, std::vector<Text>& lines) {
    std::string joined;
    joined.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        joined.push_back(bytes[i]);
    }
    bool valid = true;
    std::size_t start = 0;
    while (start < joined.size()) {
        std::size_t end = joined.find('\n', start);
        end = end == std::string::npos ? joined.size() : end + 1;
        bool lineValid = true;
        lines.push_back(Cp932ToUtf16(std::string_view(joined).substr(start, end - start), &lineValid));
        valid = valid && lineValid;
        start = end;
    }
    return valid;
}

Text Trim(const Text& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsWideSpace(text[begin])) ++begin;
    while (end > begin && IsWideSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<Text> SplitFields(const Text& line) {
    std::vector<Text> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(u',', start);
        if (comma == Text::npos) {
            fields.push_back(Trim(line.substr(start)));
            return fields;
        }
        fields.push_back(Trim(line.substr(start, comma - start)));
        start = comma + 1;
    }
}

bool Same(const Text& a, const char16_t* b) { return CompareNoCase(a, b) == 0; }

// ------------------------------------------------------------ parsed script

enum TableIndex { kColor, kRes, kInk, kMedia, kBpp, kCorr, kTableCount };

const char16_t* const kTableNames[kTableCount] = {u"COLORTYPE", u"RESOLTAB",  u"INKTAB",
                                                  u"MEDIATAB",  u"BITSPPTAB", u"CORRECTTAB"};
const int kFieldCounts[kTableCount] = {4, 6, 3, 3, 3, 22};
const int kRowSizes[kTableCount] = {12, 16, 532, 532, 12, 3700};

struct Tables {
    std::vector<ColorTypeEntry> color;
    std::vector<ResolutionEntry> res;
    std::vector<NamedEntry> ink;
    std::vector<NamedEntry> media;
    std::vector<BitsPerPixelEntry> bpp;
    std::vector<CorrectionEntry> corr;

    std::size_t Count(int t) const {
        switch (t) {
            case kColor: return color.size();
            case kRes: return res.size();
            case kInk: return ink.size();
            case kMedia: return media.size();
            case kBpp: return bpp.size();
            default: return corr.size();
        }
    }
    // Starts a new block of n zero rows for the table, dropping an earlier one.
    void Reset(int t, int n) {
        switch (t) {
            case kColor: color.assign(n, ColorTypeEntry{}); break;
            case kRes: res.assign(n, ResolutionEntry{}); break;
            case kInk: ink.assign(n, NamedEntry{}); break;
            case kMedia: media.assign(n, NamedEntry{}); break;
            case kBpp: bpp.assign(n, BitsPerPixelEntry{}); break;
            default: corr.assign(n, CorrectionEntry{}); break;
        }
    }
};

struct Failure {
    std::string why;
};

bool ReadInteger(const Text& field, int& value) {
    value = ReadDecimal(field.c_str());
    return value >= 1;
}
uint8_t Low8(int v) { return static_cast<uint8_t>(static_cast<unsigned>(v) & 0xFFu); }
int16_t Low16(int v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned>(v) & 0xFFFFu)); }
uint32_t Hex(const Text& field) { return ReadHex(field.c_str()); }
float Real(const Text& field) { return static_cast<float>(ReadReal(field.c_str())); }

bool PutText(char16_t (&dst)[kTextUnits], const Text& text, std::size_t limit = kTextUnits - 1) {
    if (text.size() > limit) return false;
    std::memset(dst, 0, sizeof dst);
    std::memcpy(dst, text.data(), text.size() * sizeof(char16_t));
    return true;
}

// Converts the fields of one complete row line; an empty string on success,
// else why the parse fails.
std::string ConvertRow(Tables& tables, int t, std::size_t index, const std::vector<Text>& f) {
    int v = 0;
    switch (t) {
        case kColor: {
            ColorTypeEntry& r = tables.color[index];
            if (!ReadInteger(f[0], v)) return "typeCode below 1";
            r.typeCode = Low8(v);
            if (!ReadInteger(f[1], v)) return "typeKey below 1";
            r.typeKey = Low8(v);
            r.param1 = Hex(f[2]);
            r.param2 = Hex(f[3]);
            return {};
        }
        case kRes: {
            ResolutionEntry& r = tables.res[index];
            int16_t* keys[4] = {&r.res1, &r.res2, &r.res3, &r.res4};
            for (int i = 0; i < 4; ++i) {
                if (!ReadInteger(f[i], v)) return "res" + std::to_string(i + 1) + " below 1";
                *keys[i] = Low16(v);
            }
            r.param1 = Hex(f[4]);
            r.param2 = Hex(f[5]);
            return {};
        }
        case kInk:
        case kMedia: {
            NamedEntry& r = t == kInk ? tables.ink[index] : tables.media[index];
            if (!PutText(r.name, f[0])) return "name longer than 259";
            r.param1 = Hex(f[1]);
            r.param2 = Hex(f[2]);
            return {};
        }
        case kBpp: {
            BitsPerPixelEntry& r = tables.bpp[index];
            if (!ReadInteger(f[0], v)) return "bppKey below 1";
            r.bppKey = Low8(v);
            r.param1 = Hex(f[1]);
            r.param2 = Hex(f[2]);
            return {};
        }
        default: {
            CorrectionEntry& r = tables.corr[index];
            if (!ReadInteger(f[0], v)) return "key1 below 1";
            r.key1 = Low16(v);
            if (!ReadInteger(f[1], v)) return "key2 below 1";
            r.key2 = Low16(v);
            if (!PutText(r.name1, f[2])) return "name1 longer than 259";
            if (!PutText(r.name2, f[3])) return "name2 longer than 259";
            if (!ReadInteger(f[4], v)) return "level1 below 1";
            r.level1 = Low8(v);
            if (!ReadInteger(f[5], v)) return "level2 below 1";
            r.level2 = Low8(v);
            if (f[6].size() > 255) return "file base longer than 255";
            PutText(r.icmFile, f[6] + u".icm");
            PutText(r.calFile, f[6] + u".CAL");
            PutText(r.bccFile, f[6] + u".BCC");
            if (!PutText(r.text8, f[7])) return "text8 longer than 259";
            if (!PutText(r.text9, f[8])) return "text9 longer than 259";
            r.scalar = Real(f[9]);
            for (int i = 0; i < 10; ++i) r.series[i] = Real(f[10 + i]);
            r.param1 = Hex(f[20]);
            r.param2 = Hex(f[21]);
            return {};
        }
    }
}

std::optional<Tables> ParseScript(const std::string& bytes, std::string& why) {
    std::vector<Text> lines;
    if (!ReadScriptLines(bytes, lines)) {
        why = "bytes that are not CP932";
        return std::nullopt;
    }
    if (lines.empty()) {
        why = "empty script";
        return std::nullopt;
    }
    const std::vector<Text> version = SplitFields(lines[0]);
    if (version.size() != 2 || !Same(version[0], u"[Tessera PPR Version]") || ReadReal(version[1].c_str()) != 3.0) {
        why = "bad version line";
        return std::nullopt;
    }
    enum class State { AwaitStart, Between, InTable } state = State::AwaitStart;
    Tables tables;
    int table = 0, declared = 0, remaining = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const Text& line = lines[i];
        if (!line.empty() && line[0] == u'#') continue;
        const std::vector<Text> f = SplitFields(line);
        const Text& first = f[0];
        const std::string where = " (line " + std::to_string(i + 1) + ")";
        switch (state) {
            case State::AwaitStart:
                if (!Same(first, u"[QUILLON_START]")) {
                    why = "no start marker" + where;
                    return std::nullopt;
                }
                state = State::Between;
                break;
            case State::Between: {
                if (!Same(first, u"[PPR_Index]")) break;
                if (f.size() < 3) {
                    why = "table header with fewer than 3 fields" + where;
                    return std::nullopt;
                }
                const int n = ReadDecimal(f[2].c_str());
                if (n < 1) {
                    why = "row count below 1" + where;
                    return std::nullopt;
                }
                for (int t = 0; t < kTableCount; ++t) {
                    if (!Same(f[1], kTableNames[t])) continue;
                    tables.Reset(t, n);
                    table = t;
                    declared = remaining = n;
                    state = State::InTable;
                    break;
                }
                break;
            }
            case State::InTable: {
                if (Same(first, u"[PPR_Index]") || Same(first, u"[QUILLON_END]")) {
                    why = "marker inside a table block" + where;
                    return std::nullopt;
                }
                if (static_cast<int>(f.size()) == kFieldCounts[table]) {
                    const std::string bad = ConvertRow(tables, table, declared - remaining, f);
                    if (!bad.empty()) {
                        why = bad + where;
                        return std::nullopt;
                    }
                }
                if (--remaining == 0) state = State::Between;
                break;
            }
        }
    }
    if (state == State::InTable) {
        why = "table block cut short by the end of the file";
        return std::nullopt;
    }
    return tables;
}

// ---------------------------------------------------------------- profile

constexpr std::size_t kHeader = 332;
const std::size_t kCountOffsets[kTableCount] = {276, 284, 296, 308, 316, 324};
const std::size_t kCountWidths[kTableCount] = {1, 1, 2, 2, 2, 2};
const std::size_t kReferenceOffsets[kTableCount] = {280, 288, 300, 312, 320, 328};
constexpr std::size_t kNextInkOffset = 292;
constexpr std::size_t kNextMediaOffset = 304;

int ReadCount(const std::vector<uint8_t>& image, int t) {
    const std::size_t at = kCountOffsets[t];
    if (kCountWidths[t] == 1) return static_cast<int8_t>(image[at]);
    return static_cast<int16_t>(static_cast<uint16_t>(image[at] | (image[at + 1] << 8)));
}

int32_t ReadInt32(const std::vector<uint8_t>& image, std::size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | image[at + i];
    return static_cast<int32_t>(v);
}

void WriteLE(std::vector<uint8_t>& image, std::size_t at, uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Profile {
    std::vector<uint8_t> header;  // the 332 bytes as read
    Tables tables;
    int32_t nextInk = 0, nextMedia = 0;
};

template <class Row>
void ReadRows(const std::vector<uint8_t>& image, std::size_t& at, int count, std::vector<Row>& rows) {
    rows.resize(count);
    if (count > 0) std::memcpy(rows.data(), image.data() + at, count * sizeof(Row));
    at += count * sizeof(Row);
}

// The library refuses a file shorter than a header, a negative count and a
// size that does not match the counts.
std::optional<Profile> LoadProfile(const std::vector<uint8_t>& image, std::string& why) {
    if (image.size() < kHeader) {
        why = "profile shorter than its header";
        return std::nullopt;
    }
    std::size_t size = kHeader;
    int counts[kTableCount];
    for (int t = 0; t < kTableCount; ++t) {
        counts[t] = ReadCount(image, t);
        if (counts[t] < 0) {
            why = "negative count in profile";
            return std::nullopt;
        }
        size += static_cast<std::size_t>(counts[t]) * kRowSizes[t];
    }
    if (size != image.size()) {
        why = "profile size does not match its counts";
        return std::nullopt;
    }
    Profile p;
    p.header.assign(image.begin(), image.begin() + kHeader);
    p.nextInk = ReadInt32(image, kNextInkOffset);
    p.nextMedia = ReadInt32(image, kNextMediaOffset);
    std::size_t at = kHeader;
    ReadRows(image, at, counts[kColor], p.tables.color);
    ReadRows(image, at, counts[kRes], p.tables.res);
    ReadRows(image, at, counts[kInk], p.tables.ink);
    ReadRows(image, at, counts[kMedia], p.tables.media);
    ReadRows(image, at, counts[kBpp], p.tables.bpp);
    ReadRows(image, at, counts[kCorr], p.tables.corr);
    return p;
}

template <class Row>
void AppendRows(std::vector<uint8_t>& image, const std::vector<Row>& rows) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(rows.data());
    image.insert(image.end(), bytes, bytes + rows.size() * sizeof(Row));
}

std::vector<uint8_t> FileImage(const Profile& p) {
    std::vector<uint8_t> image = p.header;
    for (int t = 0; t < kTableCount; ++t) {
        WriteLE(image, kCountOffsets[t], static_cast<uint32_t>(p.tables.Count(t)), kCountWidths[t]);
        WriteLE(image, kReferenceOffsets[t], 0, 4);
    }
    WriteLE(image, kNextInkOffset, static_cast<uint32_t>(p.nextInk), 4);
    WriteLE(image, kNextMediaOffset, static_cast<uint32_t>(p.nextMedia), 4);
    AppendRows(image, p.tables.color);
    AppendRows(image, p.tables.res);
    AppendRows(image, p.tables.ink);
    AppendRows(image, p.tables.media);
    AppendRows(image, p.tables.bpp);
    AppendRows(image, p.tables.corr);
    return image;
}

// ------------------------------------------------------------------ merge

bool SameText(const char16_t (&a)[kTextUnits], const char16_t (&b)[kTextUnits]) {
    return CompareNoCase(FieldText(a), FieldText(b)) == 0;
}

// One table: the match pass marks every script row that found a profile row
// (the first one with its key), the append pass adds every row that holds no
// mark. Returns false when the count would pass the field's limit.
template <class Row, class Matches, class Take, class Mark, class IsMarked, class BeforeAppend>
bool MergeTable(std::vector<Row>& profile, std::vector<Row> script, int maxCount, Matches matches, Take take, Mark mark,
                IsMarked isMarked, BeforeAppend beforeAppend) {
    const std::size_t oldCount = profile.size();
    for (Row& s : script) {
        for (std::size_t k = 0; k < oldCount; ++k) {
            if (!matches(profile[k], s)) continue;
            take(profile[k], s);
            mark(s);
            break;
        }
    }
    for (Row& s : script) {
        if (isMarked(s)) continue;
        beforeAppend(s);
        profile.push_back(s);
    }
    return static_cast<int>(profile.size()) <= maxCount;
}

template <class Row>
void TakeWhole(Row& p, const Row& s) {
    p = s;
}

void TakeParams(NamedEntry& p, const NamedEntry& s) {
    p.param1 = s.param1;
    p.param2 = s.param2;
}

bool Merge(Profile& p, const Tables& s, std::string& why) {
    bool ok = true;
    auto named = [](int32_t& counter) { return [&counter](NamedEntry& r) { r.id = counter++; }; };
    auto nothing = [](auto&) {};
    auto check = [&](bool fits, int t) {
        if (!fits && ok) {
            why = std::string("count of ") +
                  (t == kColor   ? "COLORTYPE"
                   : t == kRes   ? "RESOLTAB"
                   : t == kInk   ? "INKTAB"
                   : t == kMedia ? "MEDIATAB"
                   : t == kBpp   ? "BITSPPTAB"
                                 : "CORRECTTAB") +
                  " would pass its limit";
            ok = false;
        }
    };
    auto sameName = [](const NamedEntry& a, const NamedEntry& b) { return SameText(a.name, b.name); };
    auto markId = [](NamedEntry& r) { r.id = 123; };
    auto idMarked = [](const NamedEntry& r) { return r.id == 123; };
    check(MergeTable(p.tables.ink, s.ink, 32767, sameName, TakeParams, markId, idMarked, named(p.nextInk)), kInk);
    check(MergeTable(p.tables.media, s.media, 32767, sameName, TakeParams, markId, idMarked, named(p.nextMedia)),
          kMedia);
    check(MergeTable(
              p.tables.color, s.color, 127,
              [](const ColorTypeEntry& a, const ColorTypeEntry& b) { return a.typeKey == b.typeKey; },
              TakeWhole<ColorTypeEntry>, [](ColorTypeEntry& r) { r.typeCode = 123; },
              [](const ColorTypeEntry& r) { return r.typeCode == 123; }, nothing),
          kColor);
    check(MergeTable(
              p.tables.bpp, s.bpp, 32767,
              [](const BitsPerPixelEntry& a, const BitsPerPixelEntry& b) { return a.bppKey == b.bppKey; },
              TakeWhole<BitsPerPixelEntry>, [](BitsPerPixelEntry& r) { r.bppKey = 123; },
              [](const BitsPerPixelEntry& r) { return r.bppKey == 123; }, nothing),
          kBpp);
    check(MergeTable(
              p.tables.res, s.res, 127,
              [](const ResolutionEntry& a, const ResolutionEntry& b) {
                  return a.res1 == b.res1 && a.res2 == b.res2 && a.res3 == b.res3 && a.res4 == b.res4;
              },
              TakeWhole<ResolutionEntry>, [](ResolutionEntry& r) { r.res1 = 0; },
              [](const ResolutionEntry& r) { return r.res1 == 0; }, nothing),
          kRes);
    check(MergeTable(
              p.tables.corr, s.corr, 32767,
              [](const CorrectionEntry& a, const CorrectionEntry& b) {
                  return a.key1 == b.key1 && a.key2 == b.key2 && a.level2 == b.level2 && SameText(a.name1, b.name1) &&
                         SameText(a.name2, b.name2);
              },
              TakeWhole<CorrectionEntry>, [](CorrectionEntry& r) { r.key1 = 0; },
              [](const CorrectionEntry& r) { return r.key1 == 0; }, nothing),
          kCorr);
    return ok;
}

// ------------------------------------------------------------ description

struct FieldSpan {
    std::size_t offset, size;
    const char* name;
    bool text;
};

const std::vector<FieldSpan>& HeaderFields() {
    static const std::vector<FieldSpan> fields = {
        {0, 6, "opaque", false},
        {6, 270, "deviceName area", false},
        {276, 1, "colorTypeCount", false},
        {277, 3, "filler277", false},
        {280, 4, "colorTypes reference", false},
        {284, 1, "resolutionCount", false},
        {285, 3, "filler285", false},
        {288, 4, "resolutions reference", false},
        {292, 4, "nextInkId", false},
        {296, 2, "inkCount", false},
        {298, 2, "filler298", false},
        {300, 4, "inks reference", false},
        {304, 4, "nextMediaId", false},
        {308, 2, "mediaCount", false},
        {310, 2, "filler310", false},
        {312, 4, "media reference", false},
        {316, 2, "bitsPerPixelCount", false},
        {318, 2, "filler318", false},
        {320, 4, "bitsPerPixels reference", false},
        {324, 2, "correctionCount", false},
        {326, 2, "filler326", false},
        {328, 4, "corrections reference", false},
    };
    return fields;
}

const std::vector<FieldSpan>& RowFields(int t) {
    static const std::vector<FieldSpan> fields[kTableCount] = {
        {{0, 1, "typeCode", false},
         {1, 1, "typeKey", false},
         {2, 2, "filler", false},
         {4, 4, "param1", false},
         {8, 4, "param2", false}},
        {{0, 2, "res1", false},
         {2, 2, "res2", false},
         {4, 2, "res3", false},
         {6, 2, "res4", false},
         {8, 4, "param1", false},
         {12, 4, "param2", false}},
        {{0, 520, "name", true}, {520, 4, "id", false}, {524, 4, "param1", false}, {528, 4, "param2", false}},
        {{0, 520, "name", true}, {520, 4, "id", false}, {524, 4, "param1", false}, {528, 4, "param2", false}},
        {{0, 1, "bppKey", false}, {1, 3, "filler", false}, {4, 4, "param1", false}, {8, 4, "param2", false}},
        {{0, 2, "key1", false},
         {2, 2, "key2", false},
         {4, 520, "name1", true},
         {524, 520, "name2", true},
         {1044, 1, "level1", false},
         {1045, 1, "level2", false},
         {1046, 520, "icmFile", true},
         {1566, 520, "calFile", true},
         {2086, 520, "bccFile", true},
         {2606, 520, "text8", true},
         {3126, 520, "text9", true},
         {3646, 2, "filler", false},
         {3648, 4, "scalar", false},
         {3652, 40, "series", false},
         {3692, 4, "param1", false},
         {3696, 4, "param2", false}},
    };
    return fields[t];
}

std::string ShowBytes(const std::vector<uint8_t>& image, std::size_t at, std::size_t size, bool text) {
    if (at >= image.size()) return "(none)";
    size = std::min(size, image.size() - at);
    std::ostringstream out;
    if (text) {
        Text units;
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            const char16_t u = static_cast<char16_t>(image[at + i] | (image[at + i + 1] << 8));
            if (u == 0) break;
            units.push_back(u);
        }
        out << '"' << Utf16ToUtf8(units) << "\" ";
    }
    static const char* digits = "0123456789abcdef";
    const std::size_t shown = std::min<std::size_t>(size, 24);
    for (std::size_t i = 0; i < shown; ++i) {
        out << digits[image[at + i] >> 4] << digits[image[at + i] & 15];
    }
    if (shown < size) out << "...";
    return out.str();
}

}  // namespace

SilentModeOutcome ModelSilentMode(const std::string& script, const std::vector<uint8_t>& profile) {
    SilentModeOutcome outcome;
    outcome.profile = profile;
    std::string why;
    const std::optional<Tables> parsed = ParseScript(script, why);
    if (!parsed) {
        outcome.exitStatus = 1;
        outcome.reason = "parse failed: " + why;
        return outcome;
    }
    std::optional<Profile> loaded = LoadProfile(profile, why);
    if (!loaded) {
        outcome.exitStatus = 9;
        outcome.reason = "no profile loaded: " + why;
        return outcome;
    }
    bool anyRows = false;
    for (int t = 0; t < kTableCount; ++t) anyRows = anyRows || parsed->Count(t) > 0;
    if (!anyRows) {
        outcome.reason = "script has no rows";
        return outcome;
    }
    if (!Merge(*loaded, *parsed, why)) {
        outcome.exitStatus = 2;
        outcome.reason = "not written: " + why;
        return outcome;
    }
    outcome.profile = FileImage(*loaded);
    outcome.reason = "written";
    return outcome;
}

std::optional<std::vector<uint8_t>> ModelMerge(const std::vector<uint8_t>& profile, const TestProfile& script) {
    std::string why;
    std::optional<Profile> loaded = LoadProfile(profile, why);
    Tables rows;
    rows.color = script.colorTypes;
    rows.res = script.resolutions;
    rows.ink = script.inks;
    rows.media = script.media;
    rows.bpp = script.bitsPerPixels;
    rows.corr = script.corrections;
    if (!loaded || !Merge(*loaded, rows, why)) return std::nullopt;
    return FileImage(*loaded);
}

std::string DescribeProfileDifference(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                                      int maxFields) {
    std::ostringstream out;
    out << "expected " << expected.size() << " bytes, actual " << actual.size() << " bytes\n";
    auto counts = [](const std::vector<uint8_t>& image) {
        std::string s;
        if (image.size() < kHeader) return std::string("(no header)");
        for (int t = 0; t < kTableCount; ++t) {
            s += std::string(t ? " " : "") + Utf16ToUtf8(kTableNames[t]) + "=" + std::to_string(ReadCount(image, t));
        }
        return s;
    };
    out << "  expected counts: " << counts(expected) << "\n  actual counts:   " << counts(actual) << "\n";
    // Lay the expected image out as header fields and rows, then list the
    // fields whose bytes differ.
    std::vector<std::pair<FieldSpan, std::string>> spans;
    for (const FieldSpan& f : HeaderFields()) spans.push_back({f, std::string("header ") + f.name});
    if (expected.size() >= kHeader) {
        std::size_t at = kHeader;
        for (int t = 0; t < kTableCount; ++t) {
            const int n = ReadCount(expected, t);
            for (int r = 0; r < n && at < expected.size(); ++r, at += kRowSizes[t]) {
                for (const FieldSpan& f : RowFields(t)) {
                    FieldSpan g = f;
                    g.offset += at;
                    spans.push_back({g, Utf16ToUtf8(kTableNames[t]) + " row " + std::to_string(r) + " " + f.name});
                }
            }
        }
    }
    int listed = 0;
    for (const auto& [span, name] : spans) {
        bool differs = false;
        for (std::size_t i = span.offset; i < span.offset + span.size; ++i) {
            const bool inE = i < expected.size(), inA = i < actual.size();
            if (inE != inA || (inE && expected[i] != actual[i])) {
                differs = true;
                break;
            }
        }
        if (!differs) continue;
        if (listed++ == maxFields) {
            out << "  ... more fields differ\n";
            break;
        }
        out << "  " << name << " (offset " << span.offset << "): expected "
            << ShowBytes(expected, span.offset, span.size, span.text) << ", actual "
            << ShowBytes(actual, span.offset, span.size, span.text) << "\n";
    }
    if (actual.size() > expected.size()) out << "  actual has " << actual.size() - expected.size() << " extra bytes\n";
    return out.str();
}

std::string DescribeScript(const std::string& script, int maxLines) {
    std::ostringstream out;
    std::vector<Text> lines;
    ReadScriptLines(script, lines);
    for (std::size_t i = 0; i < lines.size() && static_cast<int>(i) < maxLines; ++i) {
        Text line = lines[i];
        while (!line.empty() && line.back() == u'\n') line.pop_back();
        std::string shown = Utf16ToUtf8(line);
        if (shown.size() > 200) shown = shown.substr(0, 200) + "...(" + std::to_string(line.size()) + " units)";
        out << "  " << (i + 1) << ": " << shown << "\n";
    }
    if (static_cast<int>(lines.size()) > maxLines) out << "  ... " << lines.size() << " lines in all\n";
    return out.str();
}
