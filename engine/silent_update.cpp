#include "engine/silent_update.h"

#include "platform/files.h"

CString PathBaseName(const CString& path) {
    CString name = path.Mid(path.ReverseFind(PathSeparator()) + 1);
    const int dot = name.ReverseFind(u'.');
    return dot < 0 ? name : name.Left(dot);
}

const char* DescribeProfileLoad(ProfileLoad load) {
    switch (load) {
        case ProfileLoad::Loaded: return "loaded";
        case ProfileLoad::Missing: return "no such file";
        case ProfileLoad::NoAccess: return "cannot be opened for reading";
        case ProfileLoad::NotRegularFile: return "not a regular file";
        case ProfileLoad::NotAProfile: return "the print system's library cannot read it as a profile";
        case ProfileLoad::NoMemory: return "not enough memory to load it";
        case ProfileLoad::Busy: return "another update of this profile is running";
        case ProfileLoad::LockFailed: return "the profile's lock cannot be taken";
    }
    return "?";
}

SilentUpdateResult UpdateProfileSilently(WorkingData& dlg, const CString& scriptPath, const CString& profilePath,
                                         std::string& reason) {
    reason.clear();
    if (!dlg.LoadScriptsAndProfiles(scriptPath, profilePath)) {
        dlg.ReleaseWorkingData();
        return SilentUpdateResult::ScriptFailed;
    }
    // Unlike the interactive update, a silent run that could not load its one
    // profile says so instead of ending as if all went well.
    if (dlg.m_nProfileCount == 0) {
        const ProfileLoad load = dlg.m_profileLoad;
        dlg.ReleaseWorkingData();
        reason = DescribeProfileLoad(load);
        const bool busy = load == ProfileLoad::Busy || load == ProfileLoad::LockFailed;
        return busy ? SilentUpdateResult::ProfileBusy : SilentUpdateResult::ProfileNotLoaded;
    }
    if (!dlg.UpdatePrinterProfiles(1)) return SilentUpdateResult::OutOfMemory;
    return dlg.m_nFailedWrites > 0 ? SilentUpdateResult::WriteFailed : SilentUpdateResult::Done;
}
