#include <windows.h>

#include <set>
#include <string>

#include "platform/fault_injection.h"
#include "platform/process_lock.h"

namespace {

// A mutex may be re-entered by the thread that owns it; a second lock of this
// process must be refused like any other holder's, so the names held here
// are kept.
std::set<std::u16string>& HeldNames() {
    static std::set<std::u16string> names;
    return names;
}

}  // namespace

struct ProcessLock::Impl {
    HANDLE mutex = nullptr;
    std::u16string name;
};

ProcessLock::ProcessLock() : m_impl(std::make_unique<Impl>()) {}

ProcessLock::~ProcessLock() { Release(); }

bool ProcessLock::Held() const { return m_impl->mutex != nullptr; }

void ProcessLock::Release() {
    if (m_impl->mutex == nullptr) return;
    ReleaseMutex(m_impl->mutex);
    CloseHandle(m_impl->mutex);
    m_impl->mutex = nullptr;
    HeldNames().erase(m_impl->name);
}

ProcessLock::Outcome ProcessLock::TryAcquire(std::u16string_view name) {
    Release();
    if (InjectFault(FaultSite::Lock)) return Outcome::Failed;
    if (name.empty()) return Outcome::Failed;
    const std::u16string full = u"Local\\Quillon." + LockNameToken(name);
    if (HeldNames().count(full) != 0) return Outcome::Busy;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(full.c_str()));
    if (mutex == nullptr) return Outcome::Failed;
    // A mutex left by a holder that died is handed over as abandoned: ours now.
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return waited == WAIT_TIMEOUT ? Outcome::Busy : Outcome::Failed;
    }
    m_impl->mutex = mutex;
    m_impl->name = full;
    HeldNames().insert(full);
    return Outcome::Acquired;
}
