#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

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

// The folder of the machine-wide locks; empty, with `why` set, when none will do.
std::string MachineFolder(std::string& why) {
    const char* chosen = std::getenv("QUILLON_LOCK_DIR");
    struct stat info {};
    if (chosen != nullptr && *chosen != 0) {
        if (stat(chosen, &info) == 0 && S_ISDIR(info.st_mode)) return chosen;
        why = std::string("no folder for the machine's locks: $QUILLON_LOCK_DIR (") + chosen + ") is not a folder";
        return {};
    }
    for (const char* folder : {"/run/lock", "/tmp"})
        if (IsSharedFolder(folder)) return folder;
    why = "no folder for the machine's locks: neither /run/lock nor /tmp is a root-owned sticky folder open to all";
    return {};
}

// Opens the lock file at `path`, making it only where there is none, and
// sets `why` when it fails. A file that is there is opened without O_CREAT:
// with fs.protected_regular set (Debian sets 2 at boot), O_CREAT on a file
// that another user made in a sticky folder open to all is refused even to
// root, so one run by a user would have locked everyone else out of that
// profile until the next boot. A machine-wide file is opened for reading,
// which is all flock needs, and made readable by all, so that the processes
// of every user can lock the one file.
int OpenLockFile(const std::string& path, LockScope scope, std::string& why) {
    const bool machine = scope == LockScope::Machine;
    const int flags = (machine ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = open(path.c_str(), flags);
    if (fd < 0 && errno == ENOENT) {
        fd = open(path.c_str(), flags | O_CREAT | O_EXCL, machine ? 0644 : 0600);
        // Another process made it in between: theirs is as good.
        if (fd < 0 && errno == EEXIST) fd = open(path.c_str(), flags);
    }
    const int error = errno;
    const std::string notRegular = path + " is not a regular file";
    if (fd < 0) {
        // O_NOFOLLOW refuses a link with ELOOP; O_RDWR refuses a folder with EISDIR.
        why = error == ELOOP || error == EISDIR ? notRegular : path + ": " + std::strerror(error);
        return -1;
    }
    // O_NONBLOCK opened a FIFO without waiting for a writer, and a folder
    // opens for reading: neither is a lock file.
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        why = notRegular;
        return -1;
    }
    if (machine && info.st_uid == geteuid() && (info.st_mode & 0444) != 0444)
        fchmod(fd, 0644);  // the umask may have kept others out
    return fd;
}

}  // namespace

struct ProcessLock::Impl {
    int fd = -1;
    std::string failure;
};

ProcessLock::ProcessLock() : m_impl(std::make_unique<Impl>()) {}

ProcessLock::~ProcessLock() { Release(); }

bool ProcessLock::Held() const { return m_impl->fd >= 0; }

const std::string& ProcessLock::FailureReason() const { return m_impl->failure; }

void ProcessLock::Release() {
    if (m_impl->fd < 0) return;
    // Closing drops the lock; the file stays, so that a waiting process never
    // locks a file that is about to be unlinked.
    close(m_impl->fd);
    m_impl->fd = -1;
}

ProcessLock::Outcome ProcessLock::TryAcquire(std::u16string_view name, LockScope scope) {
    Release();
    std::string& why = m_impl->failure;
    why = LockRefusal(name);
    if (!why.empty()) return Outcome::Failed;
    const bool machine = scope == LockScope::Machine;
    const std::string folder = machine ? MachineFolder(why) : RuntimeFolder();
    if (folder.empty()) {
        if (!machine) why = "no runtime folder of this user's for the lock";
        return Outcome::Failed;
    }
    const std::string path = folder + (machine ? "/quillon." : "/") + Utf16ToUtf8(LockNameToken(name)) + ".lock";
    const int fd = OpenLockFile(path, scope, why);
    if (fd < 0) return Outcome::Failed;
    // flock locks belong to the open file, so a second ProcessLock of this
    // process is refused too, and the lock ends with the last descriptor.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        if (!busy) why = path + ": " + std::strerror(errno);
        close(fd);
        return busy ? Outcome::Busy : Outcome::Failed;
    }
    m_impl->fd = fd;
    return Outcome::Acquired;
}
