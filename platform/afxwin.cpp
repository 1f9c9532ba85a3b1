#include "platform/afxwin.h"

namespace {

DialogHost* g_dialogHost = nullptr;  // null: the platform's own

DialogHost& Host() { return CurrentDialogHost(); }

}  // namespace

DialogHost& CurrentDialogHost() { return g_dialogHost ? *g_dialogHost : PlatformDialogHost(); }

void SetDialogHost(DialogHost* host) { g_dialogHost = host; }

// --- Controls ---

void CListBox::ResetContent() { Host().ListReset(m_hWnd); }

int CListBox::AddString(const CString& text) { return Host().ListAdd(m_hWnd, text); }

int CListBox::FindStringExact(int startAfter, const CString& text) const {
    return Host().ListFindExact(m_hWnd, startAfter, text);
}

int CListBox::DeleteString(int index) { return Host().ListDelete(m_hWnd, index); }

int CListBox::GetCount() const { return Host().ListCount(m_hWnd); }

CString CListBox::GetText(int index) const { return Host().ListText(m_hWnd, index); }

void CMenu::AppendItem(unsigned flags, unsigned id, const CString& text) {
    Host().AppendSystemMenu(m_owner, flags, id, text);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    const HostWindow dialog = pDX->Dialog().GetSafeHwnd();
    control.Attach(Host().Control(dialog, id), id);
}

// --- CDialog ---

CDialog::CDialog(unsigned templateId, CDialog* parent) : m_nTemplateId(templateId), m_pParent(parent) {}

CDialog::~CDialog() = default;

intptr_t CDialog::DoModal() {
    m_bEnded = false;
    const HostWindow parent = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    return Host().RunModal(*this, parent);
}

void CDialog::EndDialog(intptr_t result) {
    m_bEnded = true;
    if (m_hWnd != nullptr) Host().EndModal(m_hWnd, result);
}

bool CDialog::OnInitDialog() {
    CDataExchange exchange(*this);
    DoDataExchange(&exchange);
    return true;
}

void CDialog::OnOK() { EndDialog(kIdOk); }

void CDialog::OnCancel() { EndDialog(kIdCancel); }

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnSysCommand(unsigned id, intptr_t param) { Host().DefaultSysCommand(m_hWnd, id, param); }

void CDialog::OnPaint() { Host().DefaultPaint(m_hWnd); }

HostIcon CDialog::OnQueryDragIcon() { return nullptr; }

void CDialog::AttachWindow(HostWindow window) {
    m_hWnd = window;
    m_systemMenu = CMenu(window);
}

void CDialog::DetachWindow() { AttachWindow(nullptr); }

CMenu* CDialog::GetSystemMenu() { return Host().HasSystemMenu(m_hWnd) ? &m_systemMenu : nullptr; }

void CDialog::SetIcon(HostIcon icon, bool big) { Host().SetIcon(m_hWnd, icon, big); }

bool CDialog::IsIconic() const { return Host().IsIconic(m_hWnd); }

CRect CDialog::GetClientRect() const { return Host().ClientRect(m_hWnd); }

intptr_t CDialog::SendWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    return Host().SendWindowMessage(m_hWnd, message, wParam, lParam);
}

// --- CPaintDC ---

CPaintDC::CPaintDC(HostWindow window) : m_window(window), m_context(Host().BeginPaint(window)) {}

CPaintDC::~CPaintDC() { Host().EndPaint(m_window, m_context); }

void CPaintDC::DrawIcon(int x, int y, HostIcon icon) { Host().DrawIcon(m_context, x, y, icon); }

// --- CWinApp ---

int CWinApp::Run(const std::u16string& commandLine) {
    m_lpCmdLine = commandLine;
    m_nExitCode = 0;
    InitInstance();
    return m_nExitCode;
}
