// The POSIX lock: a lock file in the per-user runtime folder, held by
// another process and by one that was killed, and a lock file that is a link.
#include "platform/process_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

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

TEST(ProcessLockPosix, LockFileThatIsALinkIsNeverFollowed) {
    ProcessLock lock;
    // A lock file that is a link is never followed into someone else's file.
    TempFolder runtime;
    std::filesystem::create_symlink(runtime.Path() / "elsewhere", runtime.Path() / "Quillon.lock");
    ScopedEnvironment env("XDG_RUNTIME_DIR", runtime.Path().c_str());
    EXPECT_EQ(lock.TryAcquire(u"Quillon"), ProcessLock::Outcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(runtime.Path() / "elsewhere"));
    EXPECT_EQ(lock.TryAcquire(u"Quillon2"), ProcessLock::Outcome::Acquired);
}
