// The application: start-up, the command line and the choice between the
// silent update and the dialog.
#pragma once

#include <string>

// Exit statuses of the program.
enum ExitStatus {
    kExitOk = 0,            // no failure message was shown
    kExitStartupError = 1,  // message 104: bad command line, or the script could not be read
    kExitWriteFailed = 2,   // message 110: a profile could not be written
    kExitOutOfMemory = 3,   // the update stopped: the library's allocator gave no block
    kExitNotSupported = 4,  // interactive mode asked of a build without a dialog
};

class CQuillonApp {
public:
    // Runs the program on the command-line text after the program name and
    // returns its exit status.
    int InitInstance(const std::u16string& commandLine);
};
