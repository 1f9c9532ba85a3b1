#include "platform/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fault_injection.h"
#include "platform/text.h"

namespace {

constexpr char kTemporaryInfix[] = ".~quillon.";

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a replacement of `path` must write: the path itself, or for a
// symbolic link the file it points to, so that the link stays a link. False
// for a link that leads nowhere.
bool ReplacedFile(const std::string& path, std::string& file) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        file = path;
        return true;
    }
    char* target = realpath(path.c_str(), nullptr);
    if (target == nullptr) return false;
    file = target;
    std::free(target);
    return true;
}

}  // namespace

struct FileReplacement::Impl {
    std::string destination;
    std::string temporary;
    int fd = -1;
};

FileReplacement::FileReplacement() : m_impl(std::make_unique<Impl>()) {}

FileReplacement::~FileReplacement() { Abandon(); }

bool FileReplacement::Open(const char16_t* destination) {
    Abandon();
    if (InjectFault(FaultSite::Open)) return false;
    std::string& dest = m_impl->destination;
    if (!ReplacedFile(Utf16ToUtf8(destination), dest) || dest.empty()) return false;

    // Opening for writing would refuse a folder and a read-only file; so does
    // the replacement, even for root, whom permissions would not stop.
    struct stat existing {};
    const bool exists = stat(dest.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) return false;

    std::string pattern = dest + kTemporaryInfix + "XXXXXX";
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return false;
    m_impl->fd = fd;
    m_impl->temporary = pattern;
    // The new file takes the owner, group and mode of the one it replaces, so
    // that the print service can go on reading it. Changing the owner is
    // for root (or a member of the group); where it is not permitted the file
    // is the writer's, as any file the writer makes.
    if (exists) {
        struct stat made {};
        if (fstat(fd, &made) != 0) {
            Abandon();
            return false;
        }
        if (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) {
            if (InjectFault(FaultSite::Chown) ||
                (fchown(fd, existing.st_uid, existing.st_gid) != 0 && errno != EPERM)) {
                Abandon();
                return false;
            }
        }
    }
    const mode_t mode = exists ? (existing.st_mode & 07777) : [] {
        const mode_t mask = umask(0);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    fchmod(fd, mode);
    return true;
}

bool FileReplacement::Write(const void* data, std::size_t size) {
    if (m_impl->fd < 0 || InjectFault(FaultSite::Write)) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(m_impl->fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool FileReplacement::Commit() {
    if (m_impl->fd < 0) return false;
    if (InjectFault(FaultSite::Flush) || fsync(m_impl->fd) != 0) {
        Abandon();
        return false;
    }
    const int fd = m_impl->fd;
    m_impl->fd = -1;
    if (::close(fd) != 0 || InjectFault(FaultSite::Close)) {
        Abandon();
        return false;
    }
    if (InjectFault(FaultSite::Replace) || std::rename(m_impl->temporary.c_str(), m_impl->destination.c_str()) != 0) {
        Abandon();
        return false;
    }
    m_impl->temporary.clear();
    // The rename itself reaches the disk only with its folder.
    const int dir = ::open(FolderOf(m_impl->destination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

void FileReplacement::Abandon() {
    if (m_impl->fd >= 0) {
        ::close(m_impl->fd);
        m_impl->fd = -1;
    }
    if (!m_impl->temporary.empty()) {
        ::unlink(m_impl->temporary.c_str());
        m_impl->temporary.clear();
    }
}

void FileReplacement::RemoveLeftovers(const char16_t* destination) {
    std::string file;
    if (!ReplacedFile(Utf16ToUtf8(destination), file)) return;
    const std::string folder = FolderOf(file);
    const std::string prefix = NameOf(file) + kTemporaryInfix;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        // mkostemp's six characters follow the infix.
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
    }
    closedir(dir);
}
