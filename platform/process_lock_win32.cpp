#include <windows.h>

#include <sddl.h>

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

// A mutex in the Global namespace that a deployment tool running as SYSTEM,
// an administrator in another session and any authenticated user's tool can
// all take: the default rights of its maker would keep the others out.
HANDLE CreateMachineMutex(const std::u16string& name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x001F0001;;;SY)(A;;0x001F0001;;;BA)"
                                                              L"(A;;0x001F0001;;;AU)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexW(&attributes, FALSE, reinterpret_cast<const wchar_t*>(name.c_str()));
    LocalFree(descriptor);
    return mutex;
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

ProcessLock::Outcome ProcessLock::TryAcquire(std::u16string_view name, LockScope scope) {
    Release();
    if (InjectFault(FaultSite::Lock)) return Outcome::Failed;
    if (name.empty()) return Outcome::Failed;
    const bool machine = scope == LockScope::Machine;
    const std::u16string full = (machine ? u"Global\\Quillon." : u"Local\\Quillon.") + LockNameToken(name);
    if (HeldNames().count(full) != 0) return Outcome::Busy;
    HANDLE mutex = machine ? CreateMachineMutex(full)
                           : CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(full.c_str()));
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
