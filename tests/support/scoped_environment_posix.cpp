#include <stdlib.h>

#include "support/scoped_environment.h"

const bool kEmptyEnvironmentValueKept = true;

void PutEnvironmentValue(const std::string& name, const char* value) {
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
}
