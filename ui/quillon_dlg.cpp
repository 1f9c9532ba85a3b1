#include "ui/quillon_dlg.h"

#include <cstdlib>

#include "platform/files.h"
#include "platform/text.h"
#include "profile/header_codec.h"
#include "ui/about_dlg.h"

CQuillonDlg::CQuillonDlg(CDialog* pParent) : CDialog(IDD, pParent) {
    m_hIcon = CurrentDialogHost().LoadAppIcon(IDR_MAINFRAME);
    m_bWarnNoPrinter = 1;
}

CQuillonDlg::~CQuillonDlg() = default;

void CQuillonDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK_BUTTON, m_btnOK);
    DDX_Control(pDX, IDCANCEL_BUTTON, m_btnCancel);
    DDX_Control(pDX, IDC_PRINTER_LIST, m_listPrinters);
}

bool CQuillonDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (CMenu* sysMenu = GetSystemMenu()) {
        const CString about = LoadResString(IDS_ABOUTBOX);
        if (!about.IsEmpty()) {
            sysMenu->AppendItem(kMfSeparator);
            sysMenu->AppendItem(kMfString, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    m_pProfiles = nullptr;
    std::u16string module;
    if (ReadModulePath(module)) {
        const std::size_t separator = module.rfind(PathSeparator());
        m_strExeDir = separator == std::u16string::npos ? CString() : CString(module.substr(0, separator + 1));
    } else {
        m_strExeDir.Empty();
    }

    const CString caption = LoadResString(IDS_QUILLON);
    const int loaded = LoadScriptsAndProfiles(CString(), CString());
    if (loaded == 1 && m_nProfileCount > 0) {
        FillPrinterList();
        return true;
    }
    if (loaded == 1) {
        m_nInitMessage = IDS_PRINTER_NOT_INSTALLED;
        if (m_bWarnNoPrinter != 0)
            ShowMessageBox(MessageOwner(), LoadResString(IDS_PRINTER_NOT_INSTALLED), caption, kMbIconExclamation);
    } else {
        m_nInitMessage = IDS_NO_SCRIPT;
        ShowMessageBox(MessageOwner(), LoadResString(IDS_NO_SCRIPT), caption, kMbIconHand);
    }
    EndDialog(0);
    // Also the tables of any profile a failed load had taken.
    ReleaseWorkingData();
    return false;
}

int CQuillonDlg::FillPrinterList() {
    m_listPrinters.ResetContent();
    // The merge finds a written printer's line by this same conversion.
    for (int32_t i = 0; i < m_nProfileCount; ++i) m_listPrinters.AddString(DeviceNameText(m_pProfiles[i].header));
    return 1;
}

void CQuillonDlg::RemoveListedPrinter(const CString& deviceName) {
    const int line = m_listPrinters.FindStringExact(-1, deviceName);
    if (line != kLbError) m_listPrinters.DeleteString(line);
}

void CQuillonDlg::OnOK() {
    const CString caption = LoadResString(IDS_QUILLON);
    if (!UpdatePrinterProfiles(0)) {
        // A stop for lack of memory left profiles unwritten: say so before
        // the closing message, which would otherwise stand alone.
        m_bMergeStopped = 1;
        ShowMessageBox(MessageOwner(), LoadResString(IDS_PROFILE_WRITE_FAILED), caption, kMbOk | kMbIconExclamation);
    }
    for (const char16_t* extension : kColorFileExtensions) CopyColorFiles(extension);
    m_bServiceNotified = NotifyPrintService();
    ShowMessageBox(MessageOwner(), LoadResString(m_bServiceNotified ? IDS_UPDATE_DONE : IDS_PPD_UPDATE_FAILED), caption,
                   kMbOk | kMbIconInformation);
    CDialog::OnOK();
}

void CQuillonDlg::OnCancel() { CDialog::OnCancel(); }

void CQuillonDlg::OnSysCommand(unsigned nID, intptr_t lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CQuillonDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(GetSafeHwnd());
        SendWindowMessage(kWmIconEraseBkgnd, reinterpret_cast<uintptr_t>(dc.GetSafeHdc()), 0);
        const int cxIcon = CurrentDialogHost().SystemMetric(kSmCxIcon);
        const int cyIcon = CurrentDialogHost().SystemMetric(kSmCyIcon);
        const CRect rect = GetClientRect();
        const int x = (rect.Width() - cxIcon + 1) / 2;
        const int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
        // The banner goes over the frame after the frame has drawn itself.
        CurrentDialogHost().StretchBitmapOver(GetSafeHwnd(), IDC_BANNER_FRAME, IDB_BANNER);
    }
}

HostIcon CQuillonDlg::OnQueryDragIcon() { return m_hIcon; }
