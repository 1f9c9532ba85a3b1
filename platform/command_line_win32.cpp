#include "platform/command_line.h"

#include <windows.h>

std::u16string CommandLineTail(int, char**) {
    const wchar_t* line = GetCommandLineW();
    // The program name is quoted or ends at the first blank or tab.
    if (*line == L'"') {
        ++line;
        while (*line != 0 && *line != L'"') ++line;
        if (*line == L'"') ++line;
    } else {
        while (*line != 0 && *line != L' ' && *line != L'\t') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return reinterpret_cast<const char16_t*>(line);
}
