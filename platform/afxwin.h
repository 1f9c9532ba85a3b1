// The window part of the application framework: the application object,
// modal dialogs, their list box and buttons, the system menu and painting.
// Every window operation goes through a DialogHost: the Win32 host shows real
// dialogs from the program's templates, the terminal host (POSIX) prints the
// dialog and reads a choice from standard input, and tests put a recording
// host in place. No platform type appears here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/afx.h"

// Dialog results and the dialog manager's command identifiers.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Results of the list box operations.
constexpr int kLbError = -1;

// Window messages and values that the framework passes to the host as they are.
constexpr unsigned kWmIconEraseBkgnd = 0x0027;
constexpr int kSmCxIcon = 11;
constexpr int kSmCyIcon = 12;
constexpr unsigned kMfString = 0x0000;
constexpr unsigned kMfSeparator = 0x0800;

using HostIcon = void*;
using HostPaintContext = void*;

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CDialog;

// What a platform provides for windows. The framework classes below are its
// only callers.
class DialogHost {
public:
    virtual ~DialogHost() = default;

    // Creates the window of `dialog` from its template, owned by `parent`
    // (null: none), runs it modally and returns the result passed to
    // EndDialog; -1 when the window cannot be created. The host calls
    // dialog.OnInitDialog() first and, while the dialog runs, its handlers.
    virtual intptr_t RunModal(CDialog& dialog, HostWindow parent) = 0;
    // Ends the modal run of `window` with `result` once the current handler returns.
    virtual void EndModal(HostWindow window, intptr_t result) = 0;
    // The control `id` of the dialog `window`; null when there is none.
    virtual HostWindow Control(HostWindow window, int id) = 0;

    // The system menu: whether the window has one, and appending an item.
    virtual bool HasSystemMenu(HostWindow window) = 0;
    virtual void AppendSystemMenu(HostWindow window, unsigned flags, unsigned id, const CString& text) = 0;
    // Default processing of a system command (move, close, ...).
    virtual void DefaultSysCommand(HostWindow window, unsigned id, intptr_t param) = 0;

    // Icons: the program's icon `id` at the system's standard size, and
    // setting a window's big (WM_SETICON ICON_BIG) or small icon.
    virtual HostIcon LoadAppIcon(unsigned id) = 0;
    virtual void SetIcon(HostWindow window, HostIcon icon, bool big) = 0;

    // Window state and painting.
    virtual bool IsIconic(HostWindow window) = 0;
    virtual CRect ClientRect(HostWindow window) = 0;
    virtual int SystemMetric(int index) = 0;
    virtual intptr_t SendWindowMessage(HostWindow window, unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual HostPaintContext BeginPaint(HostWindow window) = 0;
    virtual void EndPaint(HostWindow window, HostPaintContext context) = 0;
    virtual void DrawIcon(HostPaintContext context, int x, int y, HostIcon icon) = 0;
    // The dialog manager's own painting of `window`.
    virtual void DefaultPaint(HostWindow window) = 0;
    // Paints bitmap `bitmapId` stretched over the whole client area of the
    // control `frameId` (without keeping its aspect), after the control has
    // painted itself.
    virtual void StretchBitmapOver(HostWindow window, int frameId, unsigned bitmapId) = 0;

    // List box controls. Add keeps a sorted list box sorted; FindExact looks,
    // ignoring letter case, for a whole line equal to `text`, starting after
    // `startAfter` (-1: from the top) and going round the whole list; both
    // give kLbError on failure. Delete returns the lines left or kLbError.
    virtual void ListReset(HostWindow list) = 0;
    virtual int ListAdd(HostWindow list, const CString& text) = 0;
    virtual int ListFindExact(HostWindow list, int startAfter, const CString& text) = 0;
    virtual int ListDelete(HostWindow list, int index) = 0;
    virtual int ListCount(HostWindow list) = 0;
    virtual CString ListText(HostWindow list, int index) = 0;

    // Looks for a top-level dialog window titled `title` (another instance's);
    // when there is one, brings it and its last active pop-up forward,
    // restores it if minimised and returns true.
    virtual bool ActivateDialogWindow(const CString& title) = 0;

    // Text for whoever started the program: usage and version (terminal:
    // standard output; Windows: a message box), and a one-line report of why
    // the program ends (terminal: standard error; Windows: nothing, the
    // program has no console).
    virtual void ShowInformation(const CString& text) = 0;
    virtual void ReportToCaller(const CString& line) = 0;
};

// Returns the current host: the platform's own unless one was set.
DialogHost& CurrentDialogHost();
// Makes `host` the current host; null restores the platform's own.
void SetDialogHost(DialogHost* host);
// The platform's own host (Windows: Win32 dialogs; POSIX: the terminal).
DialogHost& PlatformDialogHost();

// A control of a dialog, bound by DoDataExchange.
class CWnd {
public:
    virtual ~CWnd() = default;
    HostWindow GetSafeHwnd() const { return m_hWnd; }
    int GetDlgCtrlID() const { return m_nId; }
    void Attach(HostWindow window, int id) {
        m_hWnd = window;
        m_nId = id;
    }
    void Detach() { Attach(nullptr, 0); }

protected:
    HostWindow m_hWnd = nullptr;
    int m_nId = 0;
};

class CButton : public CWnd {};

class CListBox : public CWnd {
public:
    void ResetContent();
    int AddString(const CString& text);
    int FindStringExact(int startAfter, const CString& text) const;
    int DeleteString(int index);
    int GetCount() const;
    CString GetText(int index) const;
};

// The system menu of a dialog.
class CMenu {
public:
    explicit CMenu(HostWindow owner) : m_owner(owner) {}
    void AppendItem(unsigned flags, unsigned id = 0, const CString& text = CString());

private:
    HostWindow m_owner;
};

// Binds controls to members while a dialog initialises.
class CDataExchange {
public:
    explicit CDataExchange(CDialog& dialog) : m_dialog(dialog) {}
    CDialog& Dialog() const { return m_dialog; }

private:
    CDialog& m_dialog;
};

// Binds control `id` of the exchanging dialog to `control`.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// A modal dialog over a template of the program's resources.
class CDialog {
public:
    explicit CDialog(unsigned templateId, CDialog* parent = nullptr);
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    virtual ~CDialog();

    // Runs the dialog modally; returns the result passed to EndDialog, or -1
    // when its window could not be made.
    virtual intptr_t DoModal();
    // Ends the modal run with `result` once the current handler returns.
    void EndDialog(intptr_t result);

    unsigned GetTemplateId() const { return m_nTemplateId; }
    HostWindow GetSafeHwnd() const { return m_hWnd; }
    bool HasEnded() const { return m_bEnded; }

    // Handlers; the host calls them. The defaults: OnInitDialog binds the
    // controls (DoDataExchange) and returns true; OnOK and OnCancel end the
    // dialog with kIdOk and kIdCancel; OnSysCommand, OnPaint and
    // OnQueryDragIcon do the dialog manager's default processing.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnSysCommand(unsigned id, intptr_t param);
    virtual void OnPaint();
    virtual HostIcon OnQueryDragIcon();

    // Called by the host when the window is made and when it is gone.
    void AttachWindow(HostWindow window);
    void DetachWindow();

protected:
    // The system menu, or null when the window has none.
    CMenu* GetSystemMenu();
    void SetIcon(HostIcon icon, bool big);
    bool IsIconic() const;
    CRect GetClientRect() const;
    intptr_t SendWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

    HostWindow m_hWnd = nullptr;

private:
    unsigned m_nTemplateId;
    CDialog* m_pParent;
    bool m_bEnded = false;
    CMenu m_systemMenu{nullptr};
};

// A paint context for the duration of a paint handler.
class CPaintDC {
public:
    explicit CPaintDC(HostWindow window);
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC();
    HostPaintContext GetSafeHdc() const { return m_context; }
    void DrawIcon(int x, int y, HostIcon icon);

private:
    HostWindow m_window;
    HostPaintContext m_context;
};

// The application object: the program runs inside InitInstance.
class CWinApp {
public:
    CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp() = default;

    // Runs the program on the command-line text after the program name:
    // InitInstance, then the message loop if it returned true (this
    // framework has none to run). Returns the exit status it set.
    int Run(const std::u16string& commandLine);

    virtual bool InitInstance() { return false; }

    std::u16string m_lpCmdLine;     // the command line after the program name
    CDialog* m_pMainWnd = nullptr;  // the main window while it runs
    int m_nExitCode = 0;            // the process's exit status
};
