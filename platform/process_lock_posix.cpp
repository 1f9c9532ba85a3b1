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

// A folder where every user may make files but none may remove another's:
// root's, sticky and open to all, as /run/lock and /tmp are.
bool IsSharedFolder(const char* folder) {
    struct stat info {};
    return lstat(folder, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == 0 && (info.st_mode & S_ISVTX) != 0 &&
           (info.st_mode & 0777) == 0777;
}

// The folder of the machine-wide locks; empty when none will do.
std::string MachineFolder() {
    const char* chosen = std::getenv("QUILLON_LOCK_DIR");
    struct stat info {};
    if (chosen != nullptr && *chosen != 0) return stat(chosen, &info) == 0 && S_ISDIR(info.st_mode) ? chosen : "";
    for (const char* folder : {"/run/lock", "/tmp"})
        if (IsSharedFolder(folder)) return folder;
    return {};
}

// Opens (or makes) the lock file at `path`. A machine-wide one is opened for
// reading, which is all flock needs, and made readable by all, so that the
// processes of every user can lock the one file.
int OpenLockFile(const std::string& path, LockScope scope) {
    const int flags = O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    if (scope == LockScope::User) return open(path.c_str(), O_RDWR | flags, 0600);
    const int fd = open(path.c_str(), O_RDONLY | flags, 0644);
    struct stat info {};
    if (fd >= 0 && fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 0444) != 0444)
        fchmod(fd, 0644);  // the umask may have kept others out
    return fd;
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

ProcessLock::Outcome ProcessLock::TryAcquire(std::u16string_view name, LockScope scope) {
    Release();
    if (InjectFault(FaultSite::Lock)) return Outcome::Failed;
    const bool machine = scope == LockScope::Machine;
    const std::string folder = machine ? MachineFolder() : RuntimeFolder();
    if (folder.empty() || name.empty()) return Outcome::Failed;
    const std::string path = folder + (machine ? "/quillon." : "/") + Utf16ToUtf8(LockNameToken(name)) + ".lock";
    const int fd = OpenLockFile(path, scope);
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
