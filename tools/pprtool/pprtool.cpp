// pprtool dump FILE.ppr: prints a profile's header and every row of its six
// tables, one row a line, fields by name, text as UTF-8.
//
// Exit status: 0 dumped; 1 wrong usage; 2 the file cannot be read, or its
// size does not match its counts (the device-manager library's own check);
// 3 the dump could not be written.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/tables.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitBadFile = 2;
constexpr int kExitOutput = 3;

// A text field as UTF-8, in quotes; a field without a terminator ends with the field.
std::string Text(const char16_t (&field)[kTextUnits]) {
    std::size_t length = 0;
    while (length < kTextUnits && field[length]) ++length;
    return "\"" + Utf16ToUtf8(std::u16string_view(field, length)) + "\"";
}

std::string Hex(const uint8_t* bytes, std::size_t count, const char* separator) {
    std::string out;
    char byte[3];
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += separator;
        std::snprintf(byte, sizeof byte, "%02X", bytes[i]);
        out += byte;
    }
    return out;
}

void PrintHeader(const ProfileHeader& h) {
    const char* end = static_cast<const char*>(std::memchr(h.deviceName, 0, sizeof h.deviceName));
    const std::size_t length = end ? static_cast<std::size_t>(end - h.deviceName) : sizeof h.deviceName;
    std::printf("deviceName: \"%s\"\n", Utf16ToUtf8(Cp932ToUtf16(std::string_view(h.deviceName, length))).c_str());
    std::printf("opaque: %s\n", Hex(h.opaque, sizeof h.opaque, " ").c_str());
    std::printf("colorTypeCount: %d\n", h.colorTypeCount);
    std::printf("resolutionCount: %d\n", h.resolutionCount);
    std::printf("nextInkId: %d\n", h.nextInkId);
    std::printf("inkCount: %d\n", h.inkCount);
    std::printf("nextMediaId: %d\n", h.nextMediaId);
    std::printf("mediaCount: %d\n", h.mediaCount);
    std::printf("bitsPerPixelCount: %d\n", h.bitsPerPixelCount);
    std::printf("correctionCount: %d\n", h.correctionCount);
}

void PrintRow(const ColorTypeEntry& r) {
    std::printf("typeCode=%u typeKey=%u filler=%s param1=0x%08X param2=0x%08X\n", r.typeCode, r.typeKey,
                Hex(r.filler, sizeof r.filler, "").c_str(), r.param1, r.param2);
}

void PrintRow(const ResolutionEntry& r) {
    std::printf("res1=%d res2=%d res3=%d res4=%d param1=0x%08X param2=0x%08X\n", r.res1, r.res2, r.res3, r.res4,
                r.param1, r.param2);
}

void PrintRow(const NamedEntry& r) {
    std::printf("name=%s id=%d param1=0x%08X param2=0x%08X\n", Text(r.name).c_str(), r.id, r.param1, r.param2);
}

void PrintRow(const BitsPerPixelEntry& r) {
    std::printf("bppKey=%u filler=%s param1=0x%08X param2=0x%08X\n", r.bppKey,
                Hex(r.filler, sizeof r.filler, "").c_str(), r.param1, r.param2);
}

void PrintRow(const CorrectionEntry& r) {
    std::string series;
    char number[32];
    for (float value : r.series) {
        std::snprintf(number, sizeof number, "%s%.9g", series.empty() ? "" : ",", value);
        series += number;
    }
    std::printf(
        "key1=%d key2=%d name1=%s name2=%s level1=%u level2=%u icmFile=%s calFile=%s bccFile=%s "
        "text8=%s text9=%s filler=%s scalar=%.9g series=%s param1=0x%08X param2=0x%08X\n",
        r.key1, r.key2, Text(r.name1).c_str(), Text(r.name2).c_str(), r.level1, r.level2, Text(r.icmFile).c_str(),
        Text(r.calFile).c_str(), Text(r.bccFile).c_str(), Text(r.text8).c_str(), Text(r.text9).c_str(),
        Hex(r.filler, sizeof r.filler, "").c_str(), r.scalar, series.c_str(), r.param1, r.param2);
}

template <typename Row>
void PrintRows(const void* block, int count) {
    const Row* rows = static_cast<const Row*>(block);
    for (int i = 0; i < count; ++i) {
        std::printf("  [%d] ", i);
        PrintRow(rows[i]);
    }
}

void PrintTable(const ProfileHeader& h, Table table) {
    const int count = HeaderCount(h, table);
    const void* block = HeaderBlock(h, table);
    std::printf("%s %d\n", Utf16ToUtf8(TableName(table)).c_str(), count);
    switch (table) {
        case Table::ColorType: PrintRows<ColorTypeEntry>(block, count); break;
        case Table::Resolution: PrintRows<ResolutionEntry>(block, count); break;
        case Table::Ink:
        case Table::Media: PrintRows<NamedEntry>(block, count); break;
        case Table::BitsPerPixel: PrintRows<BitsPerPixelEntry>(block, count); break;
        case Table::Correction: PrintRows<CorrectionEntry>(block, count); break;
    }
}

int Dump(const char* fileName) {
    const std::u16string path = Utf8ToUtf16(fileName);
    std::FILE* probe = OpenFile(path.c_str(), "rb");
    if (!probe) {
        std::fprintf(stderr, "pprtool: cannot open %s\n", fileName);
        return kExitBadFile;
    }
    std::fclose(probe);
    ProfileHeader header{};
    if (!GetPrinterProfileFromPath(path.c_str(), &header)) {
        std::fprintf(stderr,
                     "pprtool: %s is not a profile: shorter than its header, a negative count, "
                     "or a size that does not match its table counts\n",
                     fileName);
        return kExitBadFile;
    }
    PrintHeader(header);
    for (Table table : kTablesInFileOrder) PrintTable(header, table);
    ClearPrinterProfileWorkArea(&header);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "pprtool: cannot write the dump\n");
        return kExitOutput;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "dump") != 0) {
        std::fprintf(stderr, "usage: pprtool dump FILE.ppr\n");
        return kExitUsage;
    }
    return Dump(argv[2]);
}
