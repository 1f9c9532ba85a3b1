// The program's resources for the framework: the string table and the texts
// of the dialog templates, the same texts that Quillon.rc gives Windows.
#pragma once

#include "platform/afx.h"
#include "res/resource.h"

// The product's version, as the About box and --version show it.
constexpr char16_t kQuillonVersion[] = QUILLON_TEXT(QUILLON_VERSION_PLAIN);

// Returns the program's resources.
const ResourceSource& ProgramResources();
