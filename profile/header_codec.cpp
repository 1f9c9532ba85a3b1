#include "profile/header_codec.h"

#include <cstring>

#include "platform/text.h"

namespace {

// One scalar field: its offset in the file image and in the struct.
struct Field {
    std::size_t fileOffset;
    std::size_t memberOffset;
    std::size_t size;
};

// Everything but the six references, which the file holds as zeros. The
// fillers travel with their counts so that no byte is lost.
constexpr Field kFields[] = {
    {0, offsetof(ProfileHeader, opaque), 6},
    {6, offsetof(ProfileHeader, deviceName), 270},
    {276, offsetof(ProfileHeader, colorTypeCount), 1},
    {277, offsetof(ProfileHeader, filler277), 3},
    {284, offsetof(ProfileHeader, resolutionCount), 1},
    {285, offsetof(ProfileHeader, filler285), 3},
    {292, offsetof(ProfileHeader, nextInkId), 4},
    {296, offsetof(ProfileHeader, inkCount), 2},
    {298, offsetof(ProfileHeader, filler298), 2},
    {304, offsetof(ProfileHeader, nextMediaId), 4},
    {308, offsetof(ProfileHeader, mediaCount), 2},
    {310, offsetof(ProfileHeader, filler310), 2},
    {316, offsetof(ProfileHeader, bitsPerPixelCount), 2},
    {318, offsetof(ProfileHeader, filler318), 2},
    {324, offsetof(ProfileHeader, correctionCount), 2},
    {326, offsetof(ProfileHeader, filler326), 2},
};

}  // namespace

void EncodeProfileHeader(const ProfileHeader& header, uint8_t (&image)[kProfileHeaderSize]) {
    std::memset(image, 0, sizeof image);
    const auto* raw = reinterpret_cast<const uint8_t*>(&header);
    for (const Field& f : kFields) std::memcpy(image + f.fileOffset, raw + f.memberOffset, f.size);
}

void DecodeProfileHeader(const uint8_t (&image)[kProfileHeaderSize], ProfileHeader& header) {
    std::memset(&header, 0, sizeof header);
    auto* raw = reinterpret_cast<uint8_t*>(&header);
    for (const Field& f : kFields) std::memcpy(raw + f.memberOffset, image + f.fileOffset, f.size);
}

int64_t ProfileFileSize(const ProfileHeader& h) {
    const int64_t counts[] = {h.colorTypeCount, h.resolutionCount,   h.inkCount,
                              h.mediaCount,     h.bitsPerPixelCount, h.correctionCount};
    const int64_t sizes[] = {sizeof(ColorTypeEntry), sizeof(ResolutionEntry),   sizeof(NamedEntry),
                             sizeof(NamedEntry),     sizeof(BitsPerPixelEntry), sizeof(CorrectionEntry)};
    int64_t total = kProfileHeaderSize;
    for (int i = 0; i < 6; ++i) {
        if (counts[i] < 0) return -1;
        total += counts[i] * sizes[i];
    }
    return total;
}

std::u16string DeviceNameText(const ProfileHeader& header) {
    char name[sizeof header.deviceName + 1];
    std::memcpy(name, header.deviceName, sizeof header.deviceName);
    name[sizeof header.deviceName] = 0;
    char16_t wide[kTextUnits];
    MbsToWcs(wide, kTextUnits, name);
    return wide;
}
