// console_run: runs a command in a console of its own, as a user at a
// Windows prompt would, and writes what the console then shows, as UTF-8, to
// a file (tests/wine/run_pprtool.sh reads it):
//
//   console_run.exe OUTPUT.txt PROGRAM [ARGUMENT...]
//
// The command's standard input, output and error are the console itself.
// The file holds the screen buffer's lines up to the cursor, each without its
// trailing blanks. Exit status: the command's; 120 and up when the run itself
// failed (a message on standard error says which step).
//
// The console belongs to a second instance of this program, started with
// CREATE_NO_WINDOW: a fresh console without a window, which the command then
// shares. Under wine 8 this works with or without a display; a console from
// AllocConsole or CREATE_NEW_CONSOLE needs one (conhost draws it as a
// window), and without one its handles are invalid.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Wide enough that no line of pprtool's output wraps, tall enough that none
// scrolls away.
constexpr SHORT kColumns = 400;
constexpr SHORT kRows = 2000;

int Fail(int status, const char* step) {
    std::fprintf(stderr, "console_run: %s failed (error %lu)\n", step, GetLastError());
    return status;
}

// Quotes an argument for CommandLineToArgvW and the C runtime where it
// needs it (a blank, a tab, a quote, or nothing): in double quotes, a quote
// inside as \", the backslashes before a quote doubled. Others stay bare, as
// cmd.exe wants its words.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') backslashes = backslashes * 2 + 1;
        quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE OpenInheritable(const wchar_t* name) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                       0, nullptr);
}

// The screen buffer's lines up to the cursor's, trailing blanks cut.
std::wstring ScreenText(HANDLE output) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output, &info)) return {};
    std::wstring text;
    std::vector<wchar_t> line(static_cast<std::size_t>(info.dwSize.X));
    for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
        DWORD read = 0;
        if (!ReadConsoleOutputCharacterW(output, line.data(), static_cast<DWORD>(line.size()), COORD{0, row}, &read))
            break;
        std::wstring chars(line.data(), read);
        chars.erase(chars.find_last_not_of(L' ') + 1);
        text += chars + L"\n";
    }
    return text;
}

bool WriteUtf8(const wchar_t* path, const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    std::FILE* file = _wfopen(path, L"wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Starts `command` and returns its exit status once it has ended.
int Run(std::wstring command, DWORD flags, HANDLE input, HANDLE output, HANDLE error, const char* step) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &process))
        return Fail(124, step);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

// The second instance, in its fresh console: runs the command there and
// writes the console's text to `outputFile`.
int RunInOwnConsole(const wchar_t* outputFile, const std::wstring& command) {
    HANDLE output = OpenInheritable(L"CONOUT$");
    HANDLE input = OpenInheritable(L"CONIN$");
    if (output == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE) return Fail(122, "opening CONOUT$/CONIN$");
    if (!SetConsoleScreenBufferSize(output, COORD{kColumns, kRows})) return Fail(123, "SetConsoleScreenBufferSize");

    // The command shares the console, so it is still there to be read when
    // the command has ended.
    const int status = Run(command, 0, input, output, output, "starting the command");
    if (!WriteUtf8(outputFile, ScreenText(output))) return Fail(125, "writing the screen's text");
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool owner = argc > 1 && std::wstring(argv[1]) == L"--owner";
    const int first = owner ? 2 : 1;  // OUTPUT.txt
    if (argc < first + 2) {
        std::fprintf(stderr, "usage: console_run.exe OUTPUT.txt PROGRAM [ARGUMENT...]\n");
        return 120;
    }
    std::wstring command;
    for (int i = first + 1; i < argc; ++i) command += (i > first + 1 ? L" " : L"") + Quoted(argv[i]);
    if (owner) return RunInOwnConsole(argv[first], command);

    wchar_t self[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return Fail(121, "GetModuleFileNameW");
    // The owner keeps this process's standard handles, so that its failures
    // are seen; the command gets the console's.
    return Run(Quoted(self) + L" --owner " + Quoted(argv[first]) + L" " + command, CREATE_NO_WINDOW,
               GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE),
               "starting the console's owner");
}
