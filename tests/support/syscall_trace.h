// Records, while a test asks for it, the calls with which this process puts
// files on disk: fsync (with the file its descriptor is open on) and rename.
// The test binary defines these functions itself and hands every call on to
// the C library, so the program's code linked into it reaches them first.
// POSIX only.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct SyscallEvent {
    std::string call;    // "fsync" or "rename"
    std::string path;    // fsync: the file the descriptor is open on; rename: the old name
    std::string target;  // rename: the new name; empty for fsync

    bool operator==(const SyscallEvent&) const = default;
};

// Prints an event in a test's failure message.
void PrintTo(const SyscallEvent& event, std::ostream* out);

class SyscallTrace {
public:
    // Starts recording; one trace at a time.
    SyscallTrace();
    // Stops recording.
    ~SyscallTrace();
    SyscallTrace(const SyscallTrace&) = delete;
    SyscallTrace& operator=(const SyscallTrace&) = delete;

    // Returns the calls recorded so far, in the order they were made, those
    // whose path begins with `prefix`.
    std::vector<SyscallEvent> EventsUnder(const std::string& prefix) const;
};
