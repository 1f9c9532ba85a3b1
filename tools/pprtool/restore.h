// restore: a backup of a profile put back in one step, through the same
// replacement and under the same machine-wide lock of the profile as an
// update, so that it never meets an update of that profile halfway.
#pragma once

#include <string>

struct RestoreOptions {
    std::string backup;
    std::string profile;
    bool json = false;
};

// Replaces the profile with the backup's bytes: the backup must read as a
// profile through the device-manager library and the profile must be an
// existing regular file; with the profile's lock held, temporary files left
// by killed updates of it are removed and the file is replaced keeping its
// owner, group and mode (nothing is written when it already holds the same
// bytes). Prints what changed, the profile before -> the backup, as diff
// prints it, and a closing line, or with `json` a report (profile, backup,
// outcome, changes, status). Returns 0 restored or already equal; 2 when the
// backup cannot be read or is no profile, or the profile is missing, no
// regular file or cannot be written (it is then left as it was);
// kExitProfileBusy (10) when another update holds the profile's lock or the
// lock cannot be taken (nothing touched).
int RestoreProfile(const RestoreOptions& options);
