#include "platform/files.h"

#include <optional>

namespace {

std::optional<std::u16string> g_modulePath;  // set by tests only

}  // namespace

bool ReadModulePath(std::u16string& path) {
    if (!g_modulePath) return ReadOwnModulePath(path);
    path = *g_modulePath;
    return !path.empty();
}

void OverrideModulePathForTesting(const std::u16string* path) {
    if (path)
        g_modulePath = *path;
    else
        g_modulePath.reset();
}
