#include "platform/files.h"

#include "platform/text.h"

char16_t PathSeparator() { return u'/'; }

std::FILE* OpenFile(const char16_t* path, const char* mode) {
    // File names are UTF-8 here, the system's own encoding.
    return std::fopen(Utf16ToUtf8(path).c_str(), mode);
}
