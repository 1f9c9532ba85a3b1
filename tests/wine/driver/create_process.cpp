// create_process: starts a program as ansible.windows.win_command does on a
// Windows server, for the stand-in of that module
// (tests/fleet/windows_standins):
//
//   create_process.exe STATUS.txt FOLDER APPLICATION COMMAND_LINE
//
// CreateProcessW with APPLICATION and COMMAND_LINE exactly as given (the
// module's one command line, quoted as the module quotes it), FOLDER as the
// working folder, this program's standard handles, and this program's
// environment with PATH set to QUILLON_CHILD_PATH where that is set (wine
// makes the Windows PATH of its own, whatever the Unix one says; the
// variable itself does not reach the program). Once the program has ended,
// its exit code, all 32 bits of it (3221225781 for a DLL not found,
// 0xC0000135), goes to STATUS.txt in decimal; when it cannot be started,
// "error N" with the Win32 error does. Exit status: 0 when STATUS.txt has
// been written, 120 and up when it has not (a message on standard error
// says why).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int Fail(int status, const char* step) {
    std::fprintf(stderr, "create_process: %s failed (error %lu)\n", step, GetLastError());
    return status;
}

bool WriteStatus(const wchar_t* path, const std::string& text) {
    std::FILE* file = _wfopen(path, L"wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: create_process.exe STATUS.txt FOLDER APPLICATION COMMAND_LINE\n");
        return 120;
    }
    const wchar_t* statusFile = argv[1];
    const wchar_t* kChildPath = L"QUILLON_CHILD_PATH";
    const DWORD size = GetEnvironmentVariableW(kChildPath, nullptr, 0);
    if (size > 0) {
        std::wstring path(size, L'\0');
        path.resize(GetEnvironmentVariableW(kChildPath, path.data(), size));
        if (!SetEnvironmentVariableW(L"PATH", path.c_str())) return Fail(121, "setting PATH");
    }
    SetEnvironmentVariableW(kChildPath, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = argv[4];
    if (!CreateProcessW(argv[3], commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, nullptr,
                        argv[2], &startup, &process)) {
        const std::string error = "error " + std::to_string(GetLastError());
        return WriteStatus(statusFile, error) ? 0 : Fail(122, "writing the status");
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    if (!GetExitCodeProcess(process.hProcess, &status)) return Fail(123, "GetExitCodeProcess");
    CloseHandle(process.hProcess);
    return WriteStatus(statusFile, std::to_string(status)) ? 0 : Fail(122, "writing the status");
}
