#include "support/scoped_environment.h"

#include <stdlib.h>

ScopedEnvironment::ScopedEnvironment(std::string name, const char* value) : m_name(std::move(name)) {
    if (const char* old = getenv(m_name.c_str())) m_old = old;
    PutEnvironmentValue(m_name, value);
}

ScopedEnvironment::~ScopedEnvironment() { PutEnvironmentValue(m_name, m_old ? m_old->c_str() : nullptr); }
