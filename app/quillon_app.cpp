#include "app/quillon_app.h"

#include "engine/exit_status.h"
#include "engine/silent_update.h"
#include "platform/afx.h"
#include "platform/process_lock.h"
#include "platform/text.h"
#include "res/program_resources.h"
#include "res/resource.h"
#include "ui/quillon_dlg.h"

namespace {

// Room for the command-line working copy, terminator included.
constexpr std::size_t kCommandLineUnits = 260;

// The name of the lock that only one running Quillon holds.
constexpr char16_t kInstanceLockName[] = u"Quillon";

constexpr char16_t kUsage[] =
    u"Usage:\n"
    u"  quillon                  list the printers whose profiles the scripts in the prof folder\n"
    u"                           beside the program will update; Execute updates them, copies the\n"
    u"                           colour files and tells the print service to reload\n"
    u"  quillon no_warn          the same, without the message when no script's printer is installed\n"
    u"  quillon SCRIPT PROFILE   update the one profile file PROFILE with SCRIPT (same base name)\n"
    u"  quillon --help | --version\n"
    u"Exit status: 0 done, 1 no or bad script or command line, 2 a profile not written,\n"
    u"3 out of memory, 5 print service not notified, 6 cancelled, 7 no printer to update,\n"
    u"8 another Quillon is running, 9 the profile could not be loaded, 10 another update holds the profile.";

// Splits like wcstok with the separators blank and tab: the first two tokens.
void SplitTwoTokens(const std::u16string& line, CString& first, CString& second) {
    auto isSeparator = [](char16_t c) { return c == u' ' || c == u'\t'; };
    std::size_t pos = 0;
    CString* targets[] = {&first, &second};
    for (CString* target : targets) {
        while (pos < line.size() && isSeparator(line[pos])) ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && !isSeparator(line[pos])) ++pos;
        if (pos == start) return;
        *target = CString(line.substr(start, pos - start));
    }
}

int ShowStartupError() {
    ShowMessageBox(nullptr, LoadResString(IDS_NO_SCRIPT), LoadResString(IDS_QUILLON), kMbOk | kMbIconHand);
    return kExitStartupError;
}

// Brings a running instance's window forward: one of its message boxes
// (captioned "Quillon") or its main dialog. True when one was found.
bool ActivateRunningInstance() {
    DialogHost& host = CurrentDialogHost();
    if (host.ActivateDialogWindow(LoadResString(IDS_QUILLON))) return true;
    const ResourceSource* resources = Resources();
    const DialogTemplateText* main = resources ? resources->Dialog(IDD_QUILLON_DIALOG) : nullptr;
    return main != nullptr && host.ActivateDialogWindow(CString(main->caption));
}

// The exit status of a dialog run that returned `result`.
int DialogExitStatus(const CQuillonDlg& dlg, intptr_t result) {
    if (dlg.m_nInitMessage == IDS_PRINTER_NOT_INSTALLED) return kExitNothingToUpdate;
    if (dlg.m_nInitMessage != 0 || result == -1) return kExitStartupError;
    if (result != kIdOk) return kExitCancelled;
    if (dlg.m_bMergeStopped) return kExitOutOfMemory;
    if (dlg.m_nFailedWrites > 0) return kExitWriteFailed;
    return dlg.m_bServiceNotified ? kExitOk : kExitNotNotified;
}

}  // namespace

bool CQuillonApp::InitInstance() {
    SetJapaneseLocale();

    // Asking for help or the version starts nothing, so it is answered even
    // while another Quillon runs.
    if (m_lpCmdLine == u"--help" || m_lpCmdLine == u"--version") {
        CurrentDialogHost().ShowInformation(
            m_lpCmdLine == u"--help" ? CString(kUsage) : CString(std::u16string(u"Quillon ") + kQuillonVersion));
        m_nExitCode = kExitOk;
        return false;
    }

    // Single-instance guard, before the command line is read. The window
    // search finds a running instance's message box or main dialog; the lock
    // settles two starts at the same moment, which could both miss the
    // other's window. A lock that cannot be made at all does not stop the
    // program: the window search still stands.
    ProcessLock instanceLock;
    const bool found = ActivateRunningInstance();
    if (found || instanceLock.TryAcquire(kInstanceLockName) == ProcessLock::Outcome::Busy) {
        CurrentDialogHost().ReportToCaller(u"quillon: another Quillon is running; nothing was done");
        m_nExitCode = kExitAlreadyRunning;
        return false;
    }

    // A longer line would not fit the working copy; cutting it could name
    // another file, so it is refused.
    if (m_lpCmdLine.size() >= kCommandLineUnits) {
        m_nExitCode = ShowStartupError();
        return false;
    }
    CString first, second;
    if (!m_lpCmdLine.empty()) SplitTwoTokens(m_lpCmdLine, first, second);

    CQuillonDlg dlg;
    if (first.CompareNoCase(u"no_warn") == 0) {
        dlg.m_bWarnNoPrinter = 0;
        first.Empty();
    }
    if (first.IsEmpty()) {
        m_pMainWnd = &dlg;
        const intptr_t result = dlg.DoModal();
        m_pMainWnd = nullptr;
        m_nExitCode = DialogExitStatus(dlg, result);
        return false;
    }

    if (second.IsEmpty()) {
        m_nExitCode = ShowStartupError();
        return false;
    }
    std::string reason;
    const SilentUpdateResult result = UpdateProfileSilently(dlg, first, second, reason);
    if (result == SilentUpdateResult::ScriptFailed) ShowStartupError();
    // No message box for a profile that cannot be had; one line for the caller.
    if (result == SilentUpdateResult::ProfileNotLoaded || result == SilentUpdateResult::ProfileBusy)
        CurrentDialogHost().ReportToCaller(u"quillon: " + second.Str() + u": " + Utf8ToUtf16(reason));
    m_nExitCode = ExitStatusOf(result);
    return false;
}
