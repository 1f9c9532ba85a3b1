// The exit statuses of the programs over the engine, and the one mapping of a
// silent update's outcome to them, so that quillon and pprtool end alike.
#pragma once

#include "engine/silent_update.h"

// Exit statuses of quillon, which pprtool's plan, apply and restore share.
enum ExitStatus {
    kExitOk = 0,                   // done: every profile written (and, from the dialog, the service notified)
    kExitStartupError = 1,         // message 104: bad command line, no script, or a script that could not be read
    kExitWriteFailed = 2,          // message 110: a profile could not be written
    kExitOutOfMemory = 3,          // the update stopped: the library's allocator gave no block
    kExitNotNotified = 5,          // message 109: the print service did not take the reload
    kExitCancelled = 6,            // the dialog was cancelled: nothing written, copied or sent
    kExitNothingToUpdate = 7,      // message 111 (or none with no_warn): no script's printer is installed
    kExitAlreadyRunning = 8,       // another Quillon is running; nothing was done
    kExitProfileNotLoaded = 9,     // silent mode: the profile could not be loaded; nothing written
    kExitProfileBusy = 10,         // silent mode: another update holds the profile's lock; nothing touched
    kExitRefused = 11,             // pprtool apply: its step before the merge (the backup) failed; nothing done
    kExitChangedSinceUpdate = 12,  // pprtool rollback: a profile changed since the update was left as it is
};

// Returns the status a silent update that ended with `result` ends with.
int ExitStatusOf(SilentUpdateResult result);
