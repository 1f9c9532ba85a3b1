// The About box: the icon, the version line and the notice; its OK button,
// Esc and the close box end it.
#pragma once

#include "platform/afxwin.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };
    CAboutDlg() : CDialog(IDD) {}
};
