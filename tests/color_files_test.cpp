#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/fake_tovrel.h"
#include "support/file_contents.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"
#include "ui/quillon_dlg.h"

namespace fs = std::filesystem;

namespace {

bool IsReadOnly(const fs::path& path) {
    bool readOnly = false;
    return ReadReadOnly(path.u16string().c_str(), readOnly) && readOnly;
}

int EntriesIn(const fs::path& folder) {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// The fake library with GetCopyPoolPath counted and, when asked, failing.
int g_copyPoolCalls = 0;
bool g_copyPoolFails = false;
const TovrelCalls* g_fakeCalls = nullptr;

int CountingGetCopyPoolPath(char16_t* path) {
    ++g_copyPoolCalls;
    if (g_copyPoolFails) return 0;
    return g_fakeCalls->GetCopyPoolPath(path);
}

// A program folder with prof/, a copy pool with colprof/ and a WINDIR with
// system32/color/, all under one temp folder.
class CopyColorFilesTest : public ::testing::Test {
protected:
    CopyColorFilesTest() {
        fs::create_directories(m_prof);
        fs::create_directories(m_colprof);
        fs::create_directories(m_system);
        m_library.copyPool = m_pool.u16string();
        g_fakeCalls = &Tovrel();
        m_counting = *g_fakeCalls;
        m_counting.GetCopyPoolPath = &CountingGetCopyPoolPath;
        SetTovrel(&m_counting);
        g_copyPoolCalls = 0;
        g_copyPoolFails = false;
        m_dlg.m_strExeDir = CString((m_exe / "").u16string());  // ends with the separator
    }
    ~CopyColorFilesTest() override { SetTovrel(g_fakeCalls); }

    fs::path Prof(const std::string& name, const std::string& content = "colour") {
        WriteFileText(m_prof / name, content);
        return m_prof / name;
    }

    TempFolder m_temp;
    fs::path m_exe = m_temp.Path() / "app";
    fs::path m_prof = m_exe / "prof";
    fs::path m_pool = m_temp.Path() / "pool";
    fs::path m_colprof = m_pool / "colprof";
    fs::path m_windir = m_temp.Path() / "win";
    fs::path m_system = m_windir / "system32" / "color";
    ScopedEnvironment m_windirVariable{"WINDIR", m_windir.string().c_str()};
    FakeTovrel m_library;
    TovrelCalls m_counting{};
    CQuillonDlg m_dlg;
};

TEST_F(CopyColorFilesTest, IcmFilesOfEitherCaseGoToTheColourProfileFolderAskingTheLibraryEachTime) {
    Prof("A.ICM", "upper");
    Prof("b.icm", "lower");
    Prof("c.CAL");
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_EQ(ReadFileText(m_colprof / "A.ICM"), "upper");
    EXPECT_EQ(ReadFileText(m_colprof / "b.icm"), "lower");
    EXPECT_EQ(EntriesIn(m_colprof), 2);
    EXPECT_EQ(EntriesIn(m_system), 0);
    EXPECT_EQ(g_copyPoolCalls, 2);
}

TEST_F(CopyColorFilesTest, TheFiveOtherExtensionsGoToTheSystemColourFolder) {
    const std::vector<std::string> extensions = {".CAL", ".CAF", ".BCC", ".BKS", ".BLS"};
    for (const std::string& extension : extensions) {
        Prof("p" + extension, extension);
        std::string lower = extension;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Prof("q" + lower, lower);
    }
    for (const std::string& extension : extensions) {
        EXPECT_EQ(m_dlg.CopyColorFiles(CString(Utf8ToUtf16(extension))), 1) << extension;
        EXPECT_EQ(ReadFileText(m_system / ("p" + extension)), extension);
    }
    EXPECT_EQ(ReadFileText(m_system / "q.bls"), ".bls");
    EXPECT_EQ(EntriesIn(m_system), 10);
    EXPECT_EQ(EntriesIn(m_colprof), 0);
    EXPECT_EQ(g_copyPoolCalls, 0);
}

TEST_F(CopyColorFilesTest, DestinationOfTheSameNameIsReplaced) {
    Prof("p.icm", "new");
    WriteFileText(m_colprof / "p.icm", "old, and longer than the new one");
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_EQ(ReadFileText(m_colprof / "p.icm"), "new");
}

TEST_F(CopyColorFilesTest, ReadOnlySourceGivesAWritableDestination) {
    const fs::path source = Prof("p.CAL", "data");
    ASSERT_TRUE(MakeReadOnly(source));
    EXPECT_EQ(m_dlg.CopyColorFiles(u".CAL"), 1);
    EXPECT_EQ(ReadFileText(m_system / "p.CAL"), "data");
    EXPECT_FALSE(IsReadOnly(m_system / "p.CAL"));
    EXPECT_TRUE(IsReadOnly(source));
}

TEST_F(CopyColorFilesTest, ReadOnlyDestinationIsMadeWritableEvenWhenItsCopyFails) {
    Prof("p.icm", "new");
    WriteFileText(m_colprof / "p.icm", "old");
    ASSERT_TRUE(MakeReadOnly(m_colprof / "p.icm"));
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    // The copy onto a read-only file failed, but the file is writable now ...
    EXPECT_EQ(ReadFileText(m_colprof / "p.icm"), "old");
    EXPECT_FALSE(IsReadOnly(m_colprof / "p.icm"));
    // ... so the next deployment replaces it.
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_EQ(ReadFileText(m_colprof / "p.icm"), "new");
}

TEST_F(CopyColorFilesTest, FolderMatchingThePatternIsAFailedCopyThatIsIgnored) {
    fs::create_directory(m_prof / "folder.icm");
    Prof("z.icm");
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_TRUE(fs::is_regular_file(m_colprof / "z.icm"));
    EXPECT_FALSE(fs::exists(m_colprof / "folder.icm"));
    EXPECT_EQ(EntriesIn(m_colprof), 1);
}

TEST_F(CopyColorFilesTest, EmptyProgramFolderMeansProfInTheCurrentDirectory) {
    Prof("p.icm", "here");
    m_dlg.m_strExeDir = CString(u"");
    const fs::path before = fs::current_path();
    fs::current_path(m_exe);
    const int result = m_dlg.CopyColorFiles(u".icm");
    fs::current_path(before);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadFileText(m_colprof / "p.icm"), "here");
}

TEST_F(CopyColorFilesTest, NoMatchOrNoProfFolderGivesZeroAndCopiesNothing) {
    Prof("c.CAL");
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 0);
    fs::remove_all(m_prof);
    EXPECT_EQ(m_dlg.CopyColorFiles(u".CAL"), 0);
    EXPECT_EQ(EntriesIn(m_colprof), 0);
    EXPECT_EQ(EntriesIn(m_system), 0);
    EXPECT_EQ(g_copyPoolCalls, 0);
}

TEST_F(CopyColorFilesTest, FileWhosePathWouldNotFitIsSkippedAndTheOthersAreCopied) {
    // Copy pool + separator + "colprof" + separator comes to 250 units: room for a 9-unit name, not a 10-unit one.
    const std::size_t poolLength = 250 - std::string("/colprof/").size();
    const fs::path longPool = m_temp.Path() / std::string(poolLength - m_temp.Path().string().size() - 1, 'p');
    ASSERT_EQ(longPool.string().size(), poolLength);
    fs::create_directories(longPool / "colprof");
    m_library.copyPool = longPool.u16string();
    Prof("12345.icm", "fits");
    Prof("123456.icm", "too long");
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_EQ(ReadFileText(longPool / "colprof" / "12345.icm"), "fits");
    EXPECT_EQ(EntriesIn(longPool / "colprof"), 1);
}

TEST_F(CopyColorFilesTest, SearchPatternThatWouldNotFitFindsNothing) {
    Prof("p.icm");
    const std::u16string extension = u".icm" + std::u16string(260, u'x');
    EXPECT_EQ(m_dlg.CopyColorFiles(CString(extension)), 0);
    EXPECT_EQ(g_copyPoolCalls, 0);
}

TEST_F(CopyColorFilesTest, UnsetOrEmptyWindirSkipsTheNonIcmFilesAndStillCopiesIcmFiles) {
    Prof("p.CAL");
    Prof("p.icm");
    // Nothing may land relative to the current directory either.
    const fs::path elsewhere = m_temp.Path() / "cwd";
    fs::create_directory(elsewhere);
    const fs::path before = fs::current_path();
    fs::current_path(elsewhere);
    int unsetResult, emptyResult, icmResult;
    {
        ScopedEnvironment unset("WINDIR", nullptr);
        unsetResult = m_dlg.CopyColorFiles(u".CAL");
        icmResult = m_dlg.CopyColorFiles(u".icm");
    }
    {
        // Windows's C runtime cannot hold an empty variable: there it is unset again.
        ScopedEnvironment empty("WINDIR", "");
        emptyResult = m_dlg.CopyColorFiles(u".CAL");
    }
    fs::current_path(before);
    EXPECT_EQ(unsetResult, 1);
    EXPECT_EQ(emptyResult, 1);
    EXPECT_EQ(icmResult, 1);
    EXPECT_EQ(EntriesIn(m_system), 0);
    EXPECT_EQ(EntriesIn(elsewhere), 0);
    EXPECT_TRUE(fs::exists(m_colprof / "p.icm"));
}

TEST_F(CopyColorFilesTest, NameWithoutDotGoesToTheSystemColourFolder) {
    // Only an empty extension lets such a name through the search.
    Prof("README", "text");
    Prof("a.icm");
    EXPECT_EQ(m_dlg.CopyColorFiles(u""), 1);
    EXPECT_EQ(ReadFileText(m_system / "README"), "text");
    EXPECT_TRUE(fs::exists(m_colprof / "a.icm"));
    EXPECT_FALSE(fs::exists(m_system / "a.icm"));
}

TEST_F(CopyColorFilesTest, IcmFileIsSkippedWhenTheLibraryGivesNoCopyPool) {
    Prof("a.icm");
    g_copyPoolFails = true;
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_EQ(g_copyPoolCalls, 1);
    EXPECT_EQ(EntriesIn(m_colprof), 0);

    g_copyPoolFails = false;
    m_library.copyPool = u"";
    EXPECT_EQ(m_dlg.CopyColorFiles(u".icm"), 1);
    EXPECT_EQ(EntriesIn(m_colprof), 0);
    EXPECT_FALSE(fs::exists("/colprof/a.icm"));
}

}  // namespace
