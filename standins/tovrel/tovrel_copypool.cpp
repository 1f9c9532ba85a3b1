// The copy-pool folder and the log.
#include <cstdio>
#include <cstring>

#include "devlib/tovrel.h"
#include "platform/files.h"
#include "profile/records.h"
#include "standins/tovrel/tovrel_store.h"

extern "C" int GetCopyPoolPath(char16_t* path) {
    if (!path) return 0;
    const std::u16string folder = CopyPoolFolder();
    // A folder that does not fit is refused rather than cut to another folder's name.
    if (folder.size() >= static_cast<std::size_t>(kTextUnits)) {
        path[0] = u'\0';
        return 0;
    }
    std::memcpy(path, folder.c_str(), (folder.size() + 1) * sizeof(char16_t));
    return 1;
}

extern "C" int WriteRIPLogFile(const char* line) {
    if (!line) return 0;
    std::FILE* log = OpenFile(JoinPath(StoreRoot(), u"tovrel.log").c_str(), "ab");
    if (!log) return 0;
    const std::size_t length = std::strlen(line);
    const bool written = std::fwrite(line, 1, length, log) == length;
    const bool closed = std::fclose(log) == 0;
    return written && closed ? 1 : 0;
}
