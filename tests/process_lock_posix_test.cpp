// The POSIX lock: a lock file in the per-user runtime folder, held by
// another process and by one that was killed, and what in a lock file's
// place, or in its name, keeps it from being taken.
#include "platform/process_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/file_contents.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace {

// Runs a child that takes `name`, reports through a pipe, and then waits to
// be killed, holding the lock.
pid_t ChildHolding(const char16_t* name) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        ProcessLock lock;
        const char got = lock.TryAcquire(name) == ProcessLock::Outcome::Acquired ? 'y' : 'n';
        if (write(ready[1], &got, 1) != 1) _exit(2);
        for (;;) pause();
    }
    char got = 0;
    close(ready[1]);
    const bool ok = read(ready[0], &got, 1) == 1 && got == 'y';
    close(ready[0]);
    return ok ? pid : -1;
}

void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

TEST(ProcessLockPosix, AnotherProcessHoldsItUntilItIsKilled) {
    TempFolder runtime;
    ScopedEnvironment env("XDG_RUNTIME_DIR", runtime.Path().c_str());

    const pid_t holder = ChildHolding(u"Quillon");
    ASSERT_GT(holder, 0);
    ProcessLock lock;
    EXPECT_EQ(lock.TryAcquire(u"Quillon"), ProcessLock::Outcome::Busy);
    EXPECT_FALSE(lock.Held());

    // A killed holder leaves nothing that blocks the next start.
    Kill(holder);
    ProcessLock next;
    EXPECT_EQ(next.TryAcquire(u"Quillon"), ProcessLock::Outcome::Acquired);
}

// Whatever is in a lock file's place, the lock is Failed with a reason that
// names it; a link is never followed into someone else's file. Once the
// place is clear, the same lock is taken and the reason is gone.
TEST(ProcessLockPosix, WhatIsInTheLockFilesPlaceOrItsNameFailsTheLockAndSaysWhy) {
    TempFolder runtime;
    const std::filesystem::path machine = runtime.Path() / "machine", user = runtime.Path() / "user";
    std::filesystem::create_directories(machine);
    std::filesystem::create_directories(user);
    ScopedEnvironment userFolder("XDG_RUNTIME_DIR", user.c_str());
    ScopedEnvironment machineFolder("QUILLON_LOCK_DIR", machine.c_str());
    enum class Put { Nothing, Link, Folder, Fifo };
    // A file name may have 255 bytes: "quillon." + 242 + ".lock" is the longest.
    const std::string longest(242, 'n');
    const struct {
        const char* what;
        LockScope scope;
        std::string name;
        Put put;
        bool taken;
    } cases[] = {
        {"user's, a link", LockScope::User, "L", Put::Link, false},
        {"user's, a folder", LockScope::User, "F", Put::Folder, false},
        {"user's, a FIFO", LockScope::User, "P", Put::Fifo, false},
        {"machine's, a link", LockScope::Machine, "L", Put::Link, false},
        {"machine's, a folder", LockScope::Machine, "F", Put::Folder, false},
        {"machine's, a FIFO", LockScope::Machine, "P", Put::Fifo, false},
        {"name one byte shorter than the limit", LockScope::Machine, longest.substr(1), Put::Nothing, true},
        {"name at the limit", LockScope::Machine, longest, Put::Nothing, true},
        {"name one byte longer", LockScope::Machine, longest + "n", Put::Nothing, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool isMachine = c.scope == LockScope::Machine;
        const std::filesystem::path path =
            isMachine ? machine / ("quillon." + c.name + ".lock") : user / (c.name + ".lock");
        const std::filesystem::path elsewhere = runtime.Path() / "elsewhere";
        switch (c.put) {
            case Put::Nothing: break;
            case Put::Link: std::filesystem::create_symlink(elsewhere, path); break;
            case Put::Folder: std::filesystem::create_directory(path); break;
            case Put::Fifo: ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); break;
        }
        const std::u16string name(c.name.begin(), c.name.end());
        ProcessLock lock;
        EXPECT_EQ(lock.TryAcquire(name, c.scope),
                  c.taken ? ProcessLock::Outcome::Acquired : ProcessLock::Outcome::Failed);
        EXPECT_EQ(lock.Held(), c.taken);
        const std::string reason = c.put != Put::Nothing ? path.string() + " is not a regular file"
                                   : c.taken             ? ""
                                                         : path.string() + ": File name too long";
        EXPECT_EQ(lock.FailureReason(), reason);
        EXPECT_FALSE(std::filesystem::exists(elsewhere));
        if (c.put == Put::Nothing) continue;
        std::filesystem::remove(path);
        EXPECT_EQ(lock.TryAcquire(name, c.scope), ProcessLock::Outcome::Acquired);
        EXPECT_EQ(lock.FailureReason(), "");
    }

    // No folder for the machine's locks at all.
    const std::string file = runtime / "file";
    ASSERT_TRUE(WriteFileText(file, ""));
    ScopedEnvironment notAFolder("QUILLON_LOCK_DIR", file.c_str());
    ProcessLock lock;
    EXPECT_EQ(lock.TryAcquire(u"L", LockScope::Machine), ProcessLock::Outcome::Failed);
    EXPECT_EQ(lock.FailureReason(),
              "no folder for the machine's locks: $QUILLON_LOCK_DIR (" + file + ") is not a folder");
}
