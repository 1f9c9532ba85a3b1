// CommandLineArguments lives apart from the rest of command_line_win32.cpp so
// that only the programs that call it import shell32.dll: quillon.exe takes
// its command line whole and loads no more than it did.
#include <windows.h>

#include <shellapi.h>

#include "platform/command_line.h"
#include "platform/text.h"

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // The narrow argv holds the arguments in the ANSI code page, where a
    // character outside it is already lost; the wide command line keeps them.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return {argv, argv + argc};  // no memory to split it: the narrow form is all there is
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    LocalFree(wide);
    return arguments;
}
