// The main dialog: lists the printers whose profiles the scripts of the prof
// folder will update, and runs the update, the colour-file copy and the
// service notification from its Execute button. It owns the update's working
// data; in silent mode the same object is used without a window.
#pragma once

#include <cstdint>

#include "deploy/color_files.h"
#include "deploy/print_service.h"
#include "engine/working_data.h"
#include "platform/afxwin.h"
#include "res/resource.h"

class CQuillonDlg : public CDialog, public WorkingData {
public:
    enum { IDD = IDD_QUILLON_DIALOG };

    // A dialog over template 102 with `pParent` as its owner (none at
    // start-up), the application icon loaded and the warning flag set.
    explicit CQuillonDlg(CDialog* pParent = nullptr);
    ~CQuillonDlg() override;

    // Fills the printer list with the device name of every loaded profile,
    // converted from CP932; the list box keeps its lines sorted. Returns 1.
    int FillPrinterList();

    // Copies the prof folder's colour files with `extension` (see
    // deploy/color_files.h). Returns 0 when none was found, 1 otherwise.
    int CopyColorFiles(const CString& extension) { return ::CopyColorFiles(m_strExeDir, extension); }

    // Tells the print service to reload; 1 when it accepted, 0 otherwise.
    int NotifyPrintService() { return ::NotifyPrintService(); }

    HostWindow MessageOwner() const override { return GetSafeHwnd(); }
    void RemoveListedPrinter(const CString& deviceName) override;

    // How the dialog's work ended, for the program's exit status.
    int32_t m_nInitMessage = 0;      // 104 or 111 when the dialog ended itself at initialisation
    int32_t m_bMergeStopped = 0;     // the merge stopped for lack of memory
    int32_t m_bServiceNotified = 0;  // the print service accepted the reload

    CListBox m_listPrinters;
    CButton m_btnOK;
    CButton m_btnCancel;
    HostIcon m_hIcon = nullptr;

    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnSysCommand(unsigned nID, intptr_t lParam) override;
    void OnPaint() override;
    HostIcon OnQueryDragIcon() override;
};
