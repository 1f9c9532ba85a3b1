#include "platform/files.h"

#include <gtest/gtest.h>

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

std::u16string U16(const fs::path& path) { return path.u16string(); }

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
        const fs::path path = m_temp.Path() / fs::path(Utf8ToUtf16(name));
        WriteFileText(path, content);
        return path;
    }
    std::u16string Pattern(const std::string& namePattern) {
        return U16(m_temp.Path()) + PathSeparator() + Utf8ToUtf16(namePattern);
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
    Make("e.icm.bak");
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
    EXPECT_FALSE(search.First(U16(m_temp.Path() / "missing" / "*").c_str()));
    EXPECT_FALSE(search.First(U16(m_temp.Path() / "").c_str()));
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

TEST_F(CopyFileReplacingTest, CopyKeepsTheSourcesReadOnlyAttribute) {
    const fs::path source = Make("src.icm", "data");
    ASSERT_TRUE(MakeReadOnly(source));
    const fs::path destination = m_temp.Path() / "dst.icm";
    ASSERT_TRUE(CopyFileReplacing(U16(source).c_str(), U16(destination).c_str()));
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
    ASSERT_TRUE(MakeReadOnly(readOnly));
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

TEST_F(ReadOnlyAttributeTest, MissingFileHasNoAttributesToReadOrClear) {
    bool readOnly = false;
    EXPECT_FALSE(ReadReadOnly(U16(m_temp.Path() / "missing").c_str(), readOnly));
    EXPECT_FALSE(ClearReadOnly(U16(m_temp.Path() / "missing").c_str()));
}

// --- Environment and module path ---

TEST(ReadEnvironment, GivesTheValueAsUtf16AndTellsUnsetFromEmptyWhereThereIsEmpty) {
    std::u16string value;
    {
        ScopedEnvironment set("QUILLON_FILES_TEST", "C:\\\xE6\x97\xA5\xE6\x9C\xAC");  // C:\日本
        ASSERT_TRUE(ReadEnvironment(u"QUILLON_FILES_TEST", value));
        EXPECT_EQ(value, u"C:\\日本");
    }
    {
        ScopedEnvironment empty("QUILLON_FILES_TEST", "");
        value = u"unread";
        EXPECT_EQ(ReadEnvironment(u"QUILLON_FILES_TEST", value), kEmptyEnvironmentValueKept);
        EXPECT_EQ(value, kEmptyEnvironmentValueKept ? u"" : u"unread");
    }
    ScopedEnvironment unset("QUILLON_FILES_TEST", nullptr);
    EXPECT_FALSE(ReadEnvironment(u"QUILLON_FILES_TEST", value));
}

TEST(ReadModulePath, NamesTheRunningProgramByFullPath) {
    std::u16string path;
    ASSERT_TRUE(ReadModulePath(path));
    const fs::path module(path);
    EXPECT_TRUE(module.is_absolute());
    EXPECT_EQ(module.stem(), "quillon_tests");  // quillon_tests.exe on Windows
    EXPECT_TRUE(fs::is_regular_file(module));
}

}  // namespace
