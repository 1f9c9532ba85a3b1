#include "platform/process_lock.h"

#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/temp_folder.h"

// Within one process: the second holder of a name is refused until the first
// lets go, whatever the platform's lock is made of.
TEST(ProcessLock, OneHolderAtATimeAndAnotherNameIsAnotherLock) {
    // The lock files of POSIX in a folder of the test's own; Windows names
    // its mutexes and has no use for the variable.
    TempFolder runtime;
    ScopedEnvironment env("XDG_RUNTIME_DIR", runtime.Path().string().c_str());
    ProcessLock first;
    ASSERT_EQ(first.TryAcquire(u"QuillonLockTest"), ProcessLock::Outcome::Acquired);
    EXPECT_TRUE(first.Held());
    ProcessLock again;
    EXPECT_EQ(again.TryAcquire(u"QuillonLockTest"), ProcessLock::Outcome::Busy);
    EXPECT_FALSE(again.Held());
    EXPECT_EQ(again.FailureReason(), "");  // busy is no failure
    EXPECT_EQ(again.TryAcquire(u"QuillonLockTest-b"), ProcessLock::Outcome::Acquired);
    first.Release();
    first.Release();
    EXPECT_FALSE(first.Held());
    EXPECT_EQ(again.TryAcquire(u"QuillonLockTest"), ProcessLock::Outcome::Acquired);
    // Taking another lock released the one held before.
    EXPECT_EQ(first.TryAcquire(u"QuillonLockTest-b"), ProcessLock::Outcome::Acquired);
}

TEST(ProcessLock, NamesAreMadeSafeAndAnEmptyNameFails) {
    EXPECT_EQ(LockNameToken(u"a/b\\c:d e.-_Z9"), u"a_b_c_d_e.-_Z9");
    EXPECT_EQ(LockNameToken(u"../x"), u".._x");
    ProcessLock lock;
    EXPECT_EQ(lock.TryAcquire(u""), ProcessLock::Outcome::Failed);
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(lock.FailureReason(), "a lock needs a name");
}
