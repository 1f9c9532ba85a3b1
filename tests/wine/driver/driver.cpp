// The end-to-end driver of the Windows program: starts quillon.exe (and
// pprtool.exe) in the
// fixture folders that tests/wine/run_scenarios.sh lays out, finds its
// windows, reads the list box and the message boxes (caption, text, icon,
// owner), presses buttons, sends control codes to the print service, checks
// files and the exit status, and saves a screenshot of each scenario.
// One ok() per fact, as in wine's own conformance tests.
//
//   driver.exe ROOT [SCENARIO...]
//
// ROOT holds one folder per scenario, expected\ (the Linux build's output for
// the same inputs), service\ (varnell.exe and its log) and shots\.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

// --- Checks ---

int g_checks = 0;
int g_failures = 0;
std::string g_scenario;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring Wide(const char* utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, result.data(), size);
    result.resize(static_cast<std::size_t>(size > 0 ? size - 1 : 0));
    return result;
}

bool ok(bool condition, const std::string& what) {
    ++g_checks;
    if (!condition) ++g_failures;
    std::printf("%s %s: %s\n", condition ? "ok" : "not ok", g_scenario.c_str(), what.c_str());
    std::fflush(stdout);
    return condition;
}

bool okText(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
    return ok(actual == expected,
              what + " is \"" + Utf8(expected) + "\"" + (actual == expected ? "" : " (got \"" + Utf8(actual) + "\")"));
}

// --- The program's strings, from its one string table ---

std::map<int, std::wstring> LoadStringTable() {
    std::map<int, std::wstring> table;
#define QUILLON_STRING(id, text) table[id] = Wide(reinterpret_cast<const char*>(text));
#include "res/string_table.inc"
#undef QUILLON_STRING
    return table;
}

const std::map<int, std::wstring>& Strings() {
    static const std::map<int, std::wstring> table = LoadStringTable();
    return table;
}

const std::wstring& String(int id) { return Strings().at(id); }

// The main dialog's and the About box's captions, as their templates give them.
const wchar_t kMainCaption[] = L"Printer Profile Update";
const wchar_t kAboutCaption[] = L"ﾊﾞｰｼﾞｮﾝ情報";

// --- Files ---

std::wstring g_root;  // ends with a backslash

std::wstring RootPath(const std::wstring& relative) { return g_root + relative; }

bool ReadBytes(const std::wstring& path, std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

std::string Bytes(const std::wstring& path) {
    std::string bytes;
    ReadBytes(path, bytes);
    return bytes;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The file's last-write time in 100-nanosecond units, 0 when it cannot be read.
unsigned long long LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool done =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return done;
}

// A file's bytes and last-write time: what shows whether anything wrote it.
struct FileState {
    std::string bytes;
    unsigned long long written = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::wstring& path) { return {Bytes(path), LastWriteTime(path)}; }

// True when the file is still there as `before` found it.
bool Kept(const std::wstring& path, const FileState& before) { return before.written != 0 && StateOf(path) == before; }

std::wstring ColorFolder() {
    wchar_t windir[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"WINDIR", windir, MAX_PATH);
    return std::wstring(windir) + L"\\system32\\color\\";
}

int CountLines(const std::string& text, const std::string& needle) {
    int count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
    return count;
}

// --- Windows of the program ---

struct Program {
    PROCESS_INFORMATION process{};
    bool started = false;

    ~Program() { Kill(); }

    // Starts `folder`quillon.exe in `folder`.
    bool Start(const std::wstring& folder, const std::wstring& arguments) {
        return StartIn(folder + L"quillon.exe", arguments, folder);
    }
    // Starts the program `exe` in the current folder `cwd`; a quiet one
    // writes its standard output and error to NUL, or its standard output to
    // the file `output` when one is named.
    bool StartIn(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd, bool quiet = false,
                 const std::wstring& output = L"") {
        std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE null = INVALID_HANDLE_VALUE, out = INVALID_HANDLE_VALUE;
        if (quiet) {
            null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
            if (!output.empty())
                out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = startup.hStdError = null;
            startup.hStdOutput = out != INVALID_HANDLE_VALUE ? out : null;
        }
        started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, quiet, 0, nullptr, cwd.c_str(), &startup,
                                 &process) != 0;
        if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        return started;
    }
    // The exit status, or -1 when it has not ended within `milliseconds`.
    long Wait(DWORD milliseconds = 30000) {
        if (!started || WaitForSingleObject(process.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        return static_cast<long>(status);
    }
    void Kill() {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        started = false;
    }
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

struct Search {
    DWORD processId;
    std::wstring title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
        TextOf(window) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog-class window titled `title` of `program`, waited for.
HWND WaitForDialog(const Program& program, const std::wstring& title, DWORD milliseconds = 20000) {
    const DWORD start = GetTickCount();
    do {
        Search search{program.process.dwProcessId, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            Sleep(300);  // let it paint
            return search.found;
        }
        if (WaitForSingleObject(program.process.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

std::vector<std::wstring> ListLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(length));
        lines.push_back(line);
    }
    return lines;
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int g_shots = 0;  // screenshots saved so far

// Saves the window as a 24-bit BMP in ROOT\shots (run_scenarios.sh makes PNGs of them).
void Screenshot(HWND window, const std::wstring& name) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u), size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    HANDLE out = CreateFileW(RootPath(L"shots\\" + name + L".bmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                             nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, &file, sizeof file, &written, nullptr);
        WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
        if (WriteFile(out, bits, size, &written, nullptr) && written == size) ++g_shots;
        CloseHandle(out);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// The whole screen, for scenarios whose program shows no window: it shows
// that none was left behind.
void ScreenScreenshot(const std::wstring& name) { Screenshot(GetDesktopWindow(), name); }

// The system icon of a message box style.
HICON SystemIcon(unsigned style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONHAND: return LoadIconW(nullptr, IDI_HAND);
        case MB_ICONEXCLAMATION: return LoadIconW(nullptr, IDI_EXCLAMATION);
        case MB_ICONINFORMATION: return LoadIconW(nullptr, IDI_ASTERISK);
        default: return nullptr;
    }
}

// Pixels of a screen area, or of `icon` drawn over `background`.
std::vector<COLORREF> Pixels(const RECT& area, HICON icon, COLORREF background) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (icon) {
        HBRUSH brush = CreateSolidBrush(background);
        const RECT all{0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    } else {
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    }
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long Difference(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    long sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += std::abs(GetRValue(a[i]) - GetRValue(b[i])) + std::abs(GetGValue(a[i]) - GetGValue(b[i])) +
               std::abs(GetBValue(a[i]) - GetBValue(b[i]));
    return sum;
}

// Which of the three message box icons `iconControl` shows (its style bits),
// told by its pixels on the screen: icon handles do not cross processes.
unsigned ShownIcon(HWND iconControl) {
    RECT area{};
    GetWindowRect(iconControl, &area);
    area.right = area.left + GetSystemMetrics(SM_CXICON);
    area.bottom = area.top + GetSystemMetrics(SM_CYICON);
    const std::vector<COLORREF> shown = Pixels(area, nullptr, 0);
    if (shown.empty()) return 0;
    unsigned best = 0;
    long bestDifference = -1;
    for (unsigned style : {MB_ICONHAND, MB_ICONEXCLAMATION, MB_ICONINFORMATION}) {
        // The icons' corners are transparent: the corner shows the background.
        const long difference = Difference(shown, Pixels(area, SystemIcon(style), shown.front()));
        if (bestDifference < 0 || difference < bestDifference) {
            best = style;
            bestDifference = difference;
        }
    }
    return best;
}

// The message box's text control and icon control, as the dialog manager makes them.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;

// Waits for a message box of `program` with message `id`, checks its caption,
// text, icon and owner (the window titled `ownerTitle`, or none), saves a
// screenshot and presses OK.
void ExpectMessageBox(const Program& program, int id, unsigned icon, const wchar_t* ownerTitle,
                      const std::wstring& shot = L"") {
    HWND box = WaitForDialog(program, String(IDS_QUILLON));
    if (!ok(box != nullptr, "message " + std::to_string(id) + " appears in a box captioned \"Quillon\"")) return;
    okText(TextOf(GetDlgItem(box, kMessageBoxTextId)), String(id), "its text (message " + std::to_string(id) + ")");
    char style[8];
    std::snprintf(style, sizeof style, "0x%02X", icon);
    ok(ShownIcon(GetDlgItem(box, kMessageBoxIconId)) == icon, std::string("its icon is that of style ") + style);
    HWND owner = GetWindow(box, GW_OWNER);
    if (ownerTitle)
        ok(owner != nullptr && TextOf(owner) == ownerTitle, "it is owned by the main dialog");
    else
        ok(owner == nullptr, "it has no owner");
    if (!shot.empty()) Screenshot(box, shot);
    Press(box, IDOK);
}

// --- The print service ---

std::wstring ServiceLog() { return RootPath(L"service\\Varnell.log"); }

// Runs `use` on the Varnell service opened with `access`; false when it
// cannot be opened or `use` fails.
template <typename Use>
bool WithService(DWORD access, Use use) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return false;
    SC_HANDLE service = OpenServiceW(manager, L"Varnell", access);
    const bool done = service && use(service);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return done;
}

bool ServiceControl(DWORD control) {
    return WithService(SERVICE_ALL_ACCESS, [control](SC_HANDLE service) {
        SERVICE_STATUS status{};
        return ControlService(service, control, &status) != 0;
    });
}

DWORD ServiceState() {
    SERVICE_STATUS status{};
    WithService(SERVICE_QUERY_STATUS,
                [&status](SC_HANDLE service) { return QueryServiceStatus(service, &status) != 0; });
    return status.dwCurrentState;
}

bool WaitForServiceState(DWORD state) {
    for (int i = 0; i < 200; ++i) {
        if (ServiceState() == state) return true;
        Sleep(50);
    }
    return false;
}

bool StartVarnell() {
    return WithService(SERVICE_START, [](SC_HANDLE service) { return StartServiceW(service, 0, nullptr) != 0; }) &&
           WaitForServiceState(SERVICE_RUNNING);
}

// --- Scenarios ---

const wchar_t* kPrinters[] = {L"PrinterA", L"PrinterB", L"PrinterC"};

// The printers' profiles as the update of the interactive folders must leave
// them: the Linux build's silent update of the same scripts and profiles.
void ExpectProfilesUpdated(const std::wstring& folder) {
    for (const wchar_t* printer : kPrinters) {
        const std::wstring name = std::wstring(printer) + L".ppr";
        const std::string expected = Bytes(RootPath(L"expected\\" + name));
        ok(!expected.empty() && Bytes(folder + L"printsys\\copypool\\" + name) == expected,
           Utf8(name) + " in the copy pool is byte for byte the Linux build's update");
    }
}

void ExpectProfilesUntouched(const std::wstring& folder) {
    for (const wchar_t* printer : kPrinters) {
        const std::wstring name = std::wstring(printer) + L".ppr";
        ok(Bytes(folder + L"printsys\\copypool\\" + name) == Bytes(RootPath(L"original\\" + name)),
           Utf8(name) + " is left as it was");
    }
}

void SilentUpdate() {
    const std::wstring folder = RootPath(L"silent\\");
    Program program;
    ok(program.Start(folder, folder + L"prof\\PrinterA.SCR " + folder + L"PrinterA.ppr"), "quillon.exe starts");
    ok(program.Wait() == 0, "a silent update ends with status 0 and no message");
    ok(Bytes(folder + L"PrinterA.ppr") == Bytes(RootPath(L"expected\\PrinterA.ppr")),
       "the profile is byte for byte the Linux build's update of the same inputs");
    ScreenScreenshot(L"silent_update_no_window_left");
}

void SilentMismatchedNames() {
    const std::wstring folder = RootPath(L"silent\\");
    const std::string before = Bytes(folder + L"PrinterB.ppr");
    Program program;
    program.Start(folder, folder + L"prof\\PrinterA.SCR " + folder + L"PrinterB.ppr");
    ExpectMessageBox(program, IDS_NO_SCRIPT, MB_ICONHAND, nullptr, L"silent_mismatch");
    ok(program.Wait() == 1, "mismatched base names end with status 1");
    ok(Bytes(folder + L"PrinterB.ppr") == before, "the profile named is left as it was");
}

void SilentReadOnlyProfile() {
    const std::wstring folder = RootPath(L"readonly\\");
    const std::wstring profile = folder + L"PrinterA.ppr";
    const std::string before = Bytes(profile);
    ok(SetFileAttributesW(profile.c_str(), FILE_ATTRIBUTE_READONLY) != 0, "the profile is made read-only");
    Program program;
    program.Start(folder, folder + L"prof\\PrinterA.SCR " + profile);
    ExpectMessageBox(program, IDS_PROFILE_WRITE_FAILED, MB_ICONEXCLAMATION, nullptr, L"silent_readonly");
    ok(program.Wait() == 2, "a read-only profile ends with status 2");
    ok(!before.empty() && Bytes(profile) == before, "the read-only profile stays byte for byte");
    ok(GetFileAttributesW(profile.c_str()) & FILE_ATTRIBUTE_READONLY, "and stays read-only");
}

// The lines of a UTF-8 file of tab-separated fields, as wide text.
std::vector<std::vector<std::wstring>> ReadTable(const std::wstring& path) {
    std::vector<std::vector<std::wstring>> rows;
    const std::string text = Bytes(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::vector<std::wstring> fields;
        std::size_t field = start;
        for (;;) {
            const std::size_t tab = text.find('\t', field);
            const std::size_t stop = tab == std::string::npos || tab > end ? end : tab;
            fields.push_back(Wide(text.substr(field, stop - field).c_str()));
            if (stop == end) break;
            field = stop + 1;
        }
        rows.push_back(fields);
        start = end + 1;
    }
    return rows;
}

// Whether a replacement left a temporary file in `folder`.
bool HasLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*.~quillon.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

// Silent updates by quillon.exe and pprtool.exe apply with the script and the
// profile named relative to the current folder, in every form the Linux build
// ran (run_scenarios.sh): the same status, the same bytes, nothing left over.
void SilentRelativePaths() {
    const auto forms = ReadTable(RootPath(L"relative\\forms.tsv"));
    ok(forms.size() == 10, "ten relative forms are laid out");
    for (const auto& form : forms) {
        if (form.size() != 5) continue;
        const std::wstring& name = form[0];
        const std::wstring files = RootPath(L"relative\\" + name + L"\\files\\");
        const std::wstring start = form[2] == L"." ? files : files + form[2];
        Program program;
        program.StartIn(RootPath(L"bin\\" + form[1] + L".exe"), form[3], start, true);
        const long status = program.Wait();
        const std::string what = Utf8(name) + " (" + Utf8(form[3]) + " run in files\\" + Utf8(form[2]) + ")";
        ok(status == _wtol(form[4].c_str()), what + ": status " + std::to_string(status) + " as on Linux");
        const std::string onLinux = Bytes(RootPath(L"relative-linux\\" + name + L"\\files\\PrinterA.ppr"));
        ok(Bytes(files + L"PrinterA.ppr") == onLinux && onLinux != Bytes(RootPath(L"original\\PrinterA.ppr")),
           what + ": the profile is byte for byte the Linux build's update");
        ok(!HasLeftovers(files), what + ": no temporary file is left");
    }
    ScreenScreenshot(L"silent_relative_no_window_left");
}

// The differential run: quillon.exe on generated scripts and profiles
// (run_scenarios.sh), each compared with the Linux build's run of the same
// case: status, the profile's bytes and the texts of the message boxes shown,
// in order, each closed with OK.
void Differential() {
    const auto cases = ReadTable(RootPath(L"differential\\cases.tsv"));
    ok(cases.size() >= 50, "at least 50 generated cases (" + std::to_string(cases.size()) + ")");
    std::map<long, int> statuses;
    int equal = 0;
    for (const auto& row : cases) {
        if (row.size() != 5) continue;
        const std::wstring folder = RootPath(L"differential\\windows\\" + row[0] + L"\\");
        const std::wstring expected = RootPath(L"differential\\linux\\" + row[0] + L"\\") + row[2];
        Program program;
        program.StartIn(RootPath(L"bin\\quillon.exe"), folder + row[1] + L" " + folder + row[2], folder);
        std::wstring messages;
        while (HWND box = WaitForDialog(program, String(IDS_QUILLON))) {
            if (!messages.empty()) messages += L'|';
            messages += TextOf(GetDlgItem(box, kMessageBoxTextId));
            Press(box, IDOK);
            Sleep(200);
        }
        const long status = program.Wait();
        ++statuses[status];
        const bool same = status == _wtol(row[3].c_str()) && Bytes(folder + row[2]) == Bytes(expected) &&
                          messages == row[4] && !HasLeftovers(folder);
        equal += same ? 1 : 0;
        if (!same)
            ok(false, "case " + Utf8(row[0]) + " (" + Utf8(row[1]) + ", " + Utf8(row[2]) + "): status " +
                          std::to_string(status) + " (Linux " + Utf8(row[3]) + "), messages \"" + Utf8(messages) +
                          "\" (Linux \"" + Utf8(row[4]) + "\"), profile " +
                          (Bytes(folder + row[2]) == Bytes(expected) ? "equal" : "differs"));
    }
    std::string spread;
    for (const auto& [status, count] : statuses)
        spread += "; status " + std::to_string(status) + ": " + std::to_string(count);
    ok(equal == static_cast<int>(cases.size()),
       std::to_string(equal) + " of " + std::to_string(cases.size()) + " cases equal the Linux build's" + spread);
    for (long status : {0L, 1L, 2L, 9L}) ok(statuses[status] > 0, "the cases reach status " + std::to_string(status));
    ScreenScreenshot(L"differential_no_window_left");
}

// Starts the program in `folder` in dialog mode and checks the main dialog.
HWND OpenMainDialog(Program& program, const std::wstring& folder, const std::wstring& shot = L"") {
    ok(program.Start(folder, L""), "quillon.exe starts in dialog mode");
    HWND dialog = WaitForDialog(program, kMainCaption);
    if (!ok(dialog != nullptr, "the main dialog \"Printer Profile Update\" opens")) return nullptr;
    if (!shot.empty()) Screenshot(dialog, shot);
    return dialog;
}

void InteractiveUpdate() {
    const std::wstring folder = RootPath(L"interactive\\");
    const std::string logBefore = Bytes(ServiceLog());
    Program program;
    HWND dialog = OpenMainDialog(program, folder, L"main_dialog");
    if (!dialog) return;
    okText(TextOf(GetDlgItem(dialog, IDOK)), L"実行", "the execute button");
    okText(TextOf(GetDlgItem(dialog, IDCANCEL)), L"キャンセル", "the cancel button");
    HWND list = GetDlgItem(dialog, IDC_PRINTER_LIST);
    const std::vector<std::wstring> lines = ListLines(list);
    // Slot order is PrinterA, PrinterB, PrinterC; the list sorts.
    const std::vector<std::wstring> expected = {L"Alpha", L"Zeta", L"表示プリンタA"};
    ok(lines == expected, "the list shows the three device names sorted: Alpha, Zeta, 表示プリンタA");
    ok(!lines.empty() && lines.back() == L"表示プリンタA", "the Japanese device name reads back exactly");

    Press(dialog, IDOK);
    HWND box = WaitForDialog(program, String(IDS_QUILLON));
    ok(box != nullptr && ListLines(list).empty(), "every written printer's line has left the list");
    ExpectMessageBox(program, IDS_UPDATE_DONE, MB_ICONINFORMATION, kMainCaption, L"update_done");
    ok(program.Wait() == 0, "the dialog closes with status 0");
    ExpectProfilesUpdated(folder);
    ok(Bytes(folder + L"printsys\\copypool\\colprof\\QuillonE2E.icm") == Bytes(folder + L"prof\\QuillonE2E.icm"),
       "the .icm file is copied to the copy pool's colprof folder");
    ok(Bytes(ColorFolder() + L"QuillonE2E.CAL") == Bytes(folder + L"prof\\QuillonE2E.CAL") &&
           Exists(ColorFolder() + L"QuillonE2E.BCC"),
       "the .CAL and .BCC files are copied to %WINDIR%\\system32\\color");
    ok(!Exists(ColorFolder() + L"QuillonE2E.icm"), "the .icm file goes to colprof only");
    ok(CountLines(Bytes(ServiceLog()), "control 128") == CountLines(logBefore, "control 128") + 1,
       "the print service logged control code 128 once");
}

// While the dialog is open its profiles are its own: pprtool.exe apply on
// one of them ends 10 and touches nothing; Execute writes it; then the same
// apply goes through, on top of the dialog's update.
void DialogHoldsItsProfiles() {
    const std::wstring folder = RootPath(L"holds\\");
    const std::wstring profile = folder + L"printsys\\copypool\\PrinterA.ppr";
    const std::wstring apply = L"apply " + folder + L"extra\\PrinterA.SCR " + profile;
    Program program;
    HWND dialog = OpenMainDialog(program, folder);
    if (!dialog) return;
    Program early;
    early.StartIn(RootPath(L"bin\\pprtool.exe"), apply, folder, true);
    ok(early.Wait() == 10, "pprtool.exe apply while the dialog lists the printer ends with status 10");
    ok(Bytes(profile) == Bytes(RootPath(L"original\\PrinterA.ppr")), "and leaves the profile as it was");
    Screenshot(dialog, L"holds_dialog_open");
    Press(dialog, IDOK);
    ExpectMessageBox(program, IDS_UPDATE_DONE, MB_ICONINFORMATION, kMainCaption);
    ok(program.Wait() == 0, "Execute writes the profile and the dialog ends with status 0");
    Program late;
    late.StartIn(RootPath(L"bin\\pprtool.exe"), apply, folder, true);
    ok(late.Wait() == 0, "the same apply afterwards ends with status 0");
    ok(Bytes(profile) == Bytes(RootPath(L"expected\\holds\\PrinterA.ppr")),
       "both updates are in the profile, byte for byte as the Linux build makes them");
}

void ServiceStopped() {
    const std::wstring folder = RootPath(L"stopped\\");
    ok(ServiceControl(SERVICE_CONTROL_STOP) && WaitForServiceState(SERVICE_STOPPED), "the print service is stopped");
    Program program;
    HWND dialog = OpenMainDialog(program, folder);
    if (dialog) {
        Press(dialog, IDOK);
        ExpectMessageBox(program, IDS_PPD_UPDATE_FAILED, MB_ICONINFORMATION, kMainCaption, L"service_stopped");
        ok(program.Wait() == 5, "the dialog closes with status 5");
        ExpectProfilesUpdated(folder);
    }
    ok(StartVarnell(), "the print service is started again");
}

void Cancel() {
    const std::wstring folder = RootPath(L"cancel\\");
    const std::string logBefore = Bytes(ServiceLog());
    Program program;
    HWND dialog = OpenMainDialog(program, folder, L"cancel_before");
    if (!dialog) return;
    Press(dialog, IDCANCEL);
    ok(program.Wait() == 6, "Cancel closes the dialog with status 6 and no message");
    ExpectProfilesUntouched(folder);
    ok(!Exists(folder + L"printsys\\copypool\\colprof\\QuillonE2E.icm"), "no colour file is copied");
    ok(Bytes(ServiceLog()) == logBefore, "nothing is sent to the print service");
}

// The lines of the dialog's system menu ("COMMAND\tTEXT", the command in
// hexadecimal, 0 for a separator), read inside the program by menu_hook.dll:
// another process cannot read a menu under wine.
std::vector<std::string> SystemMenuItems(HWND dialog) {
    const std::wstring file = RootPath(L"system_menu.txt");
    DeleteFileW(file.c_str());
    HMODULE module = LoadLibraryW(RootPath(L"menu_hook.dll").c_str());
    const auto hook =
        module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "ReadSystemMenuHook")))
               : nullptr;
    HHOOK hooked =
        hook ? SetWindowsHookExW(WH_GETMESSAGE, hook, module, GetWindowThreadProcessId(dialog, nullptr)) : nullptr;
    std::string text;
    if (hooked) {
        PostMessageW(dialog, RegisterWindowMessageW(L"QuillonE2EReadSystemMenu"), 0, 0);
        for (int i = 0; i < 100 && !ReadBytes(file, text); ++i) Sleep(50);
        UnhookWindowsHookEx(hooked);
    }
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

void AboutBox() {
    const std::wstring folder = RootPath(L"cancel\\");
    Program program;
    HWND dialog = OpenMainDialog(program, folder);
    if (!dialog) return;
    const std::vector<std::string> menu = SystemMenuItems(dialog);
    char command[16];
    std::snprintf(command, sizeof command, "%X\t", IDM_ABOUTBOX);
    ok(menu.size() >= 2 && menu.back() == command + Utf8(String(IDS_ABOUTBOX)),
       "the system menu ends with the item \"" + Utf8(String(IDS_ABOUTBOX)) + "\" (command " +
           std::to_string(IDM_ABOUTBOX) + ")" +
           (menu.empty() ? " (menu not read)" : " (last: \"" + menu.back() + "\")"));
    ok(menu.size() >= 2 && menu[menu.size() - 2] == "0\t", "after a separator");
    // Other system commands keep their default processing.
    PostMessageW(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Sleep(500);
    ok(IsIconic(dialog), "the system command SC_MINIMIZE still minimises the dialog");
    PostMessageW(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
    Sleep(500);
    ok(!IsIconic(dialog), "and SC_RESTORE restores it");
    // The About item's command (16), whatever its low four bits say.
    PostMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX | 0xF, 0);
    HWND about = WaitForDialog(program, kAboutCaption);
    if (ok(about != nullptr, "the About box opens from the system menu")) {
        ok(GetWindow(about, GW_OWNER) == dialog, "it is owned by the main dialog");
        ok(!IsWindowEnabled(dialog), "the main dialog waits while it is open");
        Screenshot(about, L"about_box");
        Press(about, IDOK);
        Sleep(500);
        ok(!IsWindow(about) && IsWindow(dialog), "its OK button closes it and the main dialog stays");
    }
    Press(dialog, IDCANCEL);
    ok(program.Wait() == 6, "the dialog is cancelled afterwards");
}

// The dialog ends itself at initialisation: message 104 for an empty prof
// folder, 111 when no script's printer is installed (none with no_warn).
void InitialisationMessages() {
    struct Case {
        const wchar_t* folder;
        int message;
        unsigned icon;
        long status;
        const wchar_t* shot;
    };
    for (const Case& c : {Case{L"noscript\\", IDS_NO_SCRIPT, MB_ICONHAND, 1, L"no_script"},
                          Case{L"noprinter\\", IDS_PRINTER_NOT_INSTALLED, MB_ICONEXCLAMATION, 7, L"not_installed"}}) {
        Program program;
        program.Start(RootPath(c.folder), L"");
        ExpectMessageBox(program, c.message, c.icon, kMainCaption, c.shot);
        ok(program.Wait() == c.status, "the dialog ends itself with status " + std::to_string(c.status));
    }
    Program quiet;
    quiet.Start(RootPath(L"noprinter\\"), L"NO_WARN");
    ok(quiet.Wait() == 7, "with no_warn (any letter case) the same status and no message");
}

// A second start while the first one's main dialog or message box is shown.
void Guard() {
    const std::wstring folder = RootPath(L"cancel\\");
    Program first;
    HWND dialog = OpenMainDialog(first, folder);
    if (!dialog) return;
    ShowWindow(dialog, SW_MINIMIZE);
    Sleep(300);
    ok(IsIconic(dialog), "the main dialog is minimised");
    Program second;
    second.Start(folder, folder + L"prof\\PrinterA.SCR " + folder + L"printsys\\copypool\\PrinterA.ppr");
    ok(second.Wait() == 8, "a second start ends with status 8");
    Sleep(300);
    ok(!IsIconic(dialog), "and restores the running instance's main dialog");
    ok(GetForegroundWindow() == dialog, "and brings it to the foreground");
    Screenshot(dialog, L"guard_dialog_restored");
    ExpectProfilesUntouched(folder);
    Press(dialog, IDCANCEL);
    first.Wait();

    const std::wstring noPrinter = RootPath(L"noprinter\\");
    Program boxed;
    boxed.Start(noPrinter, L"");
    HWND box = WaitForDialog(boxed, String(IDS_QUILLON));
    if (!ok(box != nullptr, "a running instance shows message 111")) return;
    Program another;
    another.Start(noPrinter, L"");
    ok(another.Wait() == 8, "a second start meanwhile ends with status 8");
    ok(GetForegroundWindow() == box, "and brings the message box to the foreground");
    ScreenScreenshot(L"guard_message_box_in_front");
    Press(box, IDOK);
    ok(boxed.Wait() == 7, "the first instance goes on to its own end");
}

// pprtool.exe update on a kit laid out as the dialog's print system: the
// first run does what Execute does; the second finds everything as the
// update left it and touches nothing, not even a file's time.
void KitUpdate() {
    const std::wstring kit = RootPath(L"kit\\");
    const std::wstring arguments = L"update " + kit.substr(0, kit.size() - 1) + L" --json";
    const std::wstring report = RootPath(L"kit_update.json");
    // Copies an earlier scenario left in the system colour folder would make
    // their check moot.
    for (const wchar_t* name : {L"QuillonE2E.CAL", L"QuillonE2E.BCC"}) DeleteFileW((ColorFolder() + name).c_str());

    const std::string logBefore = Bytes(ServiceLog());
    Program first;
    first.StartIn(kit + L"pprtool.exe", arguments, kit, true, report);
    ok(first.Wait() == 0, "pprtool.exe update KIT --json ends with status 0");
    ExpectProfilesUpdated(kit);
    ok(Bytes(kit + L"printsys\\copypool\\colprof\\QuillonE2E.icm") == Bytes(kit + L"prof\\QuillonE2E.icm"),
       "the .icm file is copied to the copy pool's colprof folder");
    ok(Bytes(ColorFolder() + L"QuillonE2E.CAL") == Bytes(kit + L"prof\\QuillonE2E.CAL") &&
           Bytes(ColorFolder() + L"QuillonE2E.BCC") == Bytes(kit + L"prof\\QuillonE2E.BCC") &&
           !Exists(ColorFolder() + L"QuillonE2E.icm"),
       "the .CAL and .BCC files (not the .icm) are copied to %WINDIR%\\system32\\color");
    ok(CountLines(Bytes(ServiceLog()), "control 128") == CountLines(logBefore, "control 128") + 1,
       "the print service logged control code 128 once");
    // The report's own "changed", two blanks in; the printers' are deeper.
    ok(Bytes(report).find("\n  \"changed\": true") != std::string::npos, "the report says \"changed\": true");

    std::vector<std::wstring> files = {kit + L"printsys\\copypool\\colprof\\QuillonE2E.icm",
                                       ColorFolder() + L"QuillonE2E.CAL", ColorFolder() + L"QuillonE2E.BCC"};
    for (const wchar_t* printer : kPrinters) files.push_back(kit + L"printsys\\copypool\\" + printer + L".ppr");
    std::vector<std::pair<std::string, unsigned long long>> before;
    for (const std::wstring& file : files) before.emplace_back(Bytes(file), LastWriteTime(file));
    const std::string logBetween = Bytes(ServiceLog());
    Program second;
    second.StartIn(kit + L"pprtool.exe", arguments, kit, true, report);
    ok(second.Wait() == 0, "a second run ends with status 0");
    ok(Bytes(report).find("\n  \"changed\": false") != std::string::npos, "its report says \"changed\": false");
    for (std::size_t i = 0; i < files.size(); ++i)
        ok(before[i].second != 0 && Bytes(files[i]) == before[i].first && LastWriteTime(files[i]) == before[i].second,
           Utf8(files[i].substr(files[i].rfind(L'\\') + 1)) + " keeps its bytes and its last-write time");
    ok(CountLines(Bytes(ServiceLog()), "control 128") == CountLines(logBetween, "control 128"),
       "the print service is not told again");
    ScreenScreenshot(L"kit_update_no_window_left");
}

// The part of pprtool's JSON report about `printer`: from its "printer"
// member to the next printer's.
std::string ReportEntry(const std::string& report, const std::string& printer) {
    const std::size_t start = report.find("\"printer\": \"" + printer + "\"");
    if (start == std::string::npos) return {};
    const std::size_t next = report.find("\"printer\": ", start + 1);
    return report.substr(start, next == std::string::npos ? std::string::npos : next - start);
}

// pprtool.exe update and rollback where a run cannot do everything, on a kit
// of its own: a profile the library cannot load (9, the others done); a
// reload the stopped service could not be asked for (5), marked in the kit
// and asked for by the next run; and the rollback of a kit that took two runs
// because a dialog held a profile during the first.
void KitRecovery() {
    const std::wstring kit = RootPath(L"recovery\\");
    const std::wstring kitArgument = kit.substr(0, kit.size() - 1);
    const std::wstring report = RootPath(L"recovery_report.json");
    const std::wstring mark = kit + L"quillon-reload.pending";
    auto profile = [&](const wchar_t* printer) { return kit + L"printsys\\copypool\\" + printer + L".ppr"; };
    auto original = [](const wchar_t* printer) { return Bytes(RootPath(L"original\\") + printer + L".ppr"); };
    auto expected = [](const wchar_t* printer) { return Bytes(RootPath(L"expected\\") + printer + L".ppr"); };
    auto name = [](const wchar_t* printer) { return Utf8(printer) + ".ppr"; };
    // Runs the kit's pprtool.exe, its report in `report`, and checks how it ends.
    auto ends = [&](const std::wstring& arguments, long status, const std::string& what) {
        Program pprtool;
        pprtool.StartIn(kit + L"pprtool.exe", arguments, kit, true, report);
        const long got = pprtool.Wait();
        return ok(got == status, what + " ends with status " + std::to_string(status) +
                                     (got == status ? "" : " (got " + std::to_string(got) + ")"));
    };
    auto says = [&](const std::string& text) { return Bytes(report).find(text) != std::string::npos; };
    auto reloads = [] { return CountLines(Bytes(ServiceLog()), "control 128"); };
    auto profileStates = [&] {
        std::vector<FileState> states;
        for (const wchar_t* printer : kPrinters) states.push_back(StateOf(profile(printer)));
        return states;
    };
    auto profilesKept = [&](const std::vector<FileState>& before) {
        for (std::size_t i = 0; i < before.size(); ++i)
            if (!Kept(profile(kPrinters[i]), before[i])) return false;
        return true;
    };

    // A profile cut by one byte is not loaded; the others are updated.
    std::string cut = original(L"PrinterA");
    cut.pop_back();
    WriteBytes(profile(L"PrinterA"), cut);
    int told = reloads();
    ends(L"update " + kitArgument + L" --json", 9, "update KIT --json with PrinterA.ppr cut by one byte");
    const std::string entry = ReportEntry(Bytes(report), "PrinterA");
    ok(entry.find("\"outcome\": \"profile not loaded\"") != std::string::npos &&
           entry.find("\"error\": \"") != std::string::npos && entry.find("\"error\": \"\"") == std::string::npos,
       "the report says \"profile not loaded\" for PrinterA, and why");
    ok(Bytes(profile(L"PrinterA")) == cut, "the cut profile is left as it was");
    for (const wchar_t* printer : {L"PrinterB", L"PrinterC"})
        ok(Bytes(profile(printer)) == expected(printer), name(printer) + " is byte for byte the Linux build's update");
    ok(reloads() == told + 1, "the print service logged control code 128 once");
    WriteBytes(profile(L"PrinterA"), original(L"PrinterA"));

    // The service stopped: the reload is left to the next run.
    ok(ServiceControl(SERVICE_CONTROL_STOP) && WaitForServiceState(SERVICE_STOPPED), "the print service is stopped");
    ends(L"update " + kitArgument + L" --backup " + RootPath(L"recovery_pending_backups") + L" --json", 5,
         "update KIT --backup DIR then");
    ok(Bytes(profile(L"PrinterA")) == expected(L"PrinterA") && Exists(mark),
       "it updates PrinterA.ppr and leaves KIT\\quillon-reload.pending");
    ok(StartVarnell(), "the print service is started again");
    const std::vector<FileState> pending = profileStates();
    const FileState markState = StateOf(mark);
    told = reloads();
    ends(L"update " + kitArgument + L" --check --json", 0, "update KIT --check --json");
    ok(says("\"reloadPending\": true"), "its report says \"reloadPending\": true");
    ok(profilesKept(pending) && Kept(mark, markState) && reloads() == told,
       "it changes nothing: the profiles and the mark keep their bytes and last-write times, the service is not told");
    ends(L"update " + kitArgument + L" --json", 0, "the next update KIT --json");
    ok(reloads() == told + 1, "the print service logged control code 128 once more");
    ok(says("\"reloadPending\": true") && says("\"serviceNotified\": true"),
       "its report says \"reloadPending\": true, \"serviceNotified\": true");
    ok(!Exists(mark), "the mark is gone");

    // A kit that took two runs: a dialog holds PrinterA's profile during the
    // first. Its quillon.exe has PrinterA's script only and reads this kit's
    // print system.
    for (const wchar_t* printer : kPrinters) WriteBytes(profile(printer), original(printer));
    const std::wstring backups = RootPath(L"recovery_backups");
    const std::wstring update = L"update " + kitArgument + L" --backup " + backups + L" --json";
    const std::wstring rollback = L"rollback " + backups + L" --json";
    SetEnvironmentVariableW(L"TOVREL_ROOT", (kit + L"printsys").c_str());
    Program holder;
    HWND dialog = OpenMainDialog(holder, RootPath(L"recovery-holder\\"));
    SetEnvironmentVariableW(L"TOVREL_ROOT", nullptr);
    if (!dialog) return;
    ends(update, 10, "update KIT --backup DIR while a dialog holds PrinterA's profile");
    ok(Bytes(profile(L"PrinterA")) == original(L"PrinterA") && Bytes(profile(L"PrinterB")) == expected(L"PrinterB") &&
           Bytes(profile(L"PrinterC")) == expected(L"PrinterC"),
       "it updates PrinterB.ppr and PrinterC.ppr and leaves PrinterA.ppr");
    Screenshot(dialog, L"recovery_dialog_holds_PrinterA");
    Press(dialog, IDCANCEL);
    ok(holder.Wait() == 6, "the dialog is cancelled");
    ends(update, 0, "a second update KIT --backup DIR");
    ok(Bytes(profile(L"PrinterA")) == expected(L"PrinterA"), "it updates PrinterA.ppr");
    // bcrypt.dll's digests, as the Linux sha256sum makes them of the same bytes.
    const std::string journal = Bytes(backups + L"\\update-journal-1.json");
    for (const wchar_t* printer : kPrinters) {
        const std::string digest = Bytes(RootPath(L"expected\\") + printer + L".sha256").substr(0, 64);
        ok(digest.size() == 64 && journal.find("\"written\": \"" + digest + "\"") != std::string::npos,
           "the journal keeps the SHA-256 digest of " + name(printer) + " as written");
    }
    told = reloads();
    ends(rollback, 0, "rollback DIR --json");
    for (const wchar_t* printer : kPrinters)
        ok(Bytes(profile(printer)) == original(printer), name(printer) + " is byte for byte as before the kit");
    ok(reloads() == told + 1, "the print service logged control code 128 once");
    const std::vector<FileState> rolledBack = profileStates();
    told = reloads();
    ends(rollback, 0, "a second rollback");
    ok(says("\n  \"changed\": false"), "its report says \"changed\": false");
    ok(profilesKept(rolledBack), "every profile keeps its bytes and last-write time");
    ok(reloads() == told, "the print service is not told again");

    // A profile changed since the update is left as it is.
    ends(update, 0, "update KIT --backup DIR run once more");
    WriteBytes(profile(L"PrinterB"), original(L"PrinterA"));
    const FileState changed = StateOf(profile(L"PrinterB"));
    ends(rollback, 12, "rollback DIR with PrinterB.ppr changed since the update");
    ok(Kept(profile(L"PrinterB"), changed), "PrinterB.ppr keeps its bytes and last-write time");
    ok(Bytes(profile(L"PrinterA")) == original(L"PrinterA") && Bytes(profile(L"PrinterC")) == original(L"PrinterC"),
       "the other profiles are put back");
    ScreenScreenshot(L"kit_recovery_no_window_left");
}

void ServiceTakesControlCodes() {
    const std::string before = Bytes(ServiceLog());
    ok(WaitForServiceState(SERVICE_RUNNING), "the print service Varnell runs");
    ok(ServiceControl(128), "it accepts control code 128");
    ok(CountLines(Bytes(ServiceLog()), "control 128") == CountLines(before, "control 128") + 1, "and logs it");
    ScreenScreenshot(L"service_no_window");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: driver.exe ROOT [SCENARIO...]\n");
        return 2;
    }
    g_root = argv[1];
    if (g_root.back() != L'\\') g_root += L'\\';
    const std::vector<std::pair<std::string, std::function<void()>>> scenarios = {
        {"service", ServiceTakesControlCodes},
        {"silent-update", SilentUpdate},
        {"silent-mismatch", SilentMismatchedNames},
        {"silent-readonly", SilentReadOnlyProfile},
        {"silent-relative", SilentRelativePaths},
        {"differential", Differential},
        {"init-messages", InitialisationMessages},
        {"cancel", Cancel},
        {"about", AboutBox},
        {"guard", Guard},
        {"interactive-update", InteractiveUpdate},
        {"dialog-holds", DialogHoldsItsProfiles},
        {"service-stopped", ServiceStopped},
        {"kit-update", KitUpdate},
        {"kit-recovery", KitRecovery},
    };
    for (const auto& [name, run] : scenarios) {
        bool wanted = argc == 2;
        for (int i = 2; i < argc; ++i) wanted = wanted || Utf8(argv[i]) == name;
        if (!wanted) continue;
        g_scenario = name;
        const int failuresBefore = g_failures;
        const int shotsBefore = g_shots;
        run();
        ok(g_shots > shotsBefore, "the scenario saved a screenshot");
        std::printf("scenario %s: %s\n", name.c_str(), g_failures == failuresBefore ? "passed" : "FAILED");
    }
    std::printf("driver: %d checks, %d failed\n", g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
}
