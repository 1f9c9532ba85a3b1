#include "platform/files.h"

#include <windows.h>

#include <string>

char16_t PathSeparator() { return u'\\'; }

std::FILE* OpenFile(const char16_t* path, const char* mode) {
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(reinterpret_cast<const wchar_t*>(path), wideMode.c_str());
}
