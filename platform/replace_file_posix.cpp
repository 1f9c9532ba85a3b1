#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/text.h"

namespace {

FileReplacement::Step g_failing = FileReplacement::Step::None;

bool Fails(FileReplacement::Step step) { return g_failing == step; }

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

struct FileReplacement::Impl {
    std::string destination;
    std::string temporary;
    int fd = -1;
};

FileReplacement::FileReplacement() : m_impl(std::make_unique<Impl>()) {}

FileReplacement::~FileReplacement() { Abandon(); }

void FileReplacement::FailStepForTesting(Step step) { g_failing = step; }

bool FileReplacement::Open(const char16_t* destination) {
    Abandon();
    m_impl->destination = Utf16ToUtf8(destination);
    const std::string& dest = m_impl->destination;
    if (dest.empty() || Fails(Step::Open)) return false;

    // Opening for writing would refuse a folder and a read-only file; so does
    // the replacement, even for root, whom permissions would not stop.
    struct stat existing {};
    const bool exists = stat(dest.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) return false;

    std::string pattern = dest + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return false;
    m_impl->fd = fd;
    m_impl->temporary = pattern;
    // The new file keeps the permissions of the one it replaces.
    const mode_t mode = exists ? (existing.st_mode & 07777) : [] {
        const mode_t mask = umask(0);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    fchmod(fd, mode);
    return true;
}

bool FileReplacement::Write(const void* data, std::size_t size) {
    if (m_impl->fd < 0 || Fails(Step::Write)) return false;
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
    if (Fails(Step::Flush) || fsync(m_impl->fd) != 0) {
        Abandon();
        return false;
    }
    const int fd = m_impl->fd;
    m_impl->fd = -1;
    if (::close(fd) != 0 || Fails(Step::Close)) {
        Abandon();
        return false;
    }
    if (Fails(Step::Replace) || std::rename(m_impl->temporary.c_str(), m_impl->destination.c_str()) != 0) {
        Abandon();
        return false;
    }
    m_impl->temporary.clear();
    // The rename itself reaches the disk only with its folder.
    const int dir = ::open(FolderOf(m_impl->destination).c_str(), O_RDONLY | O_DIRECTORY);
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
