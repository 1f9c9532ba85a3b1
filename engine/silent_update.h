// The silent update of one profile from one script: what `quillon SCRIPT
// PROFILE` runs, and what any other front end that applies a script to a
// profile calls, so that both take the same lock and report alike.
#pragma once

#include <string>

#include "engine/working_data.h"
#include "platform/afx.h"

enum class SilentUpdateResult {
    Done,              // written, or nothing to write (a script without rows)
    ScriptFailed,      // the script could not be opened or parsed (message 104 is the caller's)
    ProfileNotLoaded,  // the profile could not be loaded; nothing written
    ProfileBusy,       // another update holds the profile's lock, or the lock could not be made; nothing touched
    WriteFailed,       // the profile could not be written (message 110 shown); the old file is as it was
    OutOfMemory,       // the merge stopped: the library's allocator gave no block; nothing written
};

// Loads the script and the profile (the loader holds the profile's lock from
// then on), merges and writes, and releases the working data and the lock
// before it returns. For ProfileNotLoaded and ProfileBusy, `reason` says why
// in a few English words.
SilentUpdateResult UpdateProfileSilently(WorkingData& dlg, const CString& scriptPath, const CString& profilePath,
                                         std::string& reason);

// Returns the base name of a path: the text after its last folder separator
// (the whole path without one), of that the text before its last '.'. A
// script's base name names its printer; silent mode wants the script's and
// the profile's alike, letter case ignored.
CString PathBaseName(const CString& path);

// Returns a few English words on why a profile was not loaded.
const char* DescribeProfileLoad(ProfileLoad load);
