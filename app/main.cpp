#include "app/quillon_app.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
    CQuillonApp app;
    return app.InitInstance(CommandLineTail(argc, argv));
}
