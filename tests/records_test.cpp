// The profile header codec and the file size that follows from a header.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/text.h"
#include "profile/header_codec.h"
#include "profile/records.h"
#include "profile/tables.h"

namespace {

// File offsets of the six references, which a file holds as zeros.
constexpr std::size_t kReferenceOffsets[] = {280, 288, 300, 312, 320, 328};

void FillPattern(uint8_t (&image)[kProfileHeaderSize]) {
    for (std::size_t i = 0; i < kProfileHeaderSize; ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
}

}  // namespace

TEST(ProfileHeaderCodec, RoundTripKeepsEveryByteButTheReferences) {
    uint8_t image[kProfileHeaderSize];
    FillPattern(image);
    ProfileHeader header;
    DecodeProfileHeader(image, header);
    uint8_t again[kProfileHeaderSize];
    EncodeProfileHeader(header, again);

    uint8_t expected[kProfileHeaderSize];
    FillPattern(expected);
    for (std::size_t offset : kReferenceOffsets) std::memset(expected + offset, 0, 4);
    for (std::size_t i = 0; i < kProfileHeaderSize; ++i) {
        EXPECT_EQ(expected[i], again[i]) << "byte " << i;
    }
}

TEST(ProfileHeaderCodec, DecodeReadsFieldsLittleEndianAndClearsTheBlocks) {
    uint8_t image[kProfileHeaderSize];
    FillPattern(image);
    const uint8_t name[] =
        "\x95\x5C"
        "A";  // 表A in CP932
    std::memcpy(image + 6, name, sizeof name);
    image[276] = 0x80;                                                           // colorTypeCount
    image[284] = 0x7F;                                                           // resolutionCount
    image[292] = 0x01, image[293] = 0x02, image[294] = 0x03, image[295] = 0x84;  // nextInkId
    image[296] = 0xFF, image[297] = 0x7F;                                        // inkCount
    image[308] = 0x00, image[309] = 0x80;                                        // mediaCount
    ProfileHeader header;
    DecodeProfileHeader(image, header);

    EXPECT_EQ(0, std::memcmp(header.opaque, image, 6));
    EXPECT_STREQ(
        "\x95\x5C"
        "A",
        header.deviceName);
    EXPECT_EQ(image[6 + sizeof name], static_cast<uint8_t>(header.deviceName[sizeof name]));  // behind the terminator
    EXPECT_EQ(-128, HeaderCount(header, Table::ColorType));
    EXPECT_EQ(127, HeaderCount(header, Table::Resolution));
    EXPECT_EQ(static_cast<int32_t>(0x84030201u), header.nextInkId);
    EXPECT_EQ(32767, HeaderCount(header, Table::Ink));
    EXPECT_EQ(-32768, HeaderCount(header, Table::Media));
    for (Table table : kTablesInFileOrder)
        EXPECT_EQ(nullptr, HeaderBlock(header, table)) << Utf16ToUtf8(TableName(table));
}

TEST(ProfileHeaderCodec, EncodeWritesZeroForReferencesThatAreSet) {
    uint8_t image[kProfileHeaderSize];
    FillPattern(image);
    ProfileHeader header;
    DecodeProfileHeader(image, header);
    ColorTypeEntry colorTypes[1] = {};
    CorrectionEntry* corrections = new CorrectionEntry[1]();
    SetHeaderBlock(header, Table::ColorType, colorTypes);
    SetHeaderBlock(header, Table::Correction, corrections);
    uint8_t encoded[kProfileHeaderSize];
    EncodeProfileHeader(header, encoded);
    delete[] corrections;
    for (std::size_t offset : kReferenceOffsets) {
        for (std::size_t i = offset; i < offset + 4; ++i) EXPECT_EQ(0, encoded[i]) << "byte " << i;
    }
    EXPECT_EQ(image[279], encoded[279]);  // the filler before the first reference
    EXPECT_EQ(image[284], encoded[284]);  // the count after it
}

TEST(ProfileFileSize, AddsTheRowsOfEveryTableToTheHeader) {
    ProfileHeader header{};
    EXPECT_EQ(332, ProfileFileSize(header));
    for (Table table : kTablesInFileOrder) SetHeaderCount(header, table, 1);
    EXPECT_EQ(332 + 12 + 16 + 532 + 532 + 12 + 3700, ProfileFileSize(header));
    for (Table table : kTablesInFileOrder) SetHeaderCount(header, table, MaxHeaderCount(table));
    EXPECT_EQ(332 + 127 * (12 + 16) + 32767 * (532 + 532 + 12 + 3700), ProfileFileSize(header));
}

TEST(ProfileFileSize, NegativeCountGivesMinusOne) {
    for (Table table : kTablesInFileOrder) {
        ProfileHeader header{};
        SetHeaderCount(header, table, -1);
        EXPECT_EQ(-1, ProfileFileSize(header)) << Utf16ToUtf8(TableName(table));
    }
}

TEST(Records, RowsHaveTheirFileSizes) {
    EXPECT_EQ(12u, RowSize(Table::ColorType));
    EXPECT_EQ(16u, RowSize(Table::Resolution));
    EXPECT_EQ(532u, RowSize(Table::Ink));
    EXPECT_EQ(532u, RowSize(Table::Media));
    EXPECT_EQ(12u, RowSize(Table::BitsPerPixel));
    EXPECT_EQ(3700u, RowSize(Table::Correction));
}
