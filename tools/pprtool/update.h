// plan and apply: the silent update of one profile, run through the same
// engine function as `quillon SCRIPT PROFILE` (base-name rule, parser, load,
// merge, one-step write), reported as the changes between the profile before
// and after.
#pragma once

#include <string>

// Exit status of apply beyond those of quillon's silent mode (0 done, 1
// start-up error, 2 write failed, 3 out of memory, 9 profile not loaded, 10
// profile busy).
constexpr int kExitBackupFailed = 11;  // apply --backup: the backup could not be written; nothing done

// Prints what `quillon SCRIPT PROFILE` would change, as diff prints it, and
// writes nothing (the update runs on a copy in a temporary folder). Returns
// the status quillon would end with.
int PlanUpdate(const std::string& script, const std::string& profile);

struct ApplyOptions {
    std::string script;
    std::string profile;
    std::string backupFolder;  // empty: no backup
    bool json = false;
};

// Updates the profile as quillon does, without message boxes; with a backup
// folder the old profile is first written to FOLDER/<name>.<UTC stamp>.ppr.
// Prints a summary paragraph or a JSON report on standard output. Returns
// quillon's status, or kExitBackupFailed.
int ApplyUpdate(const ApplyOptions& options);
