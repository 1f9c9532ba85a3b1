// Replaces a file in one step: the new content goes into a temporary file in
// the destination's folder, is flushed to disk, and then takes the
// destination's place, so that a failed or interrupted write never leaves a
// destination half written.
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

    // Opens a temporary file beside `destination`. Fails (false) when the
    // destination is a folder or an existing read-only file, or when the
    // folder takes no new file.
    bool Open(const char16_t* destination);

    // Appends bytes to the temporary file; false on any error.
    bool Write(const void* data, std::size_t size);

    // Flushes the temporary file to disk and puts it in the destination's
    // place. False on any error; the destination is then as it was and the
    // temporary file is gone.
    bool Commit();

    // Removes the temporary file of an uncommitted replacement.
    void Abandon();

    // The steps a test can make fail.
    enum class Step { None, Open, Write, Flush, Close, Replace };
    // Makes the given step fail in every later replacement, as the operating
    // system would; Step::None ends that.
    static void FailStepForTesting(Step step);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
