// A message hook that the driver sets on quillon.exe's dialog thread: menus
// cannot be read from another process under wine, so the hook reads the
// window's system menu inside the program and writes each item to
// system_menu.txt beside this DLL, one line an item: its command (in
// hexadecimal; 0 for a separator) and its text in UTF-8.
#include <windows.h>

#include <string>

namespace {

HMODULE g_module = nullptr;

std::string Utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

void WriteSystemMenu(HWND window) {
    std::string lines;
    HMENU menu = GetSystemMenu(window, FALSE);
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        const int length = GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        char number[16];
        wsprintfA(number, "%X\t", id == static_cast<UINT>(-1) ? 0u : id);
        lines += number + Utf8(text, length) + "\n";
    }
    wchar_t path[MAX_PATH] = L"";
    const DWORD got = GetModuleFileNameW(g_module, path, MAX_PATH);
    std::wstring file(path, got);
    const std::wstring folder = file.substr(0, file.rfind(L'\\') + 1);
    // Written under another name and then renamed, so the driver never reads half of it.
    const std::wstring partial = folder + L"system_menu.part", whole = folder + L"system_menu.txt";
    HANDLE out = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    CloseHandle(out);
    MoveFileExW(partial.c_str(), whole.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ReadSystemMenuHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT request = RegisterWindowMessageW(L"QuillonE2EReadSystemMenu");
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == request) WriteSystemMenu(message->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
