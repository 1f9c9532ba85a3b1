// Builds printer profiles for tests: rows made field by field, a header that
// points at them, and the exact .ppr file image (the 332-byte header through
// EncodeProfileHeader, then the six tables row for row).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "profile/records.h"
#include "profile/tables.h"
#include "support/file_contents.h"

// A profile held in vectors. `header` carries everything but the counts and
// the table pointers (opaque bytes, deviceName, nextInkId, nextMediaId,
// fillers), which Header() and FileImage() take from the vectors.
struct TestProfile {
    ProfileHeader header{};
    std::vector<ColorTypeEntry> colorTypes;
    std::vector<ResolutionEntry> resolutions;
    std::vector<NamedEntry> inks;
    std::vector<NamedEntry> media;
    std::vector<BitsPerPixelEntry> bitsPerPixels;
    std::vector<CorrectionEntry> corrections;

    // Returns `header` with the vectors' counts (in the header's widths) and
    // pointers into the vectors (null for an empty table), valid while the
    // vectors stay unchanged.
    ProfileHeader Header() const;

    // Returns the bytes of the profile's .ppr file.
    std::vector<uint8_t> FileImage() const;
};

// Calls visit(table, rows) for each of the six tables, in file order.
template <class Visit>
void ForEachTable(const TestProfile& p, Visit visit) {
    visit(Table::ColorType, p.colorTypes);
    visit(Table::Resolution, p.resolutions);
    visit(Table::Ink, p.inks);
    visit(Table::Media, p.media);
    visit(Table::BitsPerPixel, p.bitsPerPixels);
    visit(Table::Correction, p.corrections);
}

// Sets the header's device name to CP932 bytes (cut to fit, NUL-terminated).
void SetDeviceName(ProfileHeader& header, std::string_view cp932);

// Copies text into a 260-unit field, cut to fit, NUL-terminated.
void SetText(char16_t (&field)[kTextUnits], std::u16string_view text);

ColorTypeEntry MakeColorType(uint8_t typeCode, uint8_t typeKey, uint32_t param1, uint32_t param2);
ResolutionEntry MakeResolution(int16_t res1, int16_t res2, int16_t res3, int16_t res4, uint32_t param1,
                               uint32_t param2);
NamedEntry MakeNamed(std::u16string_view name, int32_t id, uint32_t param1, uint32_t param2);
BitsPerPixelEntry MakeBitsPerPixel(uint8_t bppKey, uint32_t param1, uint32_t param2);

// Makes a correction row as a script row would fill it: `fileBase` gives
// icmFile, calFile and bccFile with ".icm", ".CAL" and ".BCC"; the series is
// scalar + 1, scalar + 2, ... so that every value differs.
CorrectionEntry MakeCorrection(int16_t key1, int16_t key2, std::u16string_view name1, std::u16string_view name2,
                               uint8_t level1, uint8_t level2, std::u16string_view fileBase, std::u16string_view text8,
                               std::u16string_view text9, float scalar, uint32_t param1, uint32_t param2);
