// A lock that one process at a time can hold, found by name, and released
// when the holder releases it or ends, however it ends: a crashed holder
// never leaves it taken. The single-instance guard holds one per user; the
// update of a profile holds one that every user and session of the machine
// sees and may take, and that the run which happened to make it does not
// keep the others out of.
#pragma once

#include <memory>
#include <string>
#include <string_view>

// Who sees a lock: the processes of one user (one logon session on Windows),
// or every process of the machine, whatever its user or session.
enum class LockScope { User, Machine };

class ProcessLock {
public:
    enum class Outcome { Acquired, Busy, Failed };

    ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    ~ProcessLock();

    // Takes the lock named `name` in `scope` without waiting. Busy when
    // another process (or another ProcessLock of this one) holds it; Failed
    // when the lock cannot be made or opened at all, FailureReason then saying
    // why. Any lock this object held is released first. Characters other than
    // letters, digits, '-', '_' and '.' in `name` are replaced by '_'.
    // POSIX: an advisory lock (flock) on a lock file. User scope:
    // "<name>.lock" in the per-user runtime folder ($XDG_RUNTIME_DIR, else
    // /tmp/quillon-<uid>). Machine scope: "quillon.<name>.lock", readable by
    // all, in $QUILLON_LOCK_DIR when set, else in /run/lock, else in /tmp
    // (each only when it is a root-owned sticky folder open to all). A lock
    // file that is there is opened as it is, whoever made it; one is made only
    // where there is none. Anything but a regular file in its place (a link,
    // a folder, a FIFO) is Failed.
    // Windows: a named mutex, "Local\Quillon.<name>" or, machine-wide,
    // "Global\Quillon.<name>", which SYSTEM and administrators have full
    // control of and every other authenticated user, its maker too, may only
    // wait for (take) and release. Making a mutex in the Global namespace
    // needs no privilege, so a run that is not elevated makes it as readily
    // as it opens one.
    Outcome TryAcquire(std::u16string_view name, LockScope scope = LockScope::User);

    // Returns a few English words on why the last TryAcquire was Failed,
    // naming the lock file or mutex where there is one ("<path> is not a
    // regular file"); empty after any other outcome.
    const std::string& FailureReason() const;

    // Releases the lock if held; safe to call twice.
    void Release();

    bool Held() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The part of a lock's name that the platform uses: `name` with every
// character other than an ASCII letter, a digit, '-', '_' or '.' replaced by '_'.
std::u16string LockNameToken(std::u16string_view name);

// Returns why a lock named `name` fails before the platform's lock is asked
// for: a test made it fail (FaultSite::Lock), or the name is empty. Empty
// when neither; every TryAcquire asks it first.
std::string LockRefusal(std::u16string_view name);
