// Replaces a file in one step: the new content goes into a temporary file in
// the destination's folder, is flushed to disk, and then takes the
// destination's place, so that a failed or interrupted write never leaves a
// destination half written. The replaced file stays the print system's: it
// keeps its owner, group and mode (POSIX; Windows: ReplaceFileW keeps its
// access rights and attributes), and a destination that is a symbolic link
// stays a link: the file it points to is replaced, in its own folder. A
// destination with several hard links becomes a file of its own; the other
// names keep the old content.
#pragma once

#include <cstddef>
#include <memory>

class FileReplacement {
public:
    FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    // Abandons an uncommitted replacement: the temporary file is removed.
    ~FileReplacement();

    // Opens a temporary file beside `destination` (beside the file a link
    // points to), named "<file name>.~quillon.<unique part>". Fails (false)
    // when the destination is anything but a regular file or a link to one,
    // an existing read-only file, or when the folder takes no new file.
    bool Open(const char16_t* destination);

    // Appends bytes to the temporary file; false on any error.
    bool Write(const void* data, std::size_t size);

    // Flushes the temporary file to disk and puts it in the destination's
    // place. False on any error; the destination is then as it was and the
    // temporary file is gone.
    bool Commit();

    // Removes the temporary file of an uncommitted replacement.
    void Abandon();

    // Removes the temporary files of `destination` that an interrupted
    // replacement left behind. Only for a caller that holds the lock on the
    // destination: another writer's temporary file looks the same.
    static void RemoveLeftovers(const char16_t* destination);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
