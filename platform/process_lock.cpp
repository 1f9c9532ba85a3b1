#include "platform/process_lock.h"

#include "platform/fault_injection.h"

// The parts of ProcessLock that both platforms share.

std::u16string LockNameToken(std::u16string_view name) {
    std::u16string token(name);
    for (char16_t& c : token) {
        const bool keep = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                          c == u'-' || c == u'_' || c == u'.';
        if (!keep) c = u'_';
    }
    return token;
}

// Both platforms' TryAcquire ask here first, so that these failures read
// alike wherever the program runs.
std::string LockRefusal(std::u16string_view name) {
    if (InjectFault(FaultSite::Lock)) return "made to fail by a test";
    if (name.empty()) return "a lock needs a name";
    return {};
}
