// A lock that one process at a time can hold, found by name, and released
// when the holder releases it or ends, however it ends: a crashed holder
// never leaves it taken. The single-instance guard and the update of a
// profile both use it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class ProcessLock {
public:
    enum class Outcome { Acquired, Busy, Failed };

    ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    ~ProcessLock();

    // Takes the lock named `name` without waiting. Busy when another process
    // (or another ProcessLock of this one) holds it; Failed when the lock
    // cannot be made at all. Any lock this object held is released first.
    // POSIX: an advisory lock on "<name>.lock" in the per-user runtime folder
    // ($XDG_RUNTIME_DIR, else /tmp/quillon-<uid>); Windows: a named mutex
    // "Local\Quillon.<name>". Characters other than letters, digits, '-',
    // '_' and '.' in `name` are replaced by '_'.
    Outcome TryAcquire(std::u16string_view name);

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
