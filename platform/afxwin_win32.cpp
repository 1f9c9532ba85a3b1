// The Win32 host of the dialog framework. This first version shows message
// boxes and the guard's window search for real; modal dialogs from the
// program's templates come with the Windows program's own dialog procedure,
// and until then DoModal reports that no window could be made (-1).
#include <windows.h>

#include "platform/afxwin.h"

namespace {

const wchar_t* Wide(const CString& text) { return reinterpret_cast<const wchar_t*>(text.GetString()); }

class Win32DialogHost : public DialogHost {
public:
    intptr_t RunModal(CDialog&, HostWindow) override { return -1; }
    void EndModal(HostWindow window, intptr_t result) override { ::EndDialog(static_cast<HWND>(window), result); }
    HostWindow Control(HostWindow window, int id) override { return GetDlgItem(static_cast<HWND>(window), id); }

    bool HasSystemMenu(HostWindow window) override { return GetSystemMenu(static_cast<HWND>(window), FALSE); }
    void AppendSystemMenu(HostWindow window, unsigned flags, unsigned id, const CString& text) override {
        AppendMenuW(GetSystemMenu(static_cast<HWND>(window), FALSE), flags, id,
                    (flags & kMfSeparator) ? nullptr : Wide(text));
    }
    void DefaultSysCommand(HostWindow window, unsigned id, intptr_t param) override {
        DefWindowProcW(static_cast<HWND>(window), WM_SYSCOMMAND, id, param);
    }

    HostIcon LoadAppIcon(unsigned id) override {
        return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
    }
    void SetIcon(HostWindow window, HostIcon icon, bool big) override {
        SendMessageW(static_cast<HWND>(window), WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                     reinterpret_cast<LPARAM>(icon));
    }
    bool IsIconic(HostWindow window) override { return ::IsIconic(static_cast<HWND>(window)); }
    CRect ClientRect(HostWindow window) override {
        RECT rect{};
        GetClientRect(static_cast<HWND>(window), &rect);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }
    int SystemMetric(int index) override { return GetSystemMetrics(index); }
    intptr_t SendWindowMessage(HostWindow window, unsigned message, uintptr_t wParam, intptr_t lParam) override {
        return SendMessageW(static_cast<HWND>(window), message, wParam, lParam);
    }
    HostPaintContext BeginPaint(HostWindow window) override {
        m_paint = {};
        return ::BeginPaint(static_cast<HWND>(window), &m_paint);
    }
    void EndPaint(HostWindow window, HostPaintContext) override { ::EndPaint(static_cast<HWND>(window), &m_paint); }
    void DrawIcon(HostPaintContext context, int x, int y, HostIcon icon) override {
        ::DrawIcon(static_cast<HDC>(context), x, y, static_cast<HICON>(icon));
    }
    void DefaultPaint(HostWindow) override {}
    void StretchBitmapOver(HostWindow, int, unsigned) override {}

    void ListReset(HostWindow list) override { SendMessageW(static_cast<HWND>(list), LB_RESETCONTENT, 0, 0); }
    int ListAdd(HostWindow list, const CString& text) override {
        return static_cast<int>(
            SendMessageW(static_cast<HWND>(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text))));
    }
    int ListFindExact(HostWindow list, int startAfter, const CString& text) override {
        return static_cast<int>(SendMessageW(static_cast<HWND>(list), LB_FINDSTRINGEXACT,
                                             static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(Wide(text))));
    }
    int ListDelete(HostWindow list, int index) override {
        return static_cast<int>(SendMessageW(static_cast<HWND>(list), LB_DELETESTRING, static_cast<WPARAM>(index), 0));
    }
    int ListCount(HostWindow list) override {
        return static_cast<int>(SendMessageW(static_cast<HWND>(list), LB_GETCOUNT, 0, 0));
    }
    CString ListText(HostWindow list, int index) override {
        const LRESULT length = SendMessageW(static_cast<HWND>(list), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == LB_ERR) return CString();
        std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
        SendMessageW(static_cast<HWND>(list), LB_GETTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return CString(text);
    }

    bool ActivateDialogWindow(const CString& title) override {
        // The dialog manager's class, the predefined atom 0x8002.
        HWND found = FindWindowW(L"#32770", Wide(title));
        if (found == nullptr) return false;
        HWND popup = GetLastActivePopup(found);
        SetForegroundWindow(found);
        if (::IsIconic(found)) ShowWindow(found, SW_SHOWNORMAL);
        if (popup != found) SetForegroundWindow(popup);
        return true;
    }

    void ShowInformation(const CString& text) override {
        MessageBoxW(nullptr, Wide(text), L"Quillon", MB_OK | MB_ICONINFORMATION);
    }
    void ReportToCaller(const CString&) override {}

private:
    PAINTSTRUCT m_paint{};
};

}  // namespace

DialogHost& PlatformDialogHost() {
    static Win32DialogHost host;
    return host;
}
