// The Windows program's entry: a GUI-subsystem program (-mwindows), Unicode
// (-municode), without a console of its own. The signature is spelled out so
// that <windows.h> stays in platform/.
#include "app/quillon_app.h"
#include "platform/command_line.h"
#include "res/program_resources.h"

// The one application object.
CQuillonApp theApp;

extern "C" int __stdcall wWinMain(void*, void*, wchar_t*, int) {
    SetResources(&ProgramResources());
    return theApp.Run(CommandLineTail(0, nullptr));
}
