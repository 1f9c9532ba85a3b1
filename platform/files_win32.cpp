#include "platform/files.h"

#include <windows.h>

#include <io.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fault_injection.h"

char16_t PathSeparator() { return u'\\'; }

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace

std::FILE* OpenFile(const char16_t* path, const char* mode) {
    if (InjectFault(FaultSite::Open)) return nullptr;
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return nullptr;
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    std::FILE* file = _wfopen(Wide(path), wideMode.c_str());
    // A device or a pipe is no file to read or write here.
    if (file != nullptr && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

FileState ProbeFile(const char16_t* path) {
    if (InjectFault(FaultSite::Open)) return FileState::NoAccess;
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileState::Missing
                                                                              : FileState::NoAccess;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileState::NotRegular;
    HANDLE file = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FileState::NoAccess;
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return disk ? FileState::Regular : FileState::NotRegular;
}

bool ResolvePath(const char16_t* path, std::u16string& resolved) {
    HANDLE file = CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    wchar_t buffer[32768];
    const DWORD length = GetFinalPathNameByHandleW(file, buffer, 32768, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= 32768) return false;
    std::wstring full(buffer, length);
    // The final path comes as \\?\C:\... or \\?\UNC\server\...: give it the usual form.
    if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        full = L"\\\\" + full.substr(8);
    } else if (full.rfind(L"\\\\?\\", 0) == 0) {
        full = full.substr(4);
    }
    resolved.assign(full.begin(), full.end());
    return true;
}

struct DirectorySearch::Impl {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    std::u16string name;
};

DirectorySearch::DirectorySearch() : m_impl(std::make_unique<Impl>()) {}

DirectorySearch::~DirectorySearch() { Close(); }

bool DirectorySearch::First(const char16_t* pattern) {
    Close();
    m_impl->find = FindFirstFileW(Wide(pattern ? pattern : u""), &m_impl->data);
    if (m_impl->find == INVALID_HANDLE_VALUE) return false;
    m_impl->name = reinterpret_cast<const char16_t*>(m_impl->data.cFileName);
    return true;
}

bool DirectorySearch::Next() {
    if (m_impl->find == INVALID_HANDLE_VALUE) return false;
    if (!FindNextFileW(m_impl->find, &m_impl->data)) return false;
    m_impl->name = reinterpret_cast<const char16_t*>(m_impl->data.cFileName);
    return true;
}

const std::u16string& DirectorySearch::Name() const { return m_impl->name; }

bool DirectorySearch::IsFolder() const { return (m_impl->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

void DirectorySearch::Close() {
    if (m_impl->find != INVALID_HANDLE_VALUE) {
        FindClose(m_impl->find);
        m_impl->find = INVALID_HANDLE_VALUE;
    }
}

bool CopyFileReplacing(const char16_t* source, const char16_t* destination) {
    // Windows refuses to replace a read-only file; wine, run by root, would
    // write through the attribute, so it is checked here first.
    const DWORD attributes = GetFileAttributesW(Wide(destination));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return CopyFileW(Wide(source), Wide(destination), FALSE) != 0;
}

bool ReadReadOnly(const char16_t* path, bool& readOnly) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return true;
}

bool ClearReadOnly(const char16_t* path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return SetFileAttributesW(Wide(path), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

bool ReadEnvironment(const char16_t* name, std::u16string& value) {
    const wchar_t* text = _wgetenv(Wide(name));
    if (!text) return false;
    value = reinterpret_cast<const char16_t*>(text);
    return true;
}

bool ReadOwnModulePath(std::u16string& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) return false;
        // A full buffer means the path was cut: try again with more room.
        if (got < buffer.size()) {
            path.assign(reinterpret_cast<const char16_t*>(buffer.data()), got);
            return true;
        }
        if (buffer.size() >= 32768) return false;
        buffer.resize(buffer.size() * 2);
    }
}
