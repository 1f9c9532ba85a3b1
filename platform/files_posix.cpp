#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/replace_file.h"
#include "platform/text.h"

char16_t PathSeparator() { return u'/'; }

namespace {

// The open(2) flags of a C runtime mode.
int OpenFlags(const char* mode) {
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
        case 'r': return update ? O_RDWR : O_RDONLY;
        case 'w': return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        case 'a': return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    }
    return -1;
}

}  // namespace

std::FILE* OpenFile(const char16_t* path, const char* mode) {
    const int flags = OpenFlags(mode);
    if (flags < 0 || InjectFault(FaultSite::Open)) return nullptr;
    // File names are UTF-8 here, the system's own encoding. Opening without
    // blocking keeps a FIFO from stopping the program; a folder opens for
    // reading here but not on Windows, where no folder is a file.
    const int fd = ::open(Utf16ToUtf8(path).c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, mode);
    if (file == nullptr) ::close(fd);
    return file;
}

FileState ProbeFile(const char16_t* path) {
    if (InjectFault(FaultSite::Open)) return FileState::NoAccess;
    const int fd = ::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::NoAccess;
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? FileState::Regular : FileState::NotRegular;
}

bool ResolvePath(const char16_t* path, std::u16string& resolved) {
    char* full = realpath(Utf16ToUtf8(path).c_str(), nullptr);
    if (full == nullptr) return false;
    resolved = Utf8ToUtf16(full);
    std::free(full);
    return true;
}

namespace {

constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// '*' matches any run of units, '?' exactly one; letters match either case,
// as the Windows search does. Greedy with one backtrack point, so a pattern
// full of stars cannot make the search take exponential time.
bool MatchesPattern(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace

struct DirectorySearch::Impl {
    DIR* dir = nullptr;
    std::string folder;  // UTF-8, with its separator unless empty
    std::u16string namePattern;
    std::u16string name;
    bool isFolder = false;
};

DirectorySearch::DirectorySearch() : m_impl(std::make_unique<Impl>()) {}

DirectorySearch::~DirectorySearch() { Close(); }

bool DirectorySearch::First(const char16_t* pattern) {
    Close();
    const std::u16string_view whole(pattern ? pattern : u"");
    const std::size_t slash = whole.rfind(u'/');
    std::string folder;
    if (slash == std::u16string_view::npos) {
        m_impl->namePattern = std::u16string(whole);
    } else {
        folder = Utf16ToUtf8(whole.substr(0, slash + 1));
        m_impl->namePattern = std::u16string(whole.substr(slash + 1));
    }
    // An empty name pattern names the folder itself, which is no entry.
    if (m_impl->namePattern.empty()) return false;
    m_impl->folder = folder;
    m_impl->dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!m_impl->dir) return false;
    if (Next()) return true;
    Close();
    return false;
}

bool DirectorySearch::Next() {
    if (!m_impl->dir) return false;
    while (const dirent* entry = readdir(m_impl->dir)) {
        std::u16string name = Utf8ToUtf16(entry->d_name);
        if (!MatchesPattern(m_impl->namePattern, name)) continue;
        bool isFolder = false;
#ifdef DT_DIR
        if (entry->d_type == DT_DIR) {
            isFolder = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
#endif
        {
            // A link counts as what it points to, as a Windows link does.
            struct stat info {};
            const std::string path = m_impl->folder + entry->d_name;
            isFolder = stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        m_impl->name = std::move(name);
        m_impl->isFolder = isFolder;
        return true;
    }
    return false;
}

const std::u16string& DirectorySearch::Name() const { return m_impl->name; }

bool DirectorySearch::IsFolder() const { return m_impl->isFolder; }

void DirectorySearch::Close() {
    if (m_impl->dir) {
        closedir(m_impl->dir);
        m_impl->dir = nullptr;
    }
}

bool CopyFileReplacing(const char16_t* source, const char16_t* destination) {
    const std::string from = Utf16ToUtf8(source);
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat info {};
    // Only a plain file can be copied: a folder as source fails, as it does on Windows.
    if (fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return false;
    }
    // The replacement refuses a read-only destination, as Windows does even
    // for an administrator, and never leaves it half written.
    FileReplacement out;
    bool ok = out.Open(destination);
    std::vector<char> buffer(64 * 1024);
    while (ok) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = out.Write(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(in);
    if (!ok || !out.Commit()) return false;
    // The copy keeps the source's attributes and time of last change.
    const std::string to = Utf16ToUtf8(destination);
    chmod(to.c_str(), info.st_mode & 0777);
    const timespec times[2] = {info.st_atim, info.st_mtim};
    utimensat(AT_FDCWD, to.c_str(), times, 0);
    return true;
}

bool ReadReadOnly(const char16_t* path, bool& readOnly) {
    struct stat info {};
    if (stat(Utf16ToUtf8(path).c_str(), &info) != 0) return false;
    readOnly = (info.st_mode & kAnyWrite) == 0;
    return true;
}

bool ClearReadOnly(const char16_t* path) {
    const std::string name = Utf16ToUtf8(path);
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) return false;
    // A file that someone may write is not read-only: it stays as it is.
    if ((info.st_mode & kAnyWrite) != 0) return true;
    return chmod(name.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool ReadEnvironment(const char16_t* name, std::u16string& value) {
    const char* text = std::getenv(Utf16ToUtf8(name).c_str());
    if (!text) return false;
    value = Utf8ToUtf16(text);
    return true;
}

bool ReadOwnModulePath(std::u16string& path) {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t got = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) return false;
        if (static_cast<std::size_t>(got) < buffer.size()) {
            path = Utf8ToUtf16(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}
