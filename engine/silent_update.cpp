#include "engine/silent_update.h"

bool SameBaseName(const CString& scriptPath, const CString& profilePath) {
    return PathBaseName(scriptPath).CompareNoCase(PathBaseName(profilePath).Str()) == 0;
}

SilentUpdateResult UpdateProfileSilently(WorkingData& dlg, const CString& scriptPath, const CString& profilePath,
                                         std::string& reason, const std::function<bool()>& beforeMerge) {
    reason.clear();
    // A script names its printer by its file name: another name would write
    // one printer's rows into another's profile.
    if (!SameBaseName(scriptPath, profilePath)) {
        reason = "the script and the profile have different base names";
        return SilentUpdateResult::ScriptFailed;
    }
    if (!dlg.LoadScriptsAndProfiles(scriptPath, profilePath)) {
        dlg.ReleaseWorkingData();
        return SilentUpdateResult::ScriptFailed;
    }
    // Unlike the interactive update, a silent run that could not load its one
    // profile says so instead of ending as if all went well.
    if (dlg.m_nProfileCount == 0) {
        const ProfileLoad load = dlg.m_profileLoad;
        reason = DescribeProfileLoad(load, dlg.m_lockFailure);
        dlg.ReleaseWorkingData();
        const bool busy = load == ProfileLoad::Busy || load == ProfileLoad::LockFailed;
        return busy ? SilentUpdateResult::ProfileBusy : SilentUpdateResult::ProfileNotLoaded;
    }
    if (beforeMerge && !beforeMerge()) {
        dlg.ReleaseWorkingData();
        return SilentUpdateResult::Refused;
    }
    if (!dlg.UpdatePrinterProfiles(1)) return SilentUpdateResult::OutOfMemory;
    return dlg.m_nFailedWrites > 0 ? SilentUpdateResult::WriteFailed : SilentUpdateResult::Done;
}
