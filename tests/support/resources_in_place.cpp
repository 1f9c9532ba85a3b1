// The suite sees the program's own resources, as the program does from its
// first line on.
#include "platform/afx.h"
#include "res/program_resources.h"

namespace {

const bool g_resourcesInPlace = (SetResources(&ProgramResources()), true);

}  // namespace
