// The application: start-up, the single-instance guard, the command line and
// the choice between the silent update and the dialog.
#pragma once

#include "engine/exit_status.h"  // the program's exit statuses, kExit...
#include "platform/afxwin.h"

class CQuillonApp : public CWinApp {
public:
    // Runs the whole program and returns false: there is no message loop.
    // m_nExitCode tells how it went.
    bool InitInstance() override;
};
