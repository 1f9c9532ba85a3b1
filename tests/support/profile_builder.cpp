#include "support/profile_builder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/text.h"
#include "profile/header_codec.h"

namespace {

template <typename Row>
void AppendRows(std::vector<uint8_t>& image, const std::vector<Row>& rows) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(rows.data());
    image.insert(image.end(), bytes, bytes + rows.size() * sizeof(Row));
}

template <typename Row>
Row* BlockOf(const std::vector<Row>& rows) {
    return rows.empty() ? nullptr : const_cast<Row*>(rows.data());
}

}  // namespace

ProfileHeader TestProfile::Header() const {
    ProfileHeader h = header;
    h.colorTypeCount = static_cast<int8_t>(colorTypes.size());
    h.resolutionCount = static_cast<int8_t>(resolutions.size());
    h.inkCount = static_cast<int16_t>(inks.size());
    h.mediaCount = static_cast<int16_t>(media.size());
    h.bitsPerPixelCount = static_cast<int16_t>(bitsPerPixels.size());
    h.correctionCount = static_cast<int16_t>(corrections.size());
    h.colorTypes = BlockOf(colorTypes);
    h.resolutions = BlockOf(resolutions);
    h.inks = BlockOf(inks);
    h.media = BlockOf(media);
    h.bitsPerPixels = BlockOf(bitsPerPixels);
    h.corrections = BlockOf(corrections);
    return h;
}

std::vector<uint8_t> TestProfile::FileImage() const {
    const ProfileHeader h = Header();
    uint8_t head[kProfileHeaderSize];
    EncodeProfileHeader(h, head);
    std::vector<uint8_t> image;
    image.reserve(static_cast<std::size_t>(ProfileFileSize(h)));
    image.insert(image.end(), head, head + kProfileHeaderSize);
    ForEachTable(*this, [&](Table, const auto& rows) { AppendRows(image, rows); });
    return image;
}

void SetDeviceName(ProfileHeader& header, std::string_view cp932) {
    const std::size_t length = std::min(cp932.size(), sizeof header.deviceName - 1);
    std::memcpy(header.deviceName, cp932.data(), length);
    header.deviceName[length] = '\0';
}

void SetText(char16_t (&field)[kTextUnits], std::u16string_view text) { CopyText(field, kTextUnits, text); }

ColorTypeEntry MakeColorType(uint8_t typeCode, uint8_t typeKey, uint32_t param1, uint32_t param2) {
    ColorTypeEntry row{};
    row.typeCode = typeCode;
    row.typeKey = typeKey;
    row.param1 = param1;
    row.param2 = param2;
    return row;
}

ResolutionEntry MakeResolution(int16_t res1, int16_t res2, int16_t res3, int16_t res4, uint32_t param1,
                               uint32_t param2) {
    return ResolutionEntry{res1, res2, res3, res4, param1, param2};
}

NamedEntry MakeNamed(std::u16string_view name, int32_t id, uint32_t param1, uint32_t param2) {
    NamedEntry row{};
    SetText(row.name, name);
    row.id = id;
    row.param1 = param1;
    row.param2 = param2;
    return row;
}

BitsPerPixelEntry MakeBitsPerPixel(uint8_t bppKey, uint32_t param1, uint32_t param2) {
    BitsPerPixelEntry row{};
    row.bppKey = bppKey;
    row.param1 = param1;
    row.param2 = param2;
    return row;
}

CorrectionEntry MakeCorrection(int16_t key1, int16_t key2, std::u16string_view name1, std::u16string_view name2,
                               uint8_t level1, uint8_t level2, std::u16string_view fileBase, std::u16string_view text8,
                               std::u16string_view text9, float scalar, uint32_t param1, uint32_t param2) {
    CorrectionEntry row{};
    row.key1 = key1;
    row.key2 = key2;
    SetText(row.name1, name1);
    SetText(row.name2, name2);
    row.level1 = level1;
    row.level2 = level2;
    SetText(row.icmFile, std::u16string(fileBase) + u".icm");
    SetText(row.calFile, std::u16string(fileBase) + u".CAL");
    SetText(row.bccFile, std::u16string(fileBase) + u".BCC");
    SetText(row.text8, text8);
    SetText(row.text9, text9);
    row.scalar = scalar;
    for (int i = 0; i < 10; ++i) row.series[i] = scalar + static_cast<float>(i + 1);
    row.param1 = param1;
    row.param2 = param2;
    return row;
}
