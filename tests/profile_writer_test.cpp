#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "devlib/tovrel.h"
#include "engine/profile_writer.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/replace_file.h"
#include "platform/text.h"
#include "support/fake_tovrel.h"
#include "support/profile_builder.h"
#include "support/temp_folder.h"

namespace {

ScriptRecord ScriptNamed(const std::u16string& name) {
    ScriptRecord record{};
    CopyText(record.printerName, kTextUnits, name);
    return record;
}

TestProfile FullProfile() {
    TestProfile p;
    for (int i = 0; i < 6; ++i) p.header.opaque[i] = static_cast<uint8_t>(0xF0 + i);
    SetDeviceName(p.header, "\x83\x76\x83\x8A\x83\x93\x83\x5E");  // プリンタ
    p.header.deviceName[200] = 0x42;                              // behind the terminator: kept
    p.header.filler277[1] = 7;
    p.header.filler326[0] = 9;
    p.header.nextInkId = 12;
    p.header.nextMediaId = -3;
    p.colorTypes = {MakeColorType(1, 2, 3, 4)};
    p.resolutions = {MakeResolution(720, 360, 1, 2, 5, 6), MakeResolution(1, 1, 1, 1, 1, 1)};
    p.inks = {MakeNamed(u"\u30B7\u30A2\u30F3", 3, 1, 2)};
    p.media = {MakeNamed(u"Gloss", 4, 1, 2)};
    p.bitsPerPixels = {MakeBitsPerPixel(8, 1, 2)};
    p.corrections = {MakeCorrection(1, 2, u"n1", u"n2", 3, 4, u"file", u"t8", u"t9", 0.5f, 7, 8)};
    return p;
}

class SetPrinterProfileTest : public ::testing::Test {
protected:
    void TearDown() override { FailOperationAt(0); }

    // True when the folder holds nothing but the named files.
    bool OnlyFiles(std::initializer_list<std::string> names) {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            ++count;
            if (std::find(names.begin(), names.end(), entry.path().filename().string()) == names.end()) return false;
        }
        return count == names.size();
    }

    FakeTovrel lib;
    TempFolder folder;
};

TEST_F(SetPrinterProfileTest, HeaderOnlyProfileIs332BytesWithZeroReferences) {
    TestProfile p;
    p.header.opaque[0] = 1;
    const ProfileHeader header = p.Header();
    const ScriptRecord script = ScriptNamed(Utf8ToUtf16(folder / "p.ppr"));

    ASSERT_EQ(SetPrinterProfile(&script, &header, 1), 1);

    const auto bytes = ReadFileBytes(folder / "p.ppr");
    ASSERT_EQ(bytes.size(), 332u);
    EXPECT_EQ(bytes, p.FileImage());
}

TEST_F(SetPrinterProfileTest, WritesEveryTableInFileOrderWithZeroReferences) {
    const TestProfile p = FullProfile();
    const ProfileHeader header = p.Header();
    const ScriptRecord script = ScriptNamed(Utf8ToUtf16(folder / "any.extension"));

    ASSERT_EQ(SetPrinterProfile(&script, &header, 1), 1);

    const auto bytes = ReadFileBytes(folder / "any.extension");
    EXPECT_EQ(bytes, p.FileImage());
    ASSERT_EQ(bytes.size(), 332u + 12 + 2 * 16 + 532 + 532 + 12 + 3700);
    for (std::size_t offset : {280, 288, 300, 312, 320, 328})
        EXPECT_EQ(bytes[offset] | bytes[offset + 1] | bytes[offset + 2] | bytes[offset + 3], 0) << offset;
}

TEST_F(SetPrinterProfileTest, ReadingBackThroughTheLibraryGivesTheSameProfile) {
    const TestProfile p = FullProfile();
    const ProfileHeader header = p.Header();
    const std::u16string path = Utf8ToUtf16(folder / "p.ppr");
    const ScriptRecord script = ScriptNamed(path);
    ASSERT_EQ(SetPrinterProfile(&script, &header, 1), 1);

    ProfileHeader loaded{};
    ASSERT_NE(LinkedTovrel().GetPrinterProfileFromPath(path.c_str(), &loaded), 0);
    TestProfile back;
    back.header = loaded;
    back.colorTypes.assign(loaded.colorTypes, loaded.colorTypes + loaded.colorTypeCount);
    back.resolutions.assign(loaded.resolutions, loaded.resolutions + loaded.resolutionCount);
    back.inks.assign(loaded.inks, loaded.inks + loaded.inkCount);
    back.media.assign(loaded.media, loaded.media + loaded.mediaCount);
    back.bitsPerPixels.assign(loaded.bitsPerPixels, loaded.bitsPerPixels + loaded.bitsPerPixelCount);
    back.corrections.assign(loaded.corrections, loaded.corrections + loaded.correctionCount);
    LinkedTovrel().ClearPrinterProfileWorkArea(&loaded);
    EXPECT_EQ(back.FileImage(), p.FileImage());
}

TEST_F(SetPrinterProfileTest, InteractiveModeReplacesPrinterFileInTheCopyPool) {
    lib.copyPool = Utf8ToUtf16(folder.Path().string());
    ASSERT_TRUE(WriteFileBytes(folder / "Printer A.ppr", {1, 2, 3}));
    const TestProfile p = FullProfile();
    const ProfileHeader header = p.Header();
    const ScriptRecord script = ScriptNamed(u"Printer A");

    ASSERT_EQ(SetPrinterProfile(&script, &header, 0), 1);

    EXPECT_EQ(ReadFileBytes(folder / "Printer A.ppr"), p.FileImage());
    EXPECT_TRUE(OnlyFiles({"Printer A.ppr"}));
}

TEST_F(SetPrinterProfileTest, DestinationThatCannotBeOpenedIsLoggedAndLeftAlone) {
    const TestProfile p = FullProfile();
    const ProfileHeader header = p.Header();
    const std::string missing = folder / "missing/p.ppr";
    const ScriptRecord script = ScriptNamed(Utf8ToUtf16(missing));

    EXPECT_EQ(SetPrinterProfile(&script, &header, 1), 0);

    ASSERT_EQ(lib.logLines.size(), 1u);
    EXPECT_EQ(lib.logLines[0], "SetPrinterProfile:fopen error[" + missing + "]\n");
}

TEST_F(SetPrinterProfileTest, LogLineCarriesThePathInCp932) {
    lib.copyPool = u"/no/such/pool";
    const TestProfile profile;
    const ProfileHeader header = profile.Header();
    const ScriptRecord script = ScriptNamed(u"\u8868");  // 表

    EXPECT_EQ(SetPrinterProfile(&script, &header, 0), 0);

    // The copy pool and the name are joined by the platform's separator.
    const std::string separator(1, static_cast<char>(PathSeparator()));
    ASSERT_EQ(lib.logLines.size(), 1u);
    EXPECT_EQ(lib.logLines[0], "SetPrinterProfile:fopen error[/no/such/pool" + separator + "\x95\x5C.ppr]\n");
}

TEST_F(SetPrinterProfileTest, ReadOnlyDestinationFailsAsOpeningItWould) {
    const std::string path = folder / "p.ppr";
    ASSERT_TRUE(WriteFileBytes(path, {9, 9}));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const TestProfile profile = FullProfile();
    const ProfileHeader header = profile.Header();
    const ScriptRecord script = ScriptNamed(Utf8ToUtf16(path));

    EXPECT_EQ(SetPrinterProfile(&script, &header, 1), 0);

    EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{9, 9}));
    EXPECT_EQ(lib.logLines.size(), 1u);
}

TEST_F(SetPrinterProfileTest, PathTooLongForItsBufferIsNotCut) {
    lib.copyPool = Utf8ToUtf16(folder.Path().string());
    const std::u16string name(260 - lib.copyPool.size() - 5, u'n');  // one unit too many with "/" and ".ppr"
    const ScriptRecord script = ScriptNamed(name.substr(0, 259));
    const TestProfile profile;
    const ProfileHeader header = profile.Header();

    EXPECT_EQ(SetPrinterProfile(&script, &header, 0), 0);
    EXPECT_TRUE(OnlyFiles({}));
    EXPECT_EQ(lib.logLines.size(), 1u);
}

// A failure at any step of the write leaves the old file byte for byte and
// no temporary file behind.
TEST_F(SetPrinterProfileTest, FailureAtAnyStepLeavesTheOldFileIntact) {
    const std::string path = folder / "p.ppr";
    const std::vector<uint8_t> old = {1, 2, 3, 4, 5};
    const TestProfile profile = FullProfile();
    const ProfileHeader header = profile.Header();
    const ScriptRecord script = ScriptNamed(Utf8ToUtf16(path));
    for (FaultSite site : {FaultSite::Open, FaultSite::Write, FaultSite::Flush, FaultSite::Close, FaultSite::Replace}) {
        SCOPED_TRACE(FaultSiteName(site));
        ASSERT_TRUE(WriteFileBytes(path, old));
        FailSite(site);

        EXPECT_EQ(SetPrinterProfile(&script, &header, 1), 0);

        EXPECT_EQ(ReadFileBytes(path), old);
        EXPECT_TRUE(OnlyFiles({"p.ppr"}));
    }
    // Only the open failure is the one the log reports.
    EXPECT_EQ(lib.logLines.size(), 1u);
}

TEST_F(SetPrinterProfileTest, SilentModeReplacesAProfileNamedRelativeToTheCurrentFolder) {
    namespace fs = std::filesystem;
    const std::u16string sep(1, PathSeparator());
    const std::string leaf = folder.Path().filename().string();
    const fs::path sub = folder.Path() / "sub";
    fs::create_directories(sub / "deeper");
    struct Form {
        fs::path start;
        std::u16string name;
    } forms[] = {
        {sub, u"p.ppr"},
        {sub, u"." + sep + u"p.ppr"},
        {sub / "deeper", u".." + sep + u"p.ppr"},
        {folder.Path(), u"sub" + sep + u"p.ppr"},
        {sub / "deeper", u".." + sep + u".." + sep + u".." + sep + Utf8ToUtf16(leaf) + sep + u"sub" + sep + u"p.ppr"},
    };
    const TestProfile profile = FullProfile();
    const ProfileHeader header = profile.Header();
    const fs::path before = fs::current_path();
    for (const Form& form : forms) {
        SCOPED_TRACE(Utf16ToUtf8(form.name));
        ASSERT_TRUE(WriteFileBytes(sub / "p.ppr", {1, 2, 3}));
        // A leftover of a killed run, which the lock holder removes first.
        ASSERT_TRUE(WriteFileBytes(sub / "p.ppr.~quillon.4242_0", {9}));
        fs::current_path(form.start);
        FileReplacement::RemoveLeftovers(form.name.c_str());
        const ScriptRecord script = ScriptNamed(form.name);
        const int written = SetPrinterProfile(&script, &header, 1);
        fs::current_path(before);

        EXPECT_EQ(written, 1);
        EXPECT_EQ(ReadFileBytes(sub / "p.ppr"), profile.FileImage());
        std::size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(sub)) entries += entry.path().filename() != "deeper";
        EXPECT_EQ(entries, 1u) << "only p.ppr is left in its folder";
    }
}

TEST_F(SetPrinterProfileTest, ReplacementKeepsThePermissionsOfTheReplacedFile) {
    const std::string path = folder / "p.ppr";
    ASSERT_TRUE(WriteFileBytes(path, {1}));
    // 0640 on POSIX; Windows keeps only "writable", which must stay as well.
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    const TestProfile profile;
    const ProfileHeader header = profile.Header();
    const ScriptRecord script = ScriptNamed(Utf8ToUtf16(path));

    ASSERT_EQ(SetPrinterProfile(&script, &header, 1), 1);

    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 0777, before.st_mode & 0777);
}

}  // namespace
