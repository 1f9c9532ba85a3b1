#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fault_injection.h"
#include "platform/process_lock.h"
#include "platform/text.h"

namespace {

// The per-user runtime folder: $XDG_RUNTIME_DIR, else a folder of our own
// under /tmp that only this user can enter. Empty when neither will do.
std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && *runtime == '/' && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode)) return runtime;
    std::string folder = "/tmp/quillon-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // Another user could have made it first: use it only if it is ours and closed to others.
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0)
        return {};
    return folder;
}

}  // namespace

struct ProcessLock::Impl {
    int fd = -1;
};

ProcessLock::ProcessLock() : m_impl(std::make_unique<Impl>()) {}

ProcessLock::~ProcessLock() { Release(); }

bool ProcessLock::Held() const { return m_impl->fd >= 0; }

void ProcessLock::Release() {
    if (m_impl->fd < 0) return;
    // Closing drops the lock; the file stays, so that a waiting process never
    // locks a file that is about to be unlinked.
    close(m_impl->fd);
    m_impl->fd = -1;
}

ProcessLock::Outcome ProcessLock::TryAcquire(std::u16string_view name) {
    Release();
    if (InjectFault(FaultSite::Lock)) return Outcome::Failed;
    const std::string folder = RuntimeFolder();
    if (folder.empty() || name.empty()) return Outcome::Failed;
    const std::string path = folder + "/" + Utf16ToUtf8(LockNameToken(name)) + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return Outcome::Failed;
    // flock locks belong to the open file, so a second ProcessLock of this
    // process is refused too, and the lock ends with the last descriptor.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? Outcome::Busy : Outcome::Failed;
    }
    m_impl->fd = fd;
    return Outcome::Acquired;
}
