// The silent update of one profile from one script: what `quillon SCRIPT
// PROFILE` runs, and what any other front end that applies a script to a
// profile calls, so that both check the names, take the same lock and report
// alike.
#pragma once

#include <functional>
#include <string>

#include "engine/working_data.h"
#include "platform/afx.h"

enum class SilentUpdateResult {
    Done,              // written, or nothing to write (a script without rows)
    ScriptFailed,      // base names that differ, or a script not opened or parsed (message 104 is the caller's)
    ProfileNotLoaded,  // the profile could not be loaded; nothing written
    ProfileBusy,       // another update holds the profile's lock, or the lock could not be made; nothing touched
    Refused,           // the caller's step before the merge declined; nothing written
    WriteFailed,       // the profile could not be written (message 110 shown); the old file is as it was
    OutOfMemory,       // the merge stopped: the library's allocator gave no block; nothing written
};

// Returns true when a script and a profile go together in silent mode: their
// base names (PathBaseName) are equal, letter case ignored.
bool SameBaseName(const CString& scriptPath, const CString& profilePath);

// Checks the base names, loads the script and the profile (the loader holds
// the profile's lock from then on), calls `beforeMerge` when given, merges
// and writes, and releases the working data and the lock before it returns.
// `beforeMerge` runs once the profile is loaded, with its lock held, so the
// file it sees is the one the update replaces; returning false ends the
// update with Refused, nothing written. For ScriptFailed from names that
// differ, ProfileNotLoaded and ProfileBusy, `reason` says why in a few
// English words.
SilentUpdateResult UpdateProfileSilently(WorkingData& dlg, const CString& scriptPath, const CString& profilePath,
                                         std::string& reason, const std::function<bool()>& beforeMerge = {});
