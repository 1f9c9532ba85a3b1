// The Win32 host of the dialog framework: modal dialogs from the program's
// templates with one dialog procedure for all of them, the real controls,
// painting, message boxes and the guard's window search.
#include <windows.h>

#include "platform/afxwin.h"

namespace {

const wchar_t* Wide(const CString& text) { return reinterpret_cast<const wchar_t*>(text.GetString()); }

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class Win32DialogHost : public DialogHost {
public:
    intptr_t RunModal(CDialog& dialog, HostWindow parent) override {
        // Without an owner of its own a dialog is owned by the window the user
        // works in (the About box by the main dialog), so that it is modal to it.
        HWND owner = parent != nullptr ? static_cast<HWND>(parent) : GetActiveWindow();
        const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.GetTemplateId()),
                                               owner, DialogProcedure, reinterpret_cast<LPARAM>(&dialog));
        dialog.DetachWindow();
        return result;
    }
    void EndModal(HostWindow window, intptr_t result) override { ::EndDialog(static_cast<HWND>(window), result); }
    HostWindow Control(HostWindow window, int id) override { return GetDlgItem(static_cast<HWND>(window), id); }

    bool HasSystemMenu(HostWindow window) override { return GetSystemMenu(static_cast<HWND>(window), FALSE); }
    void AppendSystemMenu(HostWindow window, unsigned flags, unsigned id, const CString& text) override {
        AppendMenuW(GetSystemMenu(static_cast<HWND>(window), FALSE), flags, id,
                    (flags & kMfSeparator) ? nullptr : Wide(text));
    }
    // The dialog procedure hands the command on to the dialog manager (returns
    // FALSE) once the handler has returned.
    void DefaultSysCommand(HostWindow, unsigned, intptr_t) override { m_sysCommandDefault = true; }

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
    // What the dialog manager does for WM_PAINT: erase and validate. Called
    // from a WM_PAINT handler, so the update region is still the one to paint.
    void DefaultPaint(HostWindow window) override { DefWindowProcW(static_cast<HWND>(window), WM_PAINT, 0, 0); }
    void StretchBitmapOver(HostWindow window, int frameId, unsigned bitmapId) override {
        HWND frame = GetDlgItem(static_cast<HWND>(window), frameId);
        if (frame == nullptr) return;
        RECT rect{};
        ::GetClientRect(frame, &rect);
        HDC frameDc = GetDC(frame);
        // The frame paints its own sunken rectangle first; the banner goes over it.
        InvalidateRect(frame, nullptr, TRUE);
        UpdateWindow(frame);
        HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId));
        BITMAP info{};
        if (bitmap != nullptr && GetObjectW(bitmap, sizeof info, &info) != 0) {
            HDC memoryDc = CreateCompatibleDC(frameDc);
            HGDIOBJ previous = SelectObject(memoryDc, bitmap);
            SetStretchBltMode(frameDc, COLORONCOLOR);
            StretchBlt(frameDc, 0, 0, rect.right, rect.bottom, memoryDc, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            SelectObject(memoryDc, previous);
            DeleteDC(memoryDc);
        }
        if (bitmap != nullptr) DeleteObject(bitmap);
        ReleaseDC(frame, frameDc);
    }

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

    // Runs `dialog`'s system-command handler; true when the handler asked for
    // the default processing. Handlers nest (the About box runs inside one),
    // so the flag of the outer call is kept aside.
    bool SysCommandWantsDefault(CDialog& dialog, unsigned id, intptr_t param) {
        const bool outer = m_sysCommandDefault;
        m_sysCommandDefault = false;
        dialog.OnSysCommand(id, param);
        const bool wantsDefault = m_sysCommandDefault;
        m_sysCommandDefault = outer;
        return wantsDefault;
    }

private:
    PAINTSTRUCT m_paint{};
    bool m_sysCommandDefault = false;
};

Win32DialogHost& TheHost() {
    static Win32DialogHost host;
    return host;
}

// One procedure for every dialog: the CDialog comes in WM_INITDIALOG's
// lParam and stays in the window's user data. FALSE leaves a message to the
// dialog manager.
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->AttachWindow(window);
        // TRUE: the dialog manager gives the focus to the first control that takes it.
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            // Buttons, Enter, Esc and the close box all come as IDOK or IDCANCEL.
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (LOWORD(wParam) == IDOK) {
                dialog->OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                dialog->OnCancel();
                return TRUE;
            }
            return FALSE;
        case WM_SYSCOMMAND:
            return TheHost().SysCommandWantsDefault(*dialog, static_cast<unsigned>(wParam), lParam) ? FALSE : TRUE;
        case WM_PAINT: dialog->OnPaint(); return TRUE;
        case WM_QUERYDRAGICON:
            // A dialog procedure returns this message's result itself.
            return reinterpret_cast<INT_PTR>(dialog->OnQueryDragIcon());
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, DWLP_USER, 0);
            dialog->DetachWindow();
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

DialogHost& PlatformDialogHost() { return TheHost(); }
