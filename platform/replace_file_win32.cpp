#include "platform/replace_file.h"

#include <windows.h>

#include <string>

namespace {

FileReplacement::Step g_failing = FileReplacement::Step::None;

bool Fails(FileReplacement::Step step) { return g_failing == step; }

}  // namespace

struct FileReplacement::Impl {
    std::wstring destination;
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
};

FileReplacement::FileReplacement() : m_impl(std::make_unique<Impl>()) {}

FileReplacement::~FileReplacement() { Abandon(); }

void FileReplacement::FailStepForTesting(Step step) { g_failing = step; }

bool FileReplacement::Open(const char16_t* destination) {
    Abandon();
    m_impl->destination = reinterpret_cast<const wchar_t*>(destination);
    const std::wstring& dest = m_impl->destination;
    if (dest.empty() || Fails(Step::Open)) return false;

    const DWORD attributes = GetFileAttributesW(dest.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;

    // The temporary file lives in the destination's folder so that the move
    // is a rename on one volume.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate =
            dest + L".~" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(attempt);
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
    if (m_impl->file == INVALID_HANDLE_VALUE || Fails(Step::Write)) return false;
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
    if (Fails(Step::Flush) || !FlushFileBuffers(m_impl->file)) {
        Abandon();
        return false;
    }
    HANDLE file = m_impl->file;
    m_impl->file = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file) || Fails(Step::Close)) {
        Abandon();
        return false;
    }
    if (Fails(Step::Replace) || !MoveFileExW(m_impl->temporary.c_str(), m_impl->destination.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
