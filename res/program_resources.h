// The program's resources for the framework: the string table and the texts
// of the dialog templates, the same texts that Quillon.rc gives Windows.
#pragma once

#include "platform/afx.h"

// The product's version, as the About box and --version show it.
constexpr char16_t kQuillonVersion[] = u"1.0.0";

// Returns the program's resources.
const ResourceSource& ProgramResources();
