#include "app/quillon_app.h"

#include <cstdio>

#include "platform/afx.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/quillon_dlg.h"
#include "res/resource.h"

namespace {

// Room for the command-line working copy, terminator included.
constexpr std::size_t kCommandLineUnits = 260;

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

// A token's base name: after its last folder separator, before its last '.'.
CString BaseName(const CString& token) {
    CString name = token.Mid(token.ReverseFind(PathSeparator()) + 1);
    const int dot = name.ReverseFind(u'.');
    return dot < 0 ? name : name.Left(dot);
}

int ShowStartupError() {
    ShowMessageBox(nullptr, LoadResString(IDS_NO_SCRIPT), LoadResString(IDS_QUILLON), kMbOk | kMbIconHand);
    return kExitStartupError;
}

}  // namespace

int CQuillonApp::InitInstance(const std::u16string& commandLine) {
    SetJapaneseLocale();

    // A longer line would not fit the working copy; cutting it could name
    // another file, so it is refused.
    if (commandLine.size() >= kCommandLineUnits) return ShowStartupError();
    CString first, second;
    if (!commandLine.empty()) SplitTwoTokens(commandLine, first, second);

    CQuillonDlg dlg;
    if (first.CompareNoCase(u"no_warn") == 0) {
        dlg.m_bWarnNoPrinter = 0;
        first.Empty();
    }
    if (first.IsEmpty()) {
        // The printer dialog is not built yet: say so instead of pretending.
        std::fputs("quillon: no printer dialog in this build; usage: quillon SCRIPT PROFILE\n", stderr);
        return kExitNotSupported;
    }

    if (second.IsEmpty() || BaseName(first).CompareNoCase(BaseName(second).Str()) != 0) return ShowStartupError();
    if (!dlg.LoadScriptsAndProfiles(first, second)) {
        dlg.ReleaseWorkingData();
        return ShowStartupError();
    }
    if (!dlg.UpdatePrinterProfiles(1)) return kExitOutOfMemory;
    return dlg.m_nFailedWrites > 0 ? kExitWriteFailed : kExitOk;
}
