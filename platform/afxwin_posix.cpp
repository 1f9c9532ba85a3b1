#include <cstdio>

#include "platform/afxwin.h"
#include "platform/terminal_dialog_host.h"

// Without a window system the terminal is where a dialog can be seen.
DialogHost& PlatformDialogHost() {
    static const std::unique_ptr<DialogHost> host = MakeTerminalDialogHost(stdin, stdout, stderr);
    return *host;
}
