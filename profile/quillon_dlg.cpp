#include "profile/quillon_dlg.h"

CQuillonDlg::CQuillonDlg() = default;

CQuillonDlg::~CQuillonDlg() = default;

void CQuillonDlg::RemoveListedPrinter(const CString&) {
    // Nothing to remove while the dialog has no window and so no list.
}
