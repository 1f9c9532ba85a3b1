#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/file_contents.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::u16string U16(const fs::path& path) { return Utf8ToUtf16(path.string()); }

// Every name the search yields for `pattern`, sorted (the file system's order is its own).
std::vector<std::string> Found(const std::u16string& pattern) {
    std::vector<std::string> names;
    DirectorySearch search;
    if (search.First(pattern.c_str())) {
        do names.push_back(Utf16ToUtf8(search.Name()));
        while (search.Next());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FilesTest : public ::testing::Test {
protected:
    fs::path Make(const std::string& name, const std::string& content = "x") {
        const fs::path path = m_temp.Path() / name;
        WriteFileText(path, content);
        return path;
    }
    std::u16string Pattern(const std::string& namePattern) {
        return U16(m_temp.Path()) + u"/" + Utf8ToUtf16(namePattern);
    }

    TempFolder m_temp;
};

// --- DirectorySearch ---

using DirectorySearchTest = FilesTest;

TEST_F(DirectorySearchTest, MatchesNamesWithoutRegardToLetterCase) {
    Make("A.ICM");
    Make("b.icm");
    Make("c.Icm");
    Make("d.cal");
    Make("e.icmx");
    Make("\xC3\x84.txt");  // Ä
    EXPECT_EQ(Found(Pattern("*.icm")), (std::vector<std::string>{"A.ICM", "b.icm", "c.Icm"}));
    EXPECT_EQ(Found(Pattern("*.ICM")), (std::vector<std::string>{"A.ICM", "b.icm", "c.Icm"}));
    EXPECT_EQ(Found(Pattern("\xC3\xA4.TXT")), std::vector<std::string>{"\xC3\x84.txt"});  // ä
}

TEST_F(DirectorySearchTest, StarMatchesAnyRunAndQuestionMarkExactlyOneUnit) {
    Make("a.txt");
    Make("ab.txt");
    Make("abc.txt");
    Make("abab.txt.bak");
    EXPECT_EQ(Found(Pattern("a?.txt")), std::vector<std::string>{"ab.txt"});
    EXPECT_EQ(Found(Pattern("a*.txt")), (std::vector<std::string>{"a.txt", "ab.txt", "abc.txt"}));
    EXPECT_EQ(Found(Pattern("*b*b*")), std::vector<std::string>{"abab.txt.bak"});
    EXPECT_EQ(Found(Pattern("abc.txt")), std::vector<std::string>{"abc.txt"});
    EXPECT_EQ(Found(Pattern("*.txt*")), (std::vector<std::string>{"a.txt", "ab.txt", "abab.txt.bak", "abc.txt"}));
}

TEST_F(DirectorySearchTest, FindsFoldersTooAndSaysWhichAreFolders) {
    Make("file.icm");
    fs::create_directory(m_temp.Path() / "folder.icm");
    DirectorySearch search;
    ASSERT_TRUE(search.First(Pattern("*.icm").c_str()));
    int seen = 0;
    do {
        EXPECT_EQ(search.IsFolder(), search.Name() == u"folder.icm");
        ++seen;
    } while (search.Next());
    EXPECT_EQ(seen, 2);
}

TEST_F(DirectorySearchTest, StarAloneFindsEveryEntryTheDotEntriesIncluded) {
    Make("one");
    EXPECT_EQ(Found(Pattern("*")), (std::vector<std::string>{".", "..", "one"}));
}

TEST_F(DirectorySearchTest, PatternWithoutFolderSearchesTheCurrentDirectory) {
    Make("here.scr");
    const fs::path before = fs::current_path();
    fs::current_path(m_temp.Path());
    const std::vector<std::string> found = Found(u"*.SCR");
    fs::current_path(before);
    EXPECT_EQ(found, std::vector<std::string>{"here.scr"});
}

TEST_F(DirectorySearchTest, NoMatchMissingFolderOrEmptyNamePatternFindNothing) {
    Make("a.txt");
    DirectorySearch search;
    EXPECT_FALSE(search.First(Pattern("*.icm").c_str()));
    EXPECT_FALSE(search.Next());
    EXPECT_FALSE(search.First((U16(m_temp.Path() / "missing") + u"/*").c_str()));
    EXPECT_FALSE(search.First((U16(m_temp.Path()) + u"/").c_str()));
    EXPECT_FALSE(search.First(u""));
}

TEST_F(DirectorySearchTest, CanBeClosedTwiceAndStartedAgain) {
    Make("a.txt");
    DirectorySearch search;
    ASSERT_TRUE(search.First(Pattern("*.txt").c_str()));
    search.Close();
    search.Close();
    EXPECT_FALSE(search.Next());
    ASSERT_TRUE(search.First(Pattern("*.txt").c_str()));
    EXPECT_EQ(search.Name(), u"a.txt");
}

// --- CopyFileReplacing ---

using CopyFileReplacingTest = FilesTest;

TEST_F(CopyFileReplacingTest, CopiesContentAndReplacesAnExistingDestination) {
    const fs::path source = Make("src.icm", std::string("new\0content", 11));
    const fs::path destination = Make("dst.icm", "older and longer content");
    EXPECT_TRUE(CopyFileReplacing(U16(source).c_str(), U16(destination).c_str()));
    EXPECT_EQ(ReadFileText(destination), std::string("new\0content", 11));
    EXPECT_EQ(ReadFileText(source), std::string("new\0content", 11));
}

TEST_F(CopyFileReplacingTest, CopyKeepsTheSourcesPermissionsReadOnlyIncluded) {
    const fs::path source = Make("src.icm", "data");
    chmod(source.c_str(), 0444);
    const fs::path destination = m_temp.Path() / "dst.icm";
    ASSERT_TRUE(CopyFileReplacing(U16(source).c_str(), U16(destination).c_str()));
    EXPECT_EQ(ModeOf(destination), 0444u);
    bool readOnly = false;
    ASSERT_TRUE(ReadReadOnly(U16(destination).c_str(), readOnly));
    EXPECT_TRUE(readOnly);
}

TEST_F(CopyFileReplacingTest, FailsForMissingOrFolderSourceAndLeavesNoDestination) {
    fs::create_directory(m_temp.Path() / "folder");
    const fs::path destination = m_temp.Path() / "dst";
    EXPECT_FALSE(CopyFileReplacing(U16(m_temp.Path() / "missing").c_str(), U16(destination).c_str()));
    EXPECT_FALSE(CopyFileReplacing(U16(m_temp.Path() / "folder").c_str(), U16(destination).c_str()));
    EXPECT_FALSE(fs::exists(destination));
}

TEST_F(CopyFileReplacingTest, FailsOnReadOnlyOrFolderDestinationAndLeavesItAsItWas) {
    const fs::path source = Make("src", "new");
    const fs::path readOnly = Make("ro", "old");
    chmod(readOnly.c_str(), 0444);
    fs::create_directory(m_temp.Path() / "folder");
    EXPECT_FALSE(CopyFileReplacing(U16(source).c_str(), U16(readOnly).c_str()));
    EXPECT_EQ(ReadFileText(readOnly), "old");
    EXPECT_FALSE(CopyFileReplacing(U16(source).c_str(), U16(m_temp.Path() / "folder").c_str()));
    EXPECT_TRUE(fs::is_directory(m_temp.Path() / "folder"));
    // Nothing half written is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_temp.Path()), fs::directory_iterator()), 3);
}

TEST_F(CopyFileReplacingTest, CopyingAFileOntoItselfKeepsItsContent) {
    const fs::path file = Make("same", "keep me");
    CopyFileReplacing(U16(file).c_str(), U16(file).c_str());
    EXPECT_EQ(ReadFileText(file), "keep me");
}

// --- Read-only attribute ---

using ReadOnlyAttributeTest = FilesTest;

TEST_F(ReadOnlyAttributeTest, ReadOnlyMeansNoWritePermissionForAnyone) {
    const fs::path file = Make("f");
    bool readOnly = true;
    chmod(file.c_str(), 0644);
    ASSERT_TRUE(ReadReadOnly(U16(file).c_str(), readOnly));
    EXPECT_FALSE(readOnly);
    chmod(file.c_str(), 0464);
    ASSERT_TRUE(ReadReadOnly(U16(file).c_str(), readOnly));
    EXPECT_FALSE(readOnly);
    chmod(file.c_str(), 0555);
    ASSERT_TRUE(ReadReadOnly(U16(file).c_str(), readOnly));
    EXPECT_TRUE(readOnly);
}

TEST_F(ReadOnlyAttributeTest, ClearingGivesTheOwnerWriteAndLeavesWritableFilesAlone) {
    const fs::path readOnly = Make("ro");
    chmod(readOnly.c_str(), 0444);
    EXPECT_TRUE(ClearReadOnly(U16(readOnly).c_str()));
    EXPECT_EQ(ModeOf(readOnly), 0644u);

    const fs::path groupWritable = Make("gw");
    chmod(groupWritable.c_str(), 0464);
    EXPECT_TRUE(ClearReadOnly(U16(groupWritable).c_str()));
    EXPECT_EQ(ModeOf(groupWritable), 0464u);
}

TEST_F(ReadOnlyAttributeTest, MissingFileHasNoAttributesToReadOrClear) {
    bool readOnly = false;
    EXPECT_FALSE(ReadReadOnly(U16(m_temp.Path() / "missing").c_str(), readOnly));
    EXPECT_FALSE(ClearReadOnly(U16(m_temp.Path() / "missing").c_str()));
}

// --- Environment and module path ---

TEST(ReadEnvironment, GivesTheValueAsUtf16AndTellsUnsetFromEmpty) {
    std::u16string value;
    {
        ScopedEnvironment set("QUILLON_FILES_TEST", "C:\\\xE6\x97\xA5\xE6\x9C\xAC");  // C:\日本
        ASSERT_TRUE(ReadEnvironment(u"QUILLON_FILES_TEST", value));
        EXPECT_EQ(value, u"C:\\日本");
    }
    {
        ScopedEnvironment empty("QUILLON_FILES_TEST", "");
        ASSERT_TRUE(ReadEnvironment(u"QUILLON_FILES_TEST", value));
        EXPECT_EQ(value, u"");
    }
    ScopedEnvironment unset("QUILLON_FILES_TEST", nullptr);
    EXPECT_FALSE(ReadEnvironment(u"QUILLON_FILES_TEST", value));
}

TEST(ReadModulePath, NamesTheRunningProgramByFullPath) {
    std::u16string path;
    ASSERT_TRUE(ReadModulePath(path));
    const fs::path module(Utf16ToUtf8(path));
    EXPECT_TRUE(module.is_absolute());
    EXPECT_EQ(module.filename(), "quillon_tests");
    EXPECT_TRUE(fs::equivalent(module, "/proc/self/exe"));
}

}  // namespace
