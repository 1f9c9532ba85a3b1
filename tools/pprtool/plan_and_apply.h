// plan and apply: the silent update of one profile, run through the same
// engine function as `quillon SCRIPT PROFILE` (base-name rule, parser, load
// under the profile's lock, merge, one-step write), reported as the changes
// between the profile before and after.
#pragma once

#include <string>

// Prints what `quillon SCRIPT PROFILE` would change, as diff prints it, and
// writes nothing (the update runs on a copy in a temporary folder); after an
// update that would be done, RepeatedKeysNote's line on standard error when
// the script repeats a key. Returns the status quillon would end with.
int PlanUpdate(const std::string& script, const std::string& profile);

struct ApplyOptions {
    std::string script;
    std::string profile;
    std::string backupFolder;  // empty: no backup
    bool json = false;
};

// Updates the profile as quillon does, without message boxes. With a backup
// folder (made when missing; anything else at that path refuses the run
// before the update starts) the profile is copied to
// FOLDER/<name>.<UTC stamp>.ppr once the update holds its lock and has
// loaded it, just before the merge; a backup that cannot be written refuses
// the run, nothing written, and one of a profile that is then not written
// (out of memory, a write that fails) is removed again. Prints a summary
// paragraph or a JSON report on standard output. Returns the status
// ExitStatusOf gives (kExitRefused when the backup was refused).
int ApplyUpdate(const ApplyOptions& options);
