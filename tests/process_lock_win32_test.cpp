// The Windows lock: who may do what with the machine-wide mutex, read back
// from the mutex itself (wine enforces no ACLs, so the list is what can be
// checked there), a handle that may only wait, as a standard user's is, taking
// and releasing it, and an object of another kind in the mutex's place.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

#include "platform/process_lock.h"
#include "platform/text.h"

namespace {

// The DACL of the mutex `name`: each SID (as text) with the rights it is
// allowed; an ACE of another type is entered as "type <n>".
std::map<std::string, DWORD> AllowedRights(const wchar_t* name) {
    std::map<std::string, DWORD> allowed;
    HANDLE mutex = OpenMutexW(READ_CONTROL, FALSE, name);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (mutex == nullptr || GetSecurityInfo(mutex, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                            nullptr, &descriptor) != ERROR_SUCCESS) {
        if (mutex != nullptr) CloseHandle(mutex);
        return allowed;
    }
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            allowed["type " + std::to_string(header->AceType)] = 0;
            continue;
        }
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        wchar_t* sid = nullptr;
        if (!ConvertSidToStringSidW(&entry->SidStart, &sid)) continue;
        allowed[Utf16ToUtf8(reinterpret_cast<const char16_t*>(sid))] |= entry->Mask;
        LocalFree(sid);
    }
    LocalFree(descriptor);
    CloseHandle(mutex);
    return allowed;
}

// What another thread, holding only SYNCHRONIZE on the mutex `name`, gets
// from waiting for it without waiting, and whether it could release it then.
struct OtherWaiter {
    DWORD waited = WAIT_FAILED;
    bool released = false;
};

OtherWaiter WaitFromAnotherThread(const wchar_t* name) {
    OtherWaiter result;
    std::thread([&] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
        if (mutex == nullptr) return;
        result.waited = WaitForSingleObject(mutex, 0);
        if (result.waited == WAIT_OBJECT_0) result.released = ReleaseMutex(mutex) != 0;
        CloseHandle(mutex);
    }).join();
    return result;
}

}  // namespace

TEST(ProcessLockWin32, OtherUsersMayOnlyTakeAndReleaseTheMachineMutex) {
    const wchar_t* name = L"Global\\Quillon.QuillonAclTest";
    ProcessLock held;
    ASSERT_EQ(held.TryAcquire(u"QuillonAclTest", LockScope::Machine), ProcessLock::Outcome::Acquired);

    const struct {
        const char* who;
        const char* sid;
        DWORD rights;
    } expected[] = {
        {"SYSTEM", "S-1-5-18", MUTEX_ALL_ACCESS},
        {"administrators", "S-1-5-32-544", MUTEX_ALL_ACCESS},
        {"authenticated users", "S-1-5-11", SYNCHRONIZE},
        {"the owner, whoever made it", "S-1-3-4", SYNCHRONIZE},
    };
    std::map<std::string, DWORD> allowed = AllowedRights(name);
    for (const auto& e : expected) {
        SCOPED_TRACE(e.who);
        ASSERT_EQ(allowed.count(e.sid), 1u);
        EXPECT_EQ(allowed[e.sid], e.rights);
        allowed.erase(e.sid);
    }
    EXPECT_TRUE(allowed.empty()) << "nobody else: " << allowed.begin()->first;

    // A handle that may only wait is refused while the lock is held, takes
    // the mutex once it is free and releases it again. (The mutex goes with
    // its last handle: one more keeps it there once the lock is released.)
    HANDLE kept = OpenMutexW(SYNCHRONIZE, FALSE, name);
    ASSERT_NE(kept, nullptr);
    const OtherWaiter whileHeld = WaitFromAnotherThread(name);
    EXPECT_EQ(whileHeld.waited, static_cast<DWORD>(WAIT_TIMEOUT));
    held.Release();
    const OtherWaiter onceFree = WaitFromAnotherThread(name);
    EXPECT_EQ(onceFree.waited, WAIT_OBJECT_0);
    EXPECT_TRUE(onceFree.released);
    EXPECT_EQ(held.TryAcquire(u"QuillonAclTest", LockScope::Machine), ProcessLock::Outcome::Acquired);
    CloseHandle(kept);
}

// An event of the lock's name keeps the mutex from being made, in either
// namespace; the lock then fails and names what it could not make.
TEST(ProcessLockWin32, AnotherKindOfObjectInTheMutexsPlaceFailsTheLockAndSaysWhy) {
    const struct {
        LockScope scope;
        const wchar_t* object;
        const char* reason;
    } cases[] = {
        {LockScope::User, L"Local\\Quillon.QuillonEventTest", "Local\\Quillon.QuillonEventTest"},
        {LockScope::Machine, L"Global\\Quillon.QuillonEventTest", "Global\\Quillon.QuillonEventTest"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, c.object);
        ASSERT_NE(event, nullptr);
        ProcessLock lock;
        EXPECT_EQ(lock.TryAcquire(u"QuillonEventTest", c.scope), ProcessLock::Outcome::Failed);
        EXPECT_EQ(lock.FailureReason(), std::string(c.reason) + " cannot be made or opened (error " +
                                            std::to_string(ERROR_INVALID_HANDLE) + ")");
        CloseHandle(event);
        EXPECT_EQ(lock.TryAcquire(u"QuillonEventTest", c.scope), ProcessLock::Outcome::Acquired);
        EXPECT_EQ(lock.FailureReason(), "");
    }
}
