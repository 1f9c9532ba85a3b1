// rollback: the way back for a whole kit. Puts back every profile that the
// runs of the latest kit changed, as the backup folder's journal records
// them, and leaves alone a profile that changed since the update wrote it.
#pragma once

#include <string>

struct RollbackOptions {
    std::string backupFolder;  // the folder update --backup wrote to
    bool force = false;        // put back also what changed since the update
    bool json = false;
};

// Puts back each profile of the folder's latest journal that is not rolled
// back yet, under the profile's lock, through the same one-step replacement
// as restore: a profile that still holds the bytes the update wrote gets its
// backup's bytes; one that holds the backup's already is only noted; one
// that holds anything else changed since the update and is left as it is,
// unless `force`. The journal notes each profile put back, so a second
// rollback finds nothing to do. The print service is told to reload once
// when anything was put back (and by a later rollback when it could not be
// told). Colour files stay as they are. Prints each profile's outcome with
// its changes as diff prints them, or a JSON report. Returns 0 done (also
// when nothing was left to do or the folder holds no journal); 2 a profile
// not put back (missing, its backup unreadable, not written) or the journal
// unreadable; 12 a profile changed since the update, left as it is; 10 the
// journal or a profile held by another update; 5 the service could not be
// told. Where several apply: the first of 2, 12, 10, 5.
int RollbackKit(const RollbackOptions& options);
