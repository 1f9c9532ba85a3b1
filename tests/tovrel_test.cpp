#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "devlib/tovrel.h"
#include "profile/header_codec.h"
#include "profile/tables.h"
#include "support/profile_builder.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Bytes the C runtime's heap has handed out and not taken back; 0 where the
// runtime cannot tell, which leaves the leak checks to the sanitizers.
std::size_t HeapInUse() {
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

// "デバイス１" and "プリンタA" in CP932.
const char kJapaneseDeviceCp932[] = "\x83\x66\x83\x6F\x83\x43\x83\x58\x82\x50";
const char kJapanesePrinterCp932[] = "\x83\x76\x83\x8A\x83\x93\x83\x5E\x41";

class TovrelStore : public ::testing::Test {
protected:
    TempFolder m_root;
    ScopedEnvironment m_env{"TOVREL_ROOT", m_root.Path().string().c_str()};

    void SetUp() override { fs::create_directories(m_root.Path() / "copypool" / "colprof"); }

    void WriteText(const std::string& name, const std::string& text) { WriteFileText(m_root / name, text); }

    std::u16string PathOf(const std::string& name) { return (m_root.Path() / name).u16string(); }
};

// A profile with rows in every table and non-zero bytes wherever the system
// keeps bytes it does not interpret.
TestProfile FullProfile() {
    TestProfile p;
    const uint8_t opaque[6] = {0x03, 0x00, 0x01, 0xFE, 0x7F, 0x80};
    std::memcpy(p.header.opaque, opaque, sizeof opaque);
    SetDeviceName(p.header, kJapanesePrinterCp932);
    p.header.deviceName[200] = 0x5A;  // behind the terminator
    p.header.filler277[1] = 0x11;
    p.header.filler326[0] = 0x22;
    p.header.nextInkId = 3;
    p.header.nextMediaId = -7;
    p.colorTypes = {MakeColorType(1, 1, 0x101, 0), MakeColorType(1, 2, 0x102, 0xFFFFFFFF)};
    p.colorTypes[1].filler[0] = 0xAB;
    p.resolutions = {MakeResolution(720, 720, 1, 1, 2, 0), MakeResolution(-1, 1440, 2, 1, 4, 1)};
    p.inks = {MakeNamed(u"シアン", 1, 0xC000, 0), MakeNamed(u"Magenta", 2, 0xC001, 0)};
    p.media = {MakeNamed(u"普通紙", 1, 0x100, 0)};
    p.bitsPerPixels = {MakeBitsPerPixel(2, 2, 0)};
    p.bitsPerPixels[0].filler[2] = 0xCD;
    p.corrections = {MakeCorrection(1, 2, u"Glossy", u"Fine", 1, 2, u"PrinterA_GL", u"光沢紙用", u"", 1.25f, 0x10, 0)};
    return p;
}

template <typename Row>
void ExpectRows(const Row* block, const std::vector<Row>& rows) {
    if (rows.empty()) {
        EXPECT_EQ(block, nullptr);
        return;
    }
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, rows.data(), rows.size() * sizeof(Row)), 0);
}

void ExpectLoaded(const ProfileHeader& loaded, const TestProfile& p) {
    uint8_t expectedImage[kProfileHeaderSize];
    uint8_t loadedImage[kProfileHeaderSize];
    EncodeProfileHeader(p.Header(), expectedImage);
    EncodeProfileHeader(loaded, loadedImage);
    EXPECT_EQ(std::memcmp(expectedImage, loadedImage, kProfileHeaderSize), 0);
    ExpectRows(loaded.colorTypes, p.colorTypes);
    ExpectRows(loaded.resolutions, p.resolutions);
    ExpectRows(loaded.inks, p.inks);
    ExpectRows(loaded.media, p.media);
    ExpectRows(loaded.bitsPerPixels, p.bitsPerPixels);
    ExpectRows(loaded.corrections, p.corrections);
}

}  // namespace

// --- devices -----------------------------------------------------------------

TEST_F(TovrelStore, EnumOutputDeviceGivesSizeThenEntriesOfEveryUsableLine) {
    WriteText("devices.txt",
              "\xEF\xBB\xBF# comment\n"
              "Device 1\tPrinterA\r\n"
              "\n"
              "   \n"
              "no tab here\n"
              "\xE3\x83\x87\xE3\x83\x90\xE3\x82\xA4\xE3\x82\xB9\xEF\xBC\x91\tPrinterB\n"
              "Device 3\tPrinterC");
    uint32_t needed = 0;
    int32_t count = 0;
    ASSERT_EQ(EnumOutputDevice(nullptr, 0, &needed, &count), 1);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(needed, 3 * kDeviceEntrySize);

    std::vector<uint8_t> buffer(needed, 0xFF);
    count = 0;
    ASSERT_EQ(EnumOutputDevice(buffer.data(), needed, &needed, &count), 1);
    ASSERT_EQ(count, 3);
    const std::u16string names[] = {u"Device 1", u"デバイス１", u"Device 3"};
    for (int i = 0; i < 3; ++i) {
        const auto* entry = reinterpret_cast<const char16_t*>(buffer.data() + i * kDeviceEntrySize);
        EXPECT_EQ(std::u16string(entry), names[i]) << "entry " << i;
        // The rest of the entry is zero, terminator included.
        for (std::size_t unit = names[i].size(); unit < kDeviceEntrySize / 2; ++unit)
            ASSERT_EQ(entry[unit], 0) << "entry " << i << " unit " << unit;
    }
}

TEST_F(TovrelStore, EnumOutputDeviceRefusesABufferTooSmall) {
    WriteText("devices.txt", "Device 1\tPrinterA\nDevice 2\tPrinterB\n");
    std::vector<uint8_t> buffer(2 * kDeviceEntrySize);
    uint32_t needed = 0;
    int32_t count = 0;
    EXPECT_EQ(EnumOutputDevice(buffer.data(), 2 * kDeviceEntrySize - 1, &needed, &count), 0);
    EXPECT_EQ(needed, 2 * kDeviceEntrySize);
    EXPECT_EQ(count, 0);
}

TEST_F(TovrelStore, MissingDevicesFileMeansNoDevices) {
    uint32_t needed = 99;
    int32_t count = 99;
    EXPECT_EQ(EnumOutputDevice(nullptr, 0, &needed, &count), 1);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(GetRIPDevInfo("Device 1", std::vector<uint8_t>(kDevInfoSize).data()), 0);
}

TEST_F(TovrelStore, DeviceNamesBeyond255UnitsOrWithoutCp932FormAreNotListed) {
    const std::string longest(255, 'd');
    WriteText("devices.txt", std::string(256, 'x') + "\tPrinterA\n" + longest +
                                 "\tPrinterB\n"
                                 "Smile \xF0\x9F\x98\x80\tPrinterC\n"
                                 "Device 4\t\xE2\x82\xAC uro\n");
    uint32_t needed = 0;
    int32_t count = 0;
    ASSERT_EQ(EnumOutputDevice(nullptr, 0, &needed, &count), 1);
    ASSERT_EQ(count, 1);
    std::vector<uint8_t> buffer(needed);
    ASSERT_EQ(EnumOutputDevice(buffer.data(), needed, &needed, &count), 1);
    const auto* entry = reinterpret_cast<const char16_t*>(buffer.data());
    EXPECT_EQ(std::u16string(entry), std::u16string(255, u'd'));
    EXPECT_EQ(entry[255], 0);
}

TEST_F(TovrelStore, GetRIPDevInfoPutsThePrinterNameInCp932AtByte512) {
    WriteText("devices.txt",
              "Device 1\tPrinterA\n"
              "\xE3\x83\x87\xE3\x83\x90\xE3\x82\xA4\xE3\x82\xB9\xEF\xBC\x91\t"
              "\xE3\x83\x97\xE3\x83\xAA\xE3\x83\xB3\xE3\x82\xBF\x41\n");
    std::vector<uint8_t> info(kDevInfoSize, 0xEE);
    ASSERT_EQ(GetRIPDevInfo(kJapaneseDeviceCp932, info.data()), 1);
    const std::size_t length = std::strlen(kJapanesePrinterCp932);
    EXPECT_EQ(std::memcmp(info.data() + kDevInfoPrinterNameOffset, kJapanesePrinterCp932, length), 0);
    for (std::size_t i = 0; i < kDevInfoSize; ++i) {
        if (i >= kDevInfoPrinterNameOffset && i < kDevInfoPrinterNameOffset + length) continue;
        ASSERT_EQ(info[i], 0) << "byte " << i;
    }

    ASSERT_EQ(GetRIPDevInfo("Device 1", info.data()), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(info.data() + kDevInfoPrinterNameOffset), "PrinterA");
}

TEST_F(TovrelStore, GetRIPDevInfoAnswersZeroForADeviceNotListedByteForByte) {
    WriteText("devices.txt", "Device 1\tPrinterA\n");
    std::vector<uint8_t> info(kDevInfoSize);
    EXPECT_EQ(GetRIPDevInfo("Device 2", info.data()), 0);
    EXPECT_EQ(GetRIPDevInfo("device 1", info.data()), 0);
    EXPECT_EQ(GetRIPDevInfo("Device 1 ", info.data()), 0);
    EXPECT_EQ(GetRIPDevInfo("", info.data()), 0);
}

// --- copy pool and log ---------------------------------------------------------

TEST_F(TovrelStore, CopyPoolPathIsTheRootsCopypoolWithoutTrailingSeparator) {
    char16_t path[kTextUnits];
    ASSERT_EQ(GetCopyPoolPath(path), 1);
    EXPECT_EQ(std::u16string(path), (m_root.Path() / "copypool").u16string());

    ScopedEnvironment slashed("TOVREL_ROOT", (m_root.Path().string() + "/").c_str());
    ASSERT_EQ(GetCopyPoolPath(path), 1);
    EXPECT_EQ(std::u16string(path), (m_root.Path() / "copypool").u16string());
}

TEST_F(TovrelStore, CopyPoolPathThatDoesNotFit260UnitsIsRefused) {
    ScopedEnvironment deep("TOVREL_ROOT", ("/" + std::string(250, 'r')).c_str());  // 251 + 9 units
    char16_t path[kTextUnits];
    std::fill(std::begin(path), std::end(path), u'x');
    EXPECT_EQ(GetCopyPoolPath(path), 0);
    EXPECT_EQ(path[0], 0);

    ScopedEnvironment fits("TOVREL_ROOT", ("/" + std::string(249, 'r')).c_str());  // 259 units
    ASSERT_EQ(GetCopyPoolPath(path), 1);
    EXPECT_EQ(std::u16string(path).size(), 259u);
}

TEST(TovrelDefaultRoot, IsPrintsysBesideTheLibrary) {
    ScopedEnvironment unset("TOVREL_ROOT", nullptr);
    char16_t path[kTextUnits];
    ASSERT_EQ(GetCopyPoolPath(path), 1);
    const fs::path expected = fs::canonical(QUILLON_BIN_DIR) / "printsys" / "copypool";
    EXPECT_EQ(std::u16string(path), expected.u16string());
}

TEST_F(TovrelStore, WriteRIPLogFileAppendsEachLineAsGiven) {
    WriteText("tovrel.log", "earlier\n");
    ASSERT_EQ(WriteRIPLogFile("SetPrinterProfile:fopen error[/x/\x83\x76.ppr]\n"), 1);
    ASSERT_EQ(WriteRIPLogFile("no line feed"), 1);
    const std::vector<uint8_t> log = ReadFileBytes(m_root / "tovrel.log");
    const std::string expected = "earlier\nSetPrinterProfile:fopen error[/x/\x83\x76.ppr]\nno line feed";
    EXPECT_EQ(std::string(log.begin(), log.end()), expected);
}

TEST_F(TovrelStore, WriteRIPLogFileAnswersZeroWhenTheLogCannotBeOpened) {
    ScopedEnvironment gone("TOVREL_ROOT", (m_root / "no such folder").c_str());
    EXPECT_EQ(WriteRIPLogFile("line\n"), 0);
}

// --- profiles --------------------------------------------------------------------

TEST_F(TovrelStore, ProfileFromPathLoadsHeaderAndEveryRowByteForByte) {
    const TestProfile p = FullProfile();
    ASSERT_TRUE(WriteFileBytes(m_root / "any.ppr", p.FileImage()));
    ProfileHeader loaded{};
    ASSERT_EQ(GetPrinterProfileFromPath(PathOf("any.ppr").c_str(), &loaded), 1);
    ExpectLoaded(loaded, p);
    EXPECT_EQ(std::memcmp(loaded.deviceName, p.header.deviceName, sizeof loaded.deviceName), 0);
    ClearPrinterProfileWorkArea(&loaded);
    for (Table table : kTablesInFileOrder) EXPECT_EQ(HeaderBlock(loaded, table), nullptr);

    // Clearing gives back everything a load took.
    const std::size_t before = HeapInUse();
    const int again = GetPrinterProfileFromPath(PathOf("any.ppr").c_str(), &loaded);
    ClearPrinterProfileWorkArea(&loaded);
    const std::size_t after = HeapInUse();
    EXPECT_EQ(again, 1);
    EXPECT_EQ(after, before);
}

TEST_F(TovrelStore, ProfileWithEmptyTablesHasNullBlocks) {
    TestProfile p = FullProfile();
    p.colorTypes.clear();
    p.media.clear();
    p.corrections.clear();
    ASSERT_TRUE(WriteFileBytes(m_root / "some.ppr", p.FileImage()));
    ProfileHeader loaded{};
    ASSERT_EQ(GetPrinterProfileFromPath(PathOf("some.ppr").c_str(), &loaded), 1);
    ExpectLoaded(loaded, p);
    ClearPrinterProfileWorkArea(&loaded);

    const TestProfile headerOnly;
    ASSERT_EQ(headerOnly.FileImage().size(), kProfileHeaderSize);
    ASSERT_TRUE(WriteFileBytes(m_root / "empty.ppr", headerOnly.FileImage()));
    ASSERT_EQ(GetPrinterProfileFromPath(PathOf("empty.ppr").c_str(), &loaded), 1);
    ExpectLoaded(loaded, headerOnly);
}

TEST_F(TovrelStore, PrinterProfileIsReadFromTheCopyPoolByPrinterName) {
    const TestProfile p = FullProfile();
    ASSERT_TRUE(WriteFileBytes(m_root.Path() / u8"copypool/プリンタA.ppr", p.FileImage()));
    ProfileHeader loaded{};
    ASSERT_EQ(GetPrinterProfile(u"プリンタA", &loaded), 1);
    ExpectLoaded(loaded, p);
    ClearPrinterProfileWorkArea(&loaded);

    EXPECT_EQ(GetPrinterProfile(u"PrinterZ", &loaded), 0);
    EXPECT_EQ(GetPrinterProfile(u"", &loaded), 0);
}

TEST_F(TovrelStore, PrinterNameNeverReachesOutsideTheCopyPool) {
    ASSERT_TRUE(WriteFileBytes(m_root / "outside.ppr", TestProfile().FileImage()));
    ProfileHeader loaded{};
    EXPECT_EQ(GetPrinterProfile(u"../outside", &loaded), 0);
    EXPECT_EQ(GetPrinterProfile(u"..\\outside", &loaded), 0);
}

TEST(TovrelClear, ClearingAnEmptyHeaderOrNullIsHarmless) {
    ProfileHeader header{};
    ClearPrinterProfileWorkArea(&header);
    ClearPrinterProfileWorkArea(nullptr);
    EXPECT_EQ(header.inks, nullptr);
}

// Files the load refuses: it answers 0, leaves the header as it was and
// keeps nothing allocated.
struct RefusedFile {
    const char* what;
    std::vector<uint8_t> bytes;
    bool exists = true;
};

class TovrelRefusedProfile : public TovrelStore, public ::testing::WithParamInterface<int> {};

std::vector<RefusedFile> RefusedFiles() {
    const std::vector<uint8_t> good = FullProfile().FileImage();
    std::vector<RefusedFile> files;
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    files.push_back({"one byte too many", longer});
    files.push_back({"one byte too few", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    std::vector<uint8_t> negativeInks = good;
    negativeInks[296] = 0xFF;
    negativeInks[297] = 0xFF;  // inkCount -1
    files.push_back({"negative 16-bit count", negativeInks});
    std::vector<uint8_t> negativeColorTypes = good;
    negativeColorTypes[276] = 0x80;  // colorTypeCount -128, not 128
    files.push_back({"negative 8-bit count", negativeColorTypes});
    std::vector<uint8_t> bigCount = good;
    bigCount[324] = 0xFF;
    bigCount[325] = 0x7F;  // correctionCount 32767, far beyond the file
    files.push_back({"count beyond the file", bigCount});
    files.push_back({"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + kProfileHeaderSize - 1)});
    files.push_back({"empty file", {}});
    files.push_back({"missing file", {}, false});
    return files;
}

TEST_P(TovrelRefusedProfile, AnswersZeroAndAllocatesNothing) {
    const RefusedFile file = RefusedFiles()[GetParam()];
    SCOPED_TRACE(file.what);
    if (file.exists) {
        ASSERT_TRUE(WriteFileBytes(m_root / "bad.ppr", file.bytes));
    }
    const std::u16string path = PathOf("bad.ppr");

    ProfileHeader header;
    std::memset(&header, 0x5A, sizeof header);
    ProfileHeader untouched;
    std::memcpy(&untouched, &header, sizeof header);

    ASSERT_EQ(GetPrinterProfileFromPath(path.c_str(), &header), 0);  // warms up anything cached
    const std::size_t before = HeapInUse();
    const int result = GetPrinterProfileFromPath(path.c_str(), &header);
    const std::size_t after = HeapInUse();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(std::memcmp(&header, &untouched, sizeof header), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, TovrelRefusedProfile, ::testing::Range(0, static_cast<int>(RefusedFiles().size())));

TEST_F(TovrelStore, ProfileFromAFolderOrNullArgumentsIsRefused) {
    ProfileHeader header{};
    EXPECT_EQ(GetPrinterProfileFromPath(PathOf("copypool").c_str(), &header), 0);
    EXPECT_EQ(GetPrinterProfileFromPath(nullptr, &header), 0);
    EXPECT_EQ(GetPrinterProfileFromPath(u"", &header), 0);
    EXPECT_EQ(GetPrinterProfileFromPath(PathOf("x.ppr").c_str(), nullptr), 0);
    EXPECT_EQ(GetPrinterProfile(nullptr, &header), 0);
}
