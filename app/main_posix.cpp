#include "app/quillon_app.h"
#include "platform/command_line.h"
#include "res/program_resources.h"

// The one application object.
CQuillonApp theApp;

int main(int argc, char** argv) {
    SetResources(&ProgramResources());
    return theApp.Run(CommandLineTail(argc, argv));
}
