#include "bench/bench_case.h"

#include <cstdarg>
#include <cstdio>

#include "platform/text.h"

namespace {

std::u16string Name(const char* format, int number) {
    char text[64];
    std::snprintf(text, sizeof text, format, number);
    return Utf8ToUtf16(text);
}

// The profile row a matching script row j takes: spread over the table.
int MatchedRow(const BenchTable& t, int j) {
    return static_cast<int>(static_cast<long long>(j) * t.profileRows / t.matchingRows);
}

// Keys: profile rows count up from 1; new script rows take keys no profile
// row has. Script integers must be at least 1, and 123 would be a mark.
NamedEntry NamedRow(const char* kind, int i, int32_t id, uint32_t param2) {
    return MakeNamed(Name(kind, i), id, 0x100u + static_cast<uint32_t>(i), param2);
}

CorrectionEntry CorrectionRow(int16_t key2, const std::u16string& name1, int i, uint8_t level1) {
    return MakeCorrection(static_cast<int16_t>(1 + i % 50), key2, name1, u"Paper", level1,
                          static_cast<uint8_t>(1 + i % 3), Name("C%05d", i), u"text8", u"text9",
                          static_cast<float>(i) / 8, 0x300u + static_cast<uint32_t>(i), 0x400u);
}

CorrectionEntry ProfileCorrection(int i) {
    return CorrectionRow(static_cast<int16_t>(1 + i / 50), Name("Curve%05d", i), i, 1);
}

template <class Row>
void Rows(std::vector<Row>& out, int count, Row (*make)(int)) {
    out.clear();
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) out.push_back(make(i));
}

// The script rows of one table: the first matchingRows take profile rows'
// keys through `matching`, the rest are new through `fresh`.
template <class Row, class Matching, class Fresh>
void ScriptRows(std::vector<Row>& out, const BenchTable& t, Matching matching, Fresh fresh) {
    out.clear();
    out.reserve(static_cast<std::size_t>(t.scriptRows));
    for (int j = 0; j < t.scriptRows; ++j) out.push_back(j < t.matchingRows ? matching(MatchedRow(t, j)) : fresh(j));
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

std::string Line(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string Text(const char16_t (&field)[kTextUnits]) { return Utf16ToUtf8(FieldText(field)); }

std::string RowLine(const ColorTypeEntry& r) {
    return Line("%u,%u,%s,%s\n", r.typeCode, r.typeKey, Hex(r.param1).c_str(), Hex(r.param2).c_str());
}
std::string RowLine(const ResolutionEntry& r) {
    return Line("%d,%d,%d,%d,%s,%s\n", r.res1, r.res2, r.res3, r.res4, Hex(r.param1).c_str(), Hex(r.param2).c_str());
}
std::string RowLine(const NamedEntry& r) { return Text(r.name) + "," + Hex(r.param1) + "," + Hex(r.param2) + "\n"; }
std::string RowLine(const BitsPerPixelEntry& r) {
    return Line("%u,%s,%s\n", r.bppKey, Hex(r.param1).c_str(), Hex(r.param2).c_str());
}
std::string RowLine(const CorrectionEntry& r) {
    std::string fileBase = Text(r.icmFile);
    fileBase.resize(fileBase.size() - 4);  // without ".icm"
    std::string line = Line("%d,%d,", r.key1, r.key2) + Text(r.name1) + "," + Text(r.name2) +
                       Line(",%u,%u,", r.level1, r.level2) + fileBase + "," + Text(r.text8) + "," + Text(r.text9);
    line += Line(",%.9g", r.scalar);
    for (float value : r.series) line += Line(",%.9g", value);
    return line + "," + Hex(r.param1) + "," + Hex(r.param2) + "\n";
}

template <class Row>
void Block(std::string& out, Table table, const std::vector<Row>& rows) {
    if (rows.empty()) return;
    out += "[PPR_Index]," + Utf16ToUtf8(TableName(table)) + "," + std::to_string(rows.size()) + "\n";
    for (const Row& row : rows) out += RowLine(row);
}

}  // namespace

BenchCase LargeBenchCase() {
    BenchCase benchCase;
    benchCase[Table::ColorType] = {127, 0, 0};
    benchCase[Table::Resolution] = {127, 0, 0};
    benchCase[Table::Ink] = {16384, 16383, 8192};
    benchCase[Table::Media] = {16384, 0, 0};
    benchCase[Table::BitsPerPixel] = {16384, 0, 0};
    benchCase[Table::Correction] = {16384, 32767, 16384};
    return benchCase;
}

BenchCase TypicalBenchCase() {
    BenchCase benchCase;
    for (BenchTable& t : benchCase.tables) t = {40, 20, 10};
    return benchCase;
}

TestProfile MakeBenchProfile(const BenchCase& benchCase) {
    TestProfile p;
    SetDeviceName(p.header, "Bench");
    p.header.nextInkId = benchCase[Table::Ink].profileRows + 1;
    p.header.nextMediaId = benchCase[Table::Media].profileRows + 1;
    Rows<ColorTypeEntry>(p.colorTypes, benchCase[Table::ColorType].profileRows,
                         [](int i) { return MakeColorType(1, static_cast<uint8_t>(1 + i), 0x10, 0x20); });
    Rows<ResolutionEntry>(p.resolutions, benchCase[Table::Resolution].profileRows,
                          [](int i) { return MakeResolution(static_cast<int16_t>(1 + i), 1, 1, 1, 0x10, 0x20); });
    Rows<NamedEntry>(p.inks, benchCase[Table::Ink].profileRows,
                     [](int i) { return NamedRow("Ink%05d", i, i + 1, 0x200); });
    Rows<NamedEntry>(p.media, benchCase[Table::Media].profileRows,
                     [](int i) { return NamedRow("Media%05d", i, i + 1, 0x200); });
    Rows<BitsPerPixelEntry>(p.bitsPerPixels, benchCase[Table::BitsPerPixel].profileRows,
                            [](int i) { return MakeBitsPerPixel(static_cast<uint8_t>(1 + i % 100), 0x10, 0x20); });
    Rows<CorrectionEntry>(p.corrections, benchCase[Table::Correction].profileRows, ProfileCorrection);
    return p;
}

TestProfile MakeBenchScriptRows(const BenchCase& benchCase) {
    TestProfile s;
    ScriptRows(
        s.colorTypes, benchCase[Table::ColorType],
        [](int p) { return MakeColorType(2, static_cast<uint8_t>(1 + p), 0xA, 0xB); },
        [](int j) { return MakeColorType(2, static_cast<uint8_t>(128 + j), 0xA, 0xB); });
    ScriptRows(
        s.resolutions, benchCase[Table::Resolution],
        [](int p) { return MakeResolution(static_cast<int16_t>(1 + p), 1, 1, 1, 0xA, 0xB); },
        [](int j) { return MakeResolution(static_cast<int16_t>(1 + j), 2, 1, 1, 0xA, 0xB); });
    ScriptRows(
        s.inks, benchCase[Table::Ink], [](int p) { return NamedRow("INK%05d", p, 0, 0x201); },
        [](int j) { return NamedRow("NewInk%05d", j, 0, 0x201); });
    ScriptRows(
        s.media, benchCase[Table::Media], [](int p) { return NamedRow("MEDIA%05d", p, 0, 0x201); },
        [](int j) { return NamedRow("NewMedia%05d", j, 0, 0x201); });
    ScriptRows(
        s.bitsPerPixels, benchCase[Table::BitsPerPixel],
        [](int p) { return MakeBitsPerPixel(static_cast<uint8_t>(1 + p % 100), 0xA, 0xB); },
        [](int j) { return MakeBitsPerPixel(static_cast<uint8_t>(130 + j % 100), 0xA, 0xB); });
    ScriptRows(
        s.corrections, benchCase[Table::Correction],
        [](int p) { return CorrectionRow(static_cast<int16_t>(1 + p / 50), Name("CURVE%05d", p), p, 9); },
        [](int j) { return CorrectionRow(static_cast<int16_t>(1000 + j / 50), Name("NewCurve%05d", j), j, 9); });
    return s;
}

std::string MakeBenchScriptText(const BenchCase& benchCase) {
    const TestProfile rows = MakeBenchScriptRows(benchCase);
    std::string text = "[Tessera PPR Version],3.0\n[QUILLON_START]\n";
    ForEachTable(rows, [&](Table table, const auto& tableRows) { Block(text, table, tableRows); });
    return text + "[QUILLON_END]\n";
}
