#include <windows.h>

#include <sddl.h>

#include <set>
#include <string>

#include "platform/process_lock.h"
#include "platform/text.h"

namespace {

// A mutex may be re-entered by the thread that owns it; a second lock of this
// process must be refused like any other holder's, so the names held here
// are kept.
std::set<std::u16string>& HeldNames() {
    static std::set<std::u16string> names;
    return names;
}

// Who may do what with a machine-wide mutex. SYSTEM (a deployment tool) and
// administrators keep full control. Every other authenticated user gets
// SYNCHRONIZE alone: enough to wait for the mutex, which takes it, and to
// release it, for which ReleaseMutex asks no right of the handle; not enough
// to change who may take it. The ACE for the owner's rights takes away the
// READ_CONTROL and WRITE_DAC that the user whose run happened to make the
// mutex would otherwise be given for owning it.
constexpr wchar_t kMachineMutexAccess[] =
    L"D:(A;;0x001F0001;;;SY)(A;;0x001F0001;;;BA)(A;;0x00100000;;;AU)(A;;0x00100000;;;OW)";

// "<name> cannot be <what> (error <n>)", with the thread's last error.
std::string CannotBe(const std::u16string& name, const char* what) {
    const DWORD error = GetLastError();  // before anything else can change it
    return Utf16ToUtf8(name) + " cannot be " + what + " (error " + std::to_string(error) + ")";
}

// Makes or opens the machine-wide mutex `name`; null, with `why` set, when
// neither can be done. The handle asks for SYNCHRONIZE alone: CreateMutexW
// would ask for MUTEX_ALL_ACCESS, which is refused to a standard user on a
// mutex that is already there.
HANDLE OpenMachineMutex(const std::u16string& name, std::string& why) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kMachineMutexAccess, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        why = CannotBe(name, "given its security descriptor");
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexExW(&attributes, reinterpret_cast<const wchar_t*>(name.c_str()), 0, SYNCHRONIZE);
    if (mutex == nullptr) why = CannotBe(name, "made or opened");
    LocalFree(descriptor);
    return mutex;
}

}  // namespace

struct ProcessLock::Impl {
    HANDLE mutex = nullptr;
    std::u16string name;
    std::string failure;
};

ProcessLock::ProcessLock() : m_impl(std::make_unique<Impl>()) {}

ProcessLock::~ProcessLock() { Release(); }

bool ProcessLock::Held() const { return m_impl->mutex != nullptr; }

const std::string& ProcessLock::FailureReason() const { return m_impl->failure; }

void ProcessLock::Release() {
    if (m_impl->mutex == nullptr) return;
    ReleaseMutex(m_impl->mutex);
    CloseHandle(m_impl->mutex);
    m_impl->mutex = nullptr;
    HeldNames().erase(m_impl->name);
}

ProcessLock::Outcome ProcessLock::TryAcquire(std::u16string_view name, LockScope scope) {
    Release();
    std::string& why = m_impl->failure;
    why = LockRefusal(name);
    if (!why.empty()) return Outcome::Failed;
    const bool machine = scope == LockScope::Machine;
    const std::u16string full = (machine ? u"Global\\Quillon." : u"Local\\Quillon.") + LockNameToken(name);
    if (HeldNames().count(full) != 0) return Outcome::Busy;
    HANDLE mutex = nullptr;
    if (machine) {
        mutex = OpenMachineMutex(full, why);
    } else {
        mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(full.c_str()));
        if (mutex == nullptr) why = CannotBe(full, "made or opened");
    }
    if (mutex == nullptr) return Outcome::Failed;
    // A mutex left by a holder that died is handed over as abandoned: ours now.
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        if (waited != WAIT_TIMEOUT) why = CannotBe(full, "waited for");
        CloseHandle(mutex);
        return waited == WAIT_TIMEOUT ? Outcome::Busy : Outcome::Failed;
    }
    m_impl->mutex = mutex;
    m_impl->name = full;
    HeldNames().insert(full);
    return Outcome::Acquired;
}
