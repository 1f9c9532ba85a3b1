// The application: start-up, the single-instance guard, the command line and
// the choice between the silent update and the dialog.
#pragma once

#include "platform/afxwin.h"

// Exit statuses of the program.
enum ExitStatus {
    kExitOk = 0,                // done: every profile written (and, from the dialog, the service notified)
    kExitStartupError = 1,      // message 104: bad command line, no script, or a script that could not be read
    kExitWriteFailed = 2,       // message 110: a profile could not be written
    kExitOutOfMemory = 3,       // the update stopped: the library's allocator gave no block
    kExitNotNotified = 5,       // message 109: the print service did not take the reload
    kExitCancelled = 6,         // the dialog was cancelled: nothing written, copied or sent
    kExitNothingToUpdate = 7,   // message 111 (or none with no_warn): no script's printer is installed
    kExitAlreadyRunning = 8,    // another Quillon is running; nothing was done
    kExitProfileNotLoaded = 9,  // silent mode: the profile could not be loaded; nothing written
    kExitProfileBusy = 10,      // silent mode: another update holds the profile's lock; nothing touched
};

class CQuillonApp : public CWinApp {
public:
    // Runs the whole program and returns false: there is no message loop.
    // m_nExitCode tells how it went.
    bool InitInstance() override;
};
