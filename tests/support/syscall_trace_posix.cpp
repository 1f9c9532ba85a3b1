#include "support/syscall_trace.h"

#include <dlfcn.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <ostream>

namespace {

std::atomic<bool> g_recording{false};
std::mutex g_mutex;
std::vector<SyscallEvent> g_events;

// The next definition after this binary's own: the C library's (or a
// sanitizer's, which hands on to the C library in turn).
template <class Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void Record(SyscallEvent event) {
    const std::lock_guard<std::mutex> hold(g_mutex);
    g_events.push_back(std::move(event));
}

std::string FileOfDescriptor(int fd) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    char target[4096];
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    return length < 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

}  // namespace

// Declared as <unistd.h> and <stdio.h> declare them.
extern "C" int fsync(int fd) {
    static const auto next = Next<int (*)(int)>("fsync");
    if (g_recording.load()) Record({"fsync", FileOfDescriptor(fd), ""});
    return next(fd);
}

extern "C" int rename(const char* oldName, const char* newName) noexcept {
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    if (g_recording.load()) Record({"rename", oldName, newName});
    return next(oldName, newName);
}

void PrintTo(const SyscallEvent& event, std::ostream* out) {
    *out << event.call << "(" << event.path << (event.target.empty() ? "" : " -> " + event.target) << ")";
}

SyscallTrace::SyscallTrace() {
    {
        const std::lock_guard<std::mutex> hold(g_mutex);
        g_events.clear();
    }
    g_recording.store(true);
}

SyscallTrace::~SyscallTrace() { g_recording.store(false); }

std::vector<SyscallEvent> SyscallTrace::EventsUnder(const std::string& prefix) const {
    const std::lock_guard<std::mutex> hold(g_mutex);
    std::vector<SyscallEvent> found;
    for (const SyscallEvent& event : g_events)
        if (event.path.compare(0, prefix.size(), prefix) == 0) found.push_back(event);
    return found;
}
