#include <stdlib.h>

#include "support/scoped_environment.h"

// The C runtime's copy of the environment, which getenv and _wgetenv read;
// an empty value removes the variable.
void PutEnvironmentValue(const std::string& name, const char* value) { _putenv_s(name.c_str(), value ? value : ""); }
