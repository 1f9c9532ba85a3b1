// varnell.exe: the print service Varnell as a Windows service. Register it
// with
//   sc create Varnell binPath= "C:\path\to\varnell.exe"
// and start it with "sc start Varnell". The log of control code 128 is
// %VARNELL_LOG%, or Varnell.log beside the program.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "standins/varnell/varnell_handler.h"

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status{};
HANDLE g_stopEvent = nullptr;
std::u16string g_logPath;

void ReportState(DWORD state) {
    g_status.dwCurrentState = state;
    SetServiceStatus(g_statusHandle, &g_status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, LPVOID, LPVOID) {
    switch (HandleVarnellControl(control, g_logPath)) {
        case VarnellReply::Accepted: return NO_ERROR;
        case VarnellReply::Stopping:
            ReportState(SERVICE_STOP_PENDING);
            SetEvent(g_stopEvent);
            return NO_ERROR;
        case VarnellReply::Refused: break;
    }
    return ERROR_CALL_NOT_IMPLEMENTED;
}

std::u16string ProgramFolder() {
    std::u16string path;
    if (!ReadModulePath(path)) return u".";
    const std::size_t separator = path.rfind(u'\\');
    return separator == std::u16string::npos ? u"." : path.substr(0, separator);
}

void WINAPI RunService(DWORD, LPWSTR*) {
    // Everything the handler uses is ready before the first control code can come.
    g_logPath = VarnellLogPath(ProgramFolder());
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_statusHandle = RegisterServiceCtrlHandlerExW(reinterpret_cast<const wchar_t*>(kVarnellName), OnControl, nullptr);
    if (!g_statusHandle) return;
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    if (!g_stopEvent) {
        g_status.dwWin32ExitCode = ERROR_NOT_ENOUGH_MEMORY;
        ReportState(SERVICE_STOPPED);
        return;
    }
    g_status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, INFINITE);
    CloseHandle(g_stopEvent);
    ReportState(SERVICE_STOPPED);
}

}  // namespace

int main() {
    SERVICE_TABLE_ENTRYW table[] = {
        {const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(kVarnellName)), RunService},
        {nullptr, nullptr},
    };
    if (!StartServiceCtrlDispatcherW(table)) {
        std::fprintf(stderr, "varnell: runs only as a service (sc create Varnell binPath= <path of varnell.exe>)\n");
        return 1;
    }
    return 0;
}
