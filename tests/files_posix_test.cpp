// What the search and the read-only attribute mean on POSIX: the long name
// only, and permission bits.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Windows matches a search pattern against the 8.3 short name too, where the
// volume has them (wine always makes them): there "*.icm" also finds
// "e.icmx", whose short name ends in ".ICM". POSIX has the long name only.
TEST(DirectorySearchPosix, ThreeLetterExtensionMatchesOnlyThatExtension) {
    TempFolder temp;
    WriteFileText(temp.Path() / "e.icmx", "x");
    WriteFileText(temp.Path() / "f.icm", "x");
    DirectorySearch search;
    ASSERT_TRUE(search.First((temp.Path() / "*.icm").u16string().c_str()));
    EXPECT_EQ(search.Name(), u"f.icm");
    EXPECT_FALSE(search.Next());
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::u16string U16(const fs::path& path) { return path.u16string(); }

class ReadOnlyAttributePosixTest : public ::testing::Test {
protected:
    fs::path Make(const std::string& name) {
        const fs::path path = m_temp.Path() / name;
        WriteFileText(path, "x");
        return path;
    }

    TempFolder m_temp;
};

TEST_F(ReadOnlyAttributePosixTest, CopyKeepsTheSourcesPermissionBits) {
    const fs::path source = Make("src.icm");
    chmod(source.c_str(), 0440);
    const fs::path destination = m_temp.Path() / "dst.icm";
    ASSERT_TRUE(CopyFileReplacing(U16(source).c_str(), U16(destination).c_str()));
    EXPECT_EQ(ModeOf(destination), 0440u);
}

TEST_F(ReadOnlyAttributePosixTest, ReadOnlyMeansNoWritePermissionForAnyone) {
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

TEST_F(ReadOnlyAttributePosixTest, ClearingGivesTheOwnerWriteAndLeavesWritableFilesAlone) {
    const fs::path readOnly = Make("ro");
    chmod(readOnly.c_str(), 0444);
    EXPECT_TRUE(ClearReadOnly(U16(readOnly).c_str()));
    EXPECT_EQ(ModeOf(readOnly), 0644u);

    const fs::path groupWritable = Make("gw");
    chmod(groupWritable.c_str(), 0464);
    EXPECT_TRUE(ClearReadOnly(U16(groupWritable).c_str()));
    EXPECT_EQ(ModeOf(groupWritable), 0464u);
}

}  // namespace
