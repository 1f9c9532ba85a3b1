// The records that every stage of an update hands on: the six table rows and
// the profile header (fixed little-endian layouts shared by memory and the
// .ppr file), the parsed script and the loaded profile slot (memory only).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

static_assert(std::endian::native == std::endian::little, "rows are copied to and from files as bytes");

// Every text field: 260 UTF-16 units, NUL-terminated, so at most 259 characters.
constexpr int kTextUnits = 260;

// Returns the text of a field up to its terminator, or all 260 units when a
// loaded row has none.
inline std::u16string_view FieldText(const char16_t (&field)[kTextUnits]) {
    std::size_t n = 0;
    while (n < kTextUnits && field[n] != 0) ++n;
    return {field, n};
}

// A COLORTYPE row.
struct ColorTypeEntry {
    uint8_t typeCode;  // consumed mark 123 in a script row
    uint8_t typeKey;   // match key
    uint8_t filler[2];
    uint32_t param1;
    uint32_t param2;
};

// A RESOLTAB row; res1..res4 together are the match key.
struct ResolutionEntry {
    int16_t res1;  // consumed mark 0 in a script row
    int16_t res2;
    int16_t res3;
    int16_t res4;
    uint32_t param1;
    uint32_t param2;
};

// An INKTAB or MEDIATAB row; the name is the match key, case ignored.
struct NamedEntry {
    char16_t name[kTextUnits];
    int32_t id;  // the row's identifier; in a script row 0, the mark 123 or the id it was appended with
    uint32_t param1;
    uint32_t param2;
};

// A BITSPPTAB row.
struct BitsPerPixelEntry {
    uint8_t bppKey;  // match key; consumed mark 123 in a script row
    uint8_t filler[3];
    uint32_t param1;
    uint32_t param2;
};

// A CORRECTTAB row; key1, key2, level2, name1 and name2 (case ignored) are the
// match key, level1 is not.
struct CorrectionEntry {
    int16_t key1;  // consumed mark 0 in a script row
    int16_t key2;
    char16_t name1[kTextUnits];
    char16_t name2[kTextUnits];
    uint8_t level1;
    uint8_t level2;
    char16_t icmFile[kTextUnits];  // script field 7 + ".icm"
    char16_t calFile[kTextUnits];  // script field 7 + ".CAL"
    char16_t bccFile[kTextUnits];  // script field 7 + ".BCC"
    char16_t text8[kTextUnits];
    char16_t text9[kTextUnits];
    uint8_t filler[2];
    float scalar;
    float series[10];
    uint32_t param1;
    uint32_t param2;
};

static_assert(sizeof(float) == 4);

static_assert(sizeof(ColorTypeEntry) == 12);
static_assert(offsetof(ColorTypeEntry, typeCode) == 0);
static_assert(offsetof(ColorTypeEntry, typeKey) == 1);
static_assert(offsetof(ColorTypeEntry, param1) == 4);
static_assert(offsetof(ColorTypeEntry, param2) == 8);

static_assert(sizeof(ResolutionEntry) == 16);
static_assert(offsetof(ResolutionEntry, res1) == 0);
static_assert(offsetof(ResolutionEntry, res2) == 2);
static_assert(offsetof(ResolutionEntry, res3) == 4);
static_assert(offsetof(ResolutionEntry, res4) == 6);
static_assert(offsetof(ResolutionEntry, param1) == 8);
static_assert(offsetof(ResolutionEntry, param2) == 12);

static_assert(sizeof(NamedEntry) == 532);
static_assert(offsetof(NamedEntry, name) == 0);
static_assert(offsetof(NamedEntry, id) == 520);
static_assert(offsetof(NamedEntry, param1) == 524);
static_assert(offsetof(NamedEntry, param2) == 528);

static_assert(sizeof(BitsPerPixelEntry) == 12);
static_assert(offsetof(BitsPerPixelEntry, bppKey) == 0);
static_assert(offsetof(BitsPerPixelEntry, param1) == 4);
static_assert(offsetof(BitsPerPixelEntry, param2) == 8);

static_assert(sizeof(CorrectionEntry) == 3700);
static_assert(offsetof(CorrectionEntry, key1) == 0);
static_assert(offsetof(CorrectionEntry, key2) == 2);
static_assert(offsetof(CorrectionEntry, name1) == 4);
static_assert(offsetof(CorrectionEntry, name2) == 524);
static_assert(offsetof(CorrectionEntry, level1) == 1044);
static_assert(offsetof(CorrectionEntry, level2) == 1045);
static_assert(offsetof(CorrectionEntry, icmFile) == 1046);
static_assert(offsetof(CorrectionEntry, calFile) == 1566);
static_assert(offsetof(CorrectionEntry, bccFile) == 2086);
static_assert(offsetof(CorrectionEntry, text8) == 2606);
static_assert(offsetof(CorrectionEntry, text9) == 3126);
static_assert(offsetof(CorrectionEntry, scalar) == 3648);
static_assert(offsetof(CorrectionEntry, series) == 3652);
static_assert(offsetof(CorrectionEntry, param1) == 3692);
static_assert(offsetof(CorrectionEntry, param2) == 3696);

// The fixed head of a printer profile. In memory its six references are native
// pointers to the table blocks; the file image (kProfileHeaderSize bytes, see
// profile/header_codec.h) keeps 4-byte zeros in their place. On a 32-bit target
// the struct is byte for byte that image.
struct ProfileHeader {
    uint8_t opaque[6];     // left exactly as loaded
    char deviceName[270];  // CP932 text; bytes behind its terminator are kept as loaded
    int8_t colorTypeCount;
    uint8_t filler277[3];
    ColorTypeEntry* colorTypes;
    int8_t resolutionCount;
    uint8_t filler285[3];
    ResolutionEntry* resolutions;
    int32_t nextInkId;
    int16_t inkCount;
    uint8_t filler298[2];
    NamedEntry* inks;
    int32_t nextMediaId;
    int16_t mediaCount;
    uint8_t filler310[2];
    NamedEntry* media;
    int16_t bitsPerPixelCount;
    uint8_t filler318[2];
    BitsPerPixelEntry* bitsPerPixels;
    int16_t correctionCount;
    uint8_t filler326[2];
    CorrectionEntry* corrections;
};

constexpr std::size_t kProfileHeaderSize = 332;

static_assert(offsetof(ProfileHeader, deviceName) == 6);
static_assert(offsetof(ProfileHeader, colorTypeCount) == 276);
static_assert(offsetof(ProfileHeader, filler277) == 277);
static_assert(offsetof(ProfileHeader, colorTypes) == 280);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, resolutionCount) == 284);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, resolutions) == 288);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, nextInkId) == 292);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, inkCount) == 296);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, inks) == 300);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, nextMediaId) == 304);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, mediaCount) == 308);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, media) == 312);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, bitsPerPixelCount) == 316);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, bitsPerPixels) == 320);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, correctionCount) == 324);
static_assert(sizeof(void*) != 4 || offsetof(ProfileHeader, corrections) == 328);
static_assert(sizeof(void*) != 4 || sizeof(ProfileHeader) == kProfileHeaderSize);

// One parsed update script (memory only). Each count is the row count the
// script declared (0 without a block); its array holds exactly that many rows.
struct ScriptRecord {
    char16_t printerName[kTextUnits];
    int32_t colorTypeCount;
    ColorTypeEntry* colorTypes;
    int32_t resolutionCount;
    ResolutionEntry* resolutions;
    int32_t inkCount;
    NamedEntry* inks;
    int32_t mediaCount;
    NamedEntry* media;
    int32_t bitsPerPixelCount;
    BitsPerPixelEntry* bitsPerPixels;
    int32_t correctionCount;
    CorrectionEntry* corrections;
};

// One loaded profile (memory only): the script's printerName and a private
// copy of the header whose six blocks the slot owns.
struct ProfileSlot {
    char16_t name[kTextUnits];
    ProfileHeader header;
};

// Consumed marks: the merge writes them into a script row that matched a
// profile row, and the append pass skips every row that holds its mark.
constexpr int32_t kNamedConsumedMark = 123;         // NamedEntry::id
constexpr uint8_t kColorTypeConsumedMark = 123;     // ColorTypeEntry::typeCode
constexpr uint8_t kBitsPerPixelConsumedMark = 123;  // BitsPerPixelEntry::bppKey
constexpr int16_t kResolutionConsumedMark = 0;      // ResolutionEntry::res1
constexpr int16_t kCorrectionConsumedMark = 0;      // CorrectionEntry::key1

// Largest row counts the header's signed count fields hold.
constexpr int kMaxCount8 = 127;     // COLORTYPE, RESOLTAB
constexpr int kMaxCount16 = 32767;  // the other four tables
