// Files and folders by UTF-16 path: the core names files in UTF-16 and the
// platform decides how the operating system sees the name (POSIX: UTF-8;
// Windows: the wide API).
#pragma once

#include <cstdio>
#include <memory>
#include <string>

// Returns the folder separator of the platform: '\\' on Windows, '/' on POSIX.
char16_t PathSeparator();

// Opens the file at `path` with the C runtime mode ("rb", "wb", ...).
// Returns null when it cannot be opened, and at once, without blocking, for
// anything but a regular file (a folder, a FIFO, a device).
std::FILE* OpenFile(const char16_t* path, const char* mode);

// What stands at a path, as a file to be read.
enum class FileState { Regular, Missing, NotRegular, NoAccess };

// Tells, without blocking, whether `path` names a regular file that can be
// opened for reading (Regular), nothing (Missing), something else such as a
// folder or a FIFO (NotRegular), or a file that cannot be opened (NoAccess).
FileState ProbeFile(const char16_t* path);

// Returns the absolute form of `path` with every link followed (POSIX:
// realpath; Windows: the final path of the opened file), the same text for
// every name of one file reached through links. False when the file does not
// exist or cannot be reached.
bool ResolvePath(const char16_t* path, std::u16string& resolved);

// A directory search with the semantics of FindFirstFileW/FindNextFileW: the
// pattern is a folder path followed by a name pattern with '*' and '?',
// matched without regard to letter case; folders are found too; entries come
// in the order the file system yields them.
class DirectorySearch {
public:
    DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;
    ~DirectorySearch();

    // Starts the search; false when nothing matches or the folder cannot be read.
    bool First(const char16_t* pattern);
    // Moves to the next match; false when there is none.
    bool Next();
    // The current entry's file name (no folder) and whether it is a folder.
    const std::u16string& Name() const;
    bool IsFolder() const;
    // Ends the search; safe to call twice.
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Copies a file, replacing the destination (CopyFileW with fail-if-exists
// false); the copy keeps the source's attributes, read-only included.
// Returns false when the copy failed: the source is missing or a folder, or
// the destination is a folder or read-only.
bool CopyFileReplacing(const char16_t* source, const char16_t* destination);

// Reads whether the file is read-only; false when the attributes cannot be read.
bool ReadReadOnly(const char16_t* path, bool& readOnly);

// Clears the read-only attribute (POSIX: a file without any write permission
// gets the owner's). False when the attributes cannot be read or written.
bool ClearReadOnly(const char16_t* path);

// Returns the value of an environment variable; false when it is unset.
bool ReadEnvironment(const char16_t* name, std::u16string& value);

// Returns the full path of the running program's own module; false when it
// cannot be had.
bool ReadModulePath(std::u16string& path);

// The platform's own answer to ReadModulePath.
bool ReadOwnModulePath(std::u16string& path);

// Tests: makes ReadModulePath answer `path` (an empty one: fail); null
// restores the platform's own answer.
void OverrideModulePathForTesting(const std::u16string* path);
