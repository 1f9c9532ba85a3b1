// Where the library itself lies, so that its default store sits beside it.
#include "standins/tovrel/tovrel_store.h"

#ifdef _WIN32

#include <windows.h>

#include <vector>

bool ReadLibraryPath(std::u16string& path) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ReadLibraryPath), &module))
        return false;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return false;
        if (length < buffer.size()) {
            path.assign(reinterpret_cast<const char16_t*>(buffer.data()), length);
            return true;
        }
        if (buffer.size() >= 32768) return false;
        buffer.resize(buffer.size() * 2);
    }
}

#else

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/text.h"

bool ReadLibraryPath(std::u16string& path) {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ReadLibraryPath), &info) || !info.dli_fname) return false;
    // A library loaded by a relative name would otherwise move with the working folder.
    char resolved[PATH_MAX];
    const char* name = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    path = Utf8ToUtf16(name);
    return true;
}

#endif
