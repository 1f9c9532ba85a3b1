#include "engine/profile_lock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/text.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

// Every name that reaches one profile file takes its one lock, whoever runs
// the update; another file has a lock of its own, and one not made yet is
// locked by where it will be.
TEST(LockProfile, EveryNameOfOneFileTakesItsOneLock) {
    TempFolder folder;
    fs::create_directories(folder.Path() / "pool" / "deeper");
    ASSERT_TRUE(WriteFileBytes(folder / "pool/P.ppr", {1}));
    ASSERT_TRUE(WriteFileBytes(folder / "pool/Q.ppr", {2}));
    const std::u16string sep(1, PathSeparator());
    const std::u16string full = Utf8ToUtf16((folder.Path() / "pool" / "P.ppr").string());

    ProcessLock held;
    ASSERT_EQ(LockProfile(full.c_str(), held), ProcessLock::Outcome::Acquired);
    const fs::path before = fs::current_path();
    fs::current_path(folder.Path() / "pool" / "deeper");
    const struct {
        std::u16string name;
        ProcessLock::Outcome outcome;
    } cases[] = {
        {full, ProcessLock::Outcome::Busy},
        {u".." + sep + u"P.ppr", ProcessLock::Outcome::Busy},
        {u".." + sep + u"." + sep + u"deeper" + sep + u".." + sep + u"P.ppr", ProcessLock::Outcome::Busy},
        {u".." + sep + u"Q.ppr", ProcessLock::Outcome::Acquired},
        {u".." + sep + u"New.ppr", ProcessLock::Outcome::Acquired},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.name));
        ProcessLock other;
        EXPECT_EQ(LockProfile(c.name.c_str(), other), c.outcome);
    }
    // A file not there yet: its relative and full names meet at one lock.
    ProcessLock fresh;
    ASSERT_EQ(LockProfile((u".." + sep + u"New.ppr").c_str(), fresh), ProcessLock::Outcome::Acquired);
    const std::u16string freshFull = Utf8ToUtf16((folder.Path() / "pool" / "New.ppr").string());
    ProcessLock again;
    EXPECT_EQ(LockProfile(freshFull.c_str(), again), ProcessLock::Outcome::Busy);
    fs::current_path(before);

    held.Release();
    ProcessLock after;
    EXPECT_EQ(LockProfile(full.c_str(), after), ProcessLock::Outcome::Acquired);
    // In a folder that does not exist the path as given names the lock.
    const std::u16string nowhere = Utf8ToUtf16((folder.Path() / "no" / "P.ppr").string());
    ProcessLock first, second;
    EXPECT_EQ(LockProfile(nowhere.c_str(), first), ProcessLock::Outcome::Acquired);
    EXPECT_EQ(LockProfile(nowhere.c_str(), second), ProcessLock::Outcome::Busy);
}
