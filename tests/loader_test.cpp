#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/profile_lock.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/tables.h"
#include "support/fake_tovrel.h"
#include "support/profile_builder.h"
#include "support/recording_dialog_host.h"
#include "support/recording_message_host.h"
#include "support/temp_folder.h"
#include "ui/quillon_dlg.h"

namespace {

const std::string kScript =
    "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index],INKTAB,1\nN1,1F,0\n[QUILLON_END]\n";

class LoadScriptsAndProfilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder.Path() / "prof");
        dlg.m_strExeDir = CString(Utf8ToUtf16(folder.Path().string())) + std::u16string(1, PathSeparator());
    }
    void TearDown() override { dlg.ReleaseWorkingData(); }

    void AddScript(const std::string& fileName, const std::string& text = kScript) {
        ASSERT_TRUE(WriteFileText(folder / ("prof/" + fileName), text));
    }

    static TestProfile ProfileNamed(const std::string& device, int inks) {
        TestProfile p;
        SetDeviceName(p.header, device);
        for (int i = 0; i < inks; ++i) p.inks.push_back(MakeNamed(u"Ink", i, 0, 0));
        return p;
    }

    FakeTovrel lib;
    ScopedRecordingHost host;
    TempFolder folder;
    CQuillonDlg dlg;
};

TEST_F(LoadScriptsAndProfilesTest, PrinterNotInstalledKeepsItsNameButTakesNoSlot) {
    AddScript("P1.SCR");
    AddScript("P2.SCR");
    AddScript("P3.SCR");
    lib.AddDevice(u"Dev1", "P1");
    lib.AddDevice(u"Dev3", "P3");
    lib.AddProfile(u"P1", ProfileNamed("One", 1));
    lib.AddProfile(u"P2", ProfileNamed("Two", 2));  // there, but its printer is not installed
    lib.AddProfile(u"P3", ProfileNamed("Three", 3));

    ASSERT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 1);

    ASSERT_EQ(dlg.m_nScriptCount, 3);
    ASSERT_EQ(dlg.m_nProfileCount, 2);
    // Slots are filled in script order without gaps, whatever order the folder gave.
    int slot = 0;
    for (int i = 0; i < 3; ++i) {
        const std::u16string name(FieldText(dlg.m_pScripts[i].printerName));
        EXPECT_EQ(dlg.m_pScripts[i].inkCount, 1);
        if (name == u"P2") continue;
        ASSERT_LT(slot, 2);
        EXPECT_EQ(std::u16string(FieldText(dlg.m_pProfiles[slot].name)), name);
        EXPECT_EQ(dlg.m_pProfiles[slot].header.inkCount, name == u"P1" ? 1 : 3);
        ++slot;
    }
    const ProfileSlot zero{};
    EXPECT_EQ(std::memcmp(&dlg.m_pProfiles[2], &zero, sizeof zero), 0);
    // The library's own blocks went back; the slots hold private copies,
    // made by the library's allocator, one ink table each.
    EXPECT_EQ(lib.LiveBlocks(), 2u);
    dlg.ReleaseWorkingData();
    EXPECT_EQ(lib.LiveBlocks(), 0u);
}

TEST_F(LoadScriptsAndProfilesTest, ProfileTablesAreCopiedRowForRow) {
    AddScript("P1.SCR");
    lib.AddDevice(u"Dev1", "P1");
    TestProfile profile = ProfileNamed("One", 2);
    profile.header.opaque[3] = 0x5A;
    profile.corrections = {MakeCorrection(1, 2, u"a", u"b", 3, 4, u"f", u"t", u"u", 1.25f, 5, 6)};
    lib.AddProfile(u"P1", profile);

    ASSERT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 1);

    ASSERT_EQ(dlg.m_nProfileCount, 1);
    const ProfileHeader& header = dlg.m_pProfiles[0].header;
    const ProfileHeader expected = profile.Header();
    EXPECT_EQ(std::memcmp(header.opaque, expected.opaque, sizeof header.opaque), 0);
    EXPECT_EQ(std::memcmp(header.deviceName, expected.deviceName, sizeof header.deviceName), 0);
    ASSERT_EQ(header.inkCount, 2);
    EXPECT_EQ(std::memcmp(header.inks, profile.inks.data(), 2 * sizeof(NamedEntry)), 0);
    ASSERT_EQ(header.correctionCount, 1);
    EXPECT_EQ(std::memcmp(header.corrections, profile.corrections.data(), sizeof(CorrectionEntry)), 0);
    EXPECT_EQ(header.colorTypes, nullptr);  // a table with no rows has no rows in the slot either
}

TEST_F(LoadScriptsAndProfilesTest, InstalledCheckComparesBytesWithCase) {
    AddScript("printerx.SCR");
    lib.AddDevice(u"Dev", "PrinterX");
    lib.AddProfile(u"printerx", ProfileNamed("x", 0));

    ASSERT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 1);

    EXPECT_EQ(dlg.m_nProfileCount, 0);
    EXPECT_EQ(dlg.IsPrinterInstalled(u"PrinterX"), 1);
    EXPECT_EQ(dlg.IsPrinterInstalled(u"printerx"), 0);
}

TEST_F(LoadScriptsAndProfilesTest, FailingDeviceQueryEndsTheSearch) {
    lib.AddDevice(u"Broken", "Other");
    lib.AddDevice(u"Good", "PrinterX");
    lib.FailDevInfoFor(u"Broken");

    EXPECT_EQ(dlg.IsPrinterInstalled(u"PrinterX"), 0);
    EXPECT_EQ(lib.devInfoQueries, std::vector<std::string>{"Broken"});
}

TEST_F(LoadScriptsAndProfilesTest, InstalledCheckFindsALaterDeviceAndConvertsToCp932) {
    lib.AddDevice(u"First", "Other");
    lib.AddDevice(u"\u8868\u793A", "\x95\x5C\x8E\xA6");  // 表示 serves 表示
    EXPECT_EQ(dlg.IsPrinterInstalled(u"\u8868\u793A"), 1);
    EXPECT_EQ(lib.devInfoQueries.back(), "\x95\x5C\x8E\xA6");
    EXPECT_EQ(dlg.IsPrinterInstalled(u"\u8868"), 0);  // a prefix is no match
    EXPECT_EQ(dlg.IsPrinterInstalled(u""), 0);
}

TEST_F(LoadScriptsAndProfilesTest, ScriptWithSeveralDotsNamesPrinterBeforeTheLastOne) {
    AddScript("A.B.SCR");
    ASSERT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 1);
    ASSERT_EQ(dlg.m_nScriptCount, 1);
    EXPECT_EQ(std::u16string(FieldText(dlg.m_pScripts[0].printerName)), u"A.B");
}

TEST_F(LoadScriptsAndProfilesTest, FolderNamedLikeAScriptFailsTheLoad) {
    AddScript("P1.SCR");
    std::filesystem::create_directory(folder.Path() / "prof" / "x.SCR");
    EXPECT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 0);
    EXPECT_EQ(dlg.m_nScriptCount, 2);
    ASSERT_EQ(host.Messages().size(), 1u);  // the folder cannot be opened as a script
}

TEST_F(LoadScriptsAndProfilesTest, NoScriptsOrNoFolderFails) {
    EXPECT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 0);
    EXPECT_EQ(dlg.m_nScriptCount, 0);
    EXPECT_EQ(dlg.m_pScripts, nullptr);
    std::filesystem::remove(folder.Path() / "prof");
    EXPECT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 0);
    EXPECT_EQ(dlg.m_pProfiles, nullptr);
}

TEST_F(LoadScriptsAndProfilesTest, BadScriptAfterGoodOnesFailsTheLoad) {
    AddScript("A.SCR");
    AddScript("B.SCR", "[Tessera PPR Version],3.1\n");
    lib.AddDevice(u"Dev", "A");
    lib.AddProfile(u"A", ProfileNamed("a", 1));
    EXPECT_EQ(dlg.LoadScriptsAndProfiles(u"", u""), 0);
    EXPECT_EQ(dlg.m_nScriptCount, 2);
    dlg.ReleaseWorkingData();
    EXPECT_EQ(lib.LiveBlocks(), 0u);
}

TEST_F(LoadScriptsAndProfilesTest, SilentModeTakesTheProfileFromThePath) {
    AddScript("P.SCR");
    const std::u16string script = Utf8ToUtf16(folder / "prof/P.SCR");
    const std::u16string profile = Utf8ToUtf16(folder / "P.ppr");
    ASSERT_TRUE(WriteFileText(folder / "P.ppr", "the fake library reads no file"));
    lib.AddProfileAtPath(profile, ProfileNamed("p", 2));

    ASSERT_EQ(dlg.LoadScriptsAndProfiles(script, profile), 1);

    EXPECT_EQ(dlg.m_nScriptCount, 1);
    ASSERT_EQ(dlg.m_nProfileCount, 1);
    EXPECT_EQ(std::u16string(FieldText(dlg.m_pScripts[0].printerName)), profile);
    EXPECT_EQ(std::u16string(FieldText(dlg.m_pProfiles[0].name)), profile);
    EXPECT_EQ(dlg.m_profileLoad, ProfileLoad::Loaded);
    ASSERT_EQ(dlg.m_profileLocks.size(), 1u);
    EXPECT_TRUE(dlg.m_profileLocks[0]->Held());
    EXPECT_EQ(lib.enumCalls, 0);  // no installed check in silent mode
}

TEST_F(LoadScriptsAndProfilesTest, SilentModeWithUnreadableProfileSucceedsWithoutSlot) {
    AddScript("P.SCR");
    ASSERT_EQ(dlg.LoadScriptsAndProfiles(Utf8ToUtf16(folder / "prof/P.SCR"), u"/nowhere/P.ppr"), 1);
    EXPECT_EQ(dlg.m_nProfileCount, 0);
    EXPECT_EQ(dlg.m_profileLoad, ProfileLoad::Missing);
    EXPECT_EQ(std::u16string(FieldText(dlg.m_pScripts[0].printerName)), u"/nowhere/P.ppr");
}

TEST_F(LoadScriptsAndProfilesTest, WorkingDataFreesItselfAndFreedRecordsPointNowhere) {
    AddScript("P1.SCR");
    lib.AddDevice(u"Dev1", "P1");
    lib.AddProfile(u"P1", ProfileNamed("One", 2));
    {
        CQuillonDlg owner;
        owner.m_strExeDir = dlg.m_strExeDir;
        ASSERT_EQ(owner.LoadScriptsAndProfiles(u"", u""), 1);
        // A second load first gives back what the first one left.
        ASSERT_EQ(owner.LoadScriptsAndProfiles(u"", u""), 1);
        EXPECT_EQ(lib.LiveBlocks(), 1u);
        owner.FreeScriptTables(&owner.m_pScripts[0]);
        EXPECT_EQ(owner.m_pScripts[0].inkCount, 0);
        EXPECT_EQ(owner.m_pScripts[0].inks, nullptr);
        owner.FreeScriptTables(&owner.m_pScripts[0]);  // twice is harmless
    }  // the destructor releases the rest (LeakSanitizer checks the C runtime's blocks)
    EXPECT_EQ(lib.LiveBlocks(), 0u);
}

TEST_F(LoadScriptsAndProfilesTest, SilentLoadHoldsTheProfileLockForEveryNameOfTheFile) {
    AddScript("P.SCR");
    const std::u16string script = Utf8ToUtf16(folder / "prof/P.SCR");
    ASSERT_TRUE(WriteFileText(folder / "P.ppr", "x"));
    // Where the file system has no symbolic links (Windows without the
    // right), the second load names the file itself.
    std::error_code noLink;
    std::filesystem::create_symlink(folder.Path() / "P.ppr", folder.Path() / "link.ppr", noLink);
    const std::u16string direct = Utf8ToUtf16(folder / "P.ppr");
    const std::u16string linked = noLink ? direct : Utf8ToUtf16(folder / "link.ppr");
    lib.AddProfileAtPath(direct, ProfileNamed("p", 1));
    lib.AddProfileAtPath(linked, ProfileNamed("p", 1));

    ASSERT_EQ(dlg.LoadScriptsAndProfiles(script, direct), 1);
    ASSERT_EQ(dlg.m_nProfileCount, 1);
    CQuillonDlg second;
    ASSERT_EQ(second.LoadScriptsAndProfiles(script, linked), 1);
    EXPECT_EQ(second.m_nProfileCount, 0);
    EXPECT_EQ(second.m_profileLoad, ProfileLoad::Busy);
    // Released with the working data, the lock is free again.
    dlg.ReleaseWorkingData();
    ASSERT_EQ(second.LoadScriptsAndProfiles(script, linked), 1);
    EXPECT_EQ(second.m_profileLoad, ProfileLoad::Loaded);
}

// A printer whose profile's lock cannot be made is left out as a busy one is
// (pinned end to end), and both reports say why the lock failed.
TEST_F(LoadScriptsAndProfilesTest, AProfileWhoseLockCannotBeMadeIsLeftOutSayingWhy) {
    AddScript("P1.SCR");
    lib.AddDevice(u"Dev1", "P1");
    lib.AddProfile(u"P1", ProfileNamed("One", 1));
    RecordingDialogHost dialogs;

    FailSite(FaultSite::Lock);
    const int loaded = dlg.LoadScriptsAndProfiles(u"", u"");
    FailOperationAt(0);

    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(dlg.m_nProfileCount, 0);
    const std::string why = "the profile's lock cannot be taken: made to fail by a test; left out of the list";
    EXPECT_EQ(dialogs.Entries("report "), std::vector<std::string>{"report quillon: P1: " + why});
    const std::string path = Utf16ToUtf8(CopyPoolProfilePath(u"P1"));
    EXPECT_EQ(lib.logLines, std::vector<std::string>{"Quillon: " + path + ": " + why + "\n"});
}

TEST_F(LoadScriptsAndProfilesTest, ProfileWithANegativeCountOrCountedRowsWithoutABlockIsNotLoaded) {
    AddScript("P1.SCR");
    lib.AddDevice(u"Dev1", "P1");
    const std::u16string script = Utf8ToUtf16(folder / "prof/P1.SCR");
    const std::u16string path = Utf8ToUtf16(folder / "P1.ppr");
    ASSERT_TRUE(WriteFileText(folder / "P1.ppr", "the fake library reads no file"));
    constexpr int kLeast = 1 << 30;  // stands for the least count the table's field holds
    struct Case {
        int count;  // delivered in the table's count field
        bool rows;  // the table has a row, delivered in a block; else no block
        bool usable;
    };
    const Case cases[] = {
        {-1, true, false},       // a negative count, whether or not a block comes with it
        {-1, false, false},      //
        {kLeast, true, false},   //
        {kLeast, false, false},  //
        {0, false, true},        // an empty table: no rows, no block
        {1, false, false},       // a row counted without a block
        {1, true, true},         //
    };
    for (Table table : kTablesInFileOrder) {
        for (const Case& c : cases) {
            for (bool silent : {false, true}) {
                const int count = c.count == kLeast ? -MaxHeaderCount(table) - 1 : c.count;
                SCOPED_TRACE(Utf16ToUtf8(TableName(table)) + " count " + std::to_string(count) +
                             (c.rows ? " with a block" : " without a block") + (silent ? ", silent" : ""));
                // One row in every other table, so that their blocks must go back too.
                const auto rowIn = [&](Table t) { return c.rows || t != table; };
                TestProfile profile = ProfileNamed("One", rowIn(Table::Ink) ? 1 : 0);
                if (rowIn(Table::ColorType)) profile.colorTypes = {MakeColorType(1, 2, 3, 4)};
                if (rowIn(Table::Resolution)) profile.resolutions = {MakeResolution(720, 720, 1, 1, 0, 0)};
                if (rowIn(Table::Media)) profile.media = {MakeNamed(u"Paper", 1, 0, 0)};
                if (rowIn(Table::BitsPerPixel)) profile.bitsPerPixels = {MakeBitsPerPixel(8, 0, 0)};
                if (rowIn(Table::Correction))
                    profile.corrections = {MakeCorrection(1, 2, u"a", u"b", 3, 4, u"f", u"t", u"u", 1.25f, 5, 6)};
                lib.AddProfile(u"P1", profile);
                lib.AddProfileAtPath(path, profile);
                lib.DeliverRowCounts();
                lib.DeliverCount(table, count);

                EXPECT_EQ(silent ? dlg.LoadScriptsAndProfiles(script, path) : dlg.LoadScriptsAndProfiles(u"", u""), 1);

                EXPECT_EQ(dlg.m_nScriptCount, 1);
                EXPECT_EQ(dlg.m_nProfileCount, c.usable ? 1 : 0);
                if (silent) {
                    EXPECT_EQ(dlg.m_profileLoad, c.usable ? ProfileLoad::Loaded : ProfileLoad::NotAProfile);
                }
                // A refused profile's blocks went back at once; a loaded one
                // keeps a private copy of each table that has rows.
                EXPECT_EQ(lib.LiveBlocks(), c.usable ? (count > 0 ? 6u : 5u) : 0u);
                if (c.usable && dlg.m_nProfileCount == 1) {
                    EXPECT_EQ(HeaderCount(dlg.m_pProfiles[0].header, table), count);
                }
                dlg.ReleaseWorkingData();
                EXPECT_EQ(lib.LiveBlocks(), 0u);
            }
        }
    }
}

TEST_F(LoadScriptsAndProfilesTest, MissingScriptShowsOpenFailureAndFails) {
    EXPECT_EQ(dlg.LoadScriptsAndProfiles(u"/nowhere/P.SCR", u"/nowhere/P.ppr"), 0);
    EXPECT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(dlg.m_nScriptCount, 1);
}

}  // namespace
