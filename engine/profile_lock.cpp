#include "engine/profile_lock.h"

#include <cstdint>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "profile/records.h"

namespace {

// The name of a profile's lock: a hash of its resolved path, which keeps the
// name short whatever the path.
std::u16string ProfileLockName(const std::u16string& resolvedPath) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a over the UTF-16 units
    for (char16_t unit : resolvedPath) {
        hash = (hash ^ (unit & 0xFF)) * 1099511628211ull;
        hash = (hash ^ (unit >> 8)) * 1099511628211ull;
    }
    static const char16_t kDigits[] = u"0123456789abcdef";
    std::u16string name = u"profile-";
    for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(hash >> shift) & 0xF];
    return name;
}

// The resolved path of `path`; for a file not there yet its resolved folder
// and its own name; in a folder that is not there either (nothing can be
// read or written there) the path as given.
std::u16string ResolveProfilePath(const std::u16string& path) {
    std::u16string resolved;
    if (ResolvePath(path.c_str(), resolved)) return resolved;
    const std::size_t separator = path.find_last_of(std::u16string{u'/', PathSeparator()});
    const std::u16string folder = separator == std::u16string::npos ? u"." : path.substr(0, separator + 1);
    if (!ResolvePath(folder.c_str(), resolved)) return path;
    resolved += PathSeparator();
    resolved += path.substr(separator == std::u16string::npos ? 0 : separator + 1);
    return resolved;
}

}  // namespace

std::u16string CopyPoolProfilePath(std::u16string_view printerName) {
    char16_t pool[kTextUnits] = {};
    Tovrel().GetCopyPoolPath(pool);
    pool[kTextUnits - 1] = 0;  // whatever the library did, the text ends here
    std::u16string path(FieldText(pool));
    path += PathSeparator();
    path += printerName;
    path += u".ppr";
    return path;
}

ProcessLock::Outcome LockProfile(const char16_t* path, ProcessLock& lock) {
    return lock.TryAcquire(ProfileLockName(ResolveProfilePath(path)), LockScope::Machine);
}
