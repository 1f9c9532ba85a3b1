#include "platform/replace_file.h"

#include <windows.h>

#include <string>

#include "platform/fault_injection.h"
#include "platform/files.h"

namespace {

constexpr wchar_t kTemporaryInfix[] = L".~quillon.";

// The file a replacement of `path` must write, as a full path: for a symbolic
// link the file it points to, so that the link stays a link. ReplaceFileW
// cannot place its work file beside a name without a folder ("PrinterA.ppr"
// run in the profile's folder), and the leftovers are searched in the folder
// of the name, so a relative name is made full first.
bool ReplacedFile(const std::wstring& path, std::wstring& file) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        if (length == 0) return false;
        file.assign(length, L'\0');
        const DWORD written = GetFullPathNameW(path.c_str(), length, file.data(), nullptr);
        if (written == 0 || written >= length) return false;
        file.resize(written);
        return true;
    }
    std::u16string resolved;
    if (!ResolvePath(reinterpret_cast<const char16_t*>(path.c_str()), resolved)) return false;
    file.assign(resolved.begin(), resolved.end());
    return true;
}

}  // namespace

struct FileReplacement::Impl {
    std::wstring destination;
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
};

FileReplacement::FileReplacement() : m_impl(std::make_unique<Impl>()) {}

FileReplacement::~FileReplacement() { Abandon(); }

bool FileReplacement::Open(const char16_t* destination) {
    Abandon();
    if (InjectFault(FaultSite::Open)) return false;
    std::wstring& dest = m_impl->destination;
    if (!ReplacedFile(reinterpret_cast<const wchar_t*>(destination), dest) || dest.empty()) return false;

    const DWORD attributes = GetFileAttributesW(dest.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;

    // The temporary file lives in the destination's folder so that the move
    // is a rename on one volume.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate =
            dest + kTemporaryInfix + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(attempt);
        HANDLE file =
            CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_impl->file = file;
            m_impl->temporary = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool FileReplacement::Write(const void* data, std::size_t size) {
    if (m_impl->file == INVALID_HANDLE_VALUE || InjectFault(FaultSite::Write)) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(m_impl->file, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool FileReplacement::Commit() {
    if (m_impl->file == INVALID_HANDLE_VALUE) return false;
    if (InjectFault(FaultSite::Flush) || !FlushFileBuffers(m_impl->file)) {
        Abandon();
        return false;
    }
    HANDLE file = m_impl->file;
    m_impl->file = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file) || InjectFault(FaultSite::Close)) {
        Abandon();
        return false;
    }
    // ReplaceFileW keeps the replaced file's access rights and attributes;
    // a destination that does not exist yet is a plain move.
    const bool exists = GetFileAttributesW(m_impl->destination.c_str()) != INVALID_FILE_ATTRIBUTES;
    const bool replaced =
        !InjectFault(FaultSite::Replace) &&
        (exists ? ReplaceFileW(m_impl->destination.c_str(), m_impl->temporary.c_str(), nullptr,
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                : MoveFileExW(m_impl->temporary.c_str(), m_impl->destination.c_str(), MOVEFILE_WRITE_THROUGH) != 0);
    if (!replaced) {
        Abandon();
        return false;
    }
    m_impl->temporary.clear();
    return true;
}

void FileReplacement::Abandon() {
    if (m_impl->file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_impl->file);
        m_impl->file = INVALID_HANDLE_VALUE;
    }
    if (!m_impl->temporary.empty()) {
        DeleteFileW(m_impl->temporary.c_str());
        m_impl->temporary.clear();
    }
}

void FileReplacement::RemoveLeftovers(const char16_t* destination) {
    std::wstring file;
    if (!ReplacedFile(reinterpret_cast<const wchar_t*>(destination), file)) return;
    const std::wstring pattern = file + kTemporaryInfix + L"*";
    const std::size_t slash = file.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : file.substr(0, slash + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}
