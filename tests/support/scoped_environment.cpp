#include "support/scoped_environment.h"

#include <stdlib.h>

namespace {

void Put(const std::string& name, const char* value) {
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
}

}  // namespace

ScopedEnvironment::ScopedEnvironment(std::string name, const char* value) : m_name(std::move(name)) {
    if (const char* old = getenv(m_name.c_str())) m_old = old;
    Put(m_name, value);
}

ScopedEnvironment::~ScopedEnvironment() { Put(m_name, m_old ? m_old->c_str() : nullptr); }
