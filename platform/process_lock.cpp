#include "platform/process_lock.h"

#include "platform/fault_injection.h"

// Both platforms' TryAcquire ask here first, so that these failures read
// alike wherever the program runs.
std::string LockRefusal(std::u16string_view name) {
    if (InjectFault(FaultSite::Lock)) return "made to fail by a test";
    if (name.empty()) return "a lock needs a name";
    return {};
}
